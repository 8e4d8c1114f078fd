// Feeds arbitrary argument lists to the program's command-line reader: the
// bytes split at NUL into arguments, the program's name first. Whatever comes,
// the reader either refuses with a reason or names one command, a command
// that reads or writes a file has one, --json goes with list and info only,
// a preset, gain or the demo's unit count stays within its range.
#include "model/SettingFields.h"
#include "transport/HidBackend.h"
#include "ui/main/CommandLineOptions.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QStringList arguments{QStringLiteral("quenda")};
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i == size || data[i] == 0) {
            arguments << QString::fromUtf8(reinterpret_cast<const char*>(data + start), static_cast<qsizetype>(i - start));
            start = i + 1;
        }
    }
    const CommandLineOptions options = ParseOptions(arguments);
    const QuendaCommand c = options.command;
    const bool needsFile = c == QuendaCommand::Export || c == QuendaCommand::Import || c == QuendaCommand::Backup ||
                           c == QuendaCommand::Restore || c == QuendaCommand::FiltersImport ||
                           c == QuendaCommand::FiltersExport;
    if (options.error.isEmpty() && needsFile && options.file.isEmpty() && !arguments.contains(QString()))
        std::abort();
    if (!options.error.isEmpty() && options.command != QuendaCommand::Window)
        std::abort();
    if (options.error.isEmpty() && options.json && c != QuendaCommand::List && c != QuendaCommand::Info)
        std::abort();
    if ((c == QuendaCommand::Recall || c == QuendaCommand::Store) && (options.preset < 1 || options.preset > 20))
        std::abort();
    if (c == QuendaCommand::Gain && (options.gainCode < 0 || options.gainCode > codecs::kGain.linear->codeMax))
        std::abort();
    if (options.demoUnits < 1 || options.demoUnits > kMaxDemoUnits)
        std::abort();
    return 0;
}
