// Reads arbitrary bytes as a settings file into a value (never into the image).
// A refused file must name a reason; an accepted one must write a document
// that reads back and writes again byte for byte.
#include "ui/settings/SettingsFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    SettingsFile read;
    SettingsError error;
    if (!SettingsFromJson(input, read, error)) {
        if (error.reason.isEmpty())
            std::abort();
        return 0;
    }
    const QByteArray written = SettingsToJson(read);
    SettingsFile again;
    if (!SettingsFromJson(written, again, error) || SettingsToJson(again) != written)
        std::abort();
    return 0;
}
