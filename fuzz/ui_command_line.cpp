// Feeds arbitrary argument lists to the program's command-line reader: the
// bytes split at NUL into arguments, the program's name first. Whatever comes,
// the reader either refuses with a reason or names one command, a command
// that reads or writes a file has one, --json goes with list only, and the
// demo's unit count stays within what the demo can present.
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
    const bool needsFile = options.command != QuendaCommand::Window && options.command != QuendaCommand::Info &&
                           options.command != QuendaCommand::List;
    if (options.error.isEmpty() && needsFile && options.file.isEmpty() && !arguments.contains(QString()))
        std::abort();
    if (!options.error.isEmpty() && options.command != QuendaCommand::Window)
        std::abort();
    if (options.error.isEmpty() && options.json && options.command != QuendaCommand::List)
        std::abort();
    if (options.demoUnits < 1 || options.demoUnits > kMaxDemoUnits)
        std::abort();
    return 0;
}
