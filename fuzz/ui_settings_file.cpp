// Reads arbitrary bytes as a settings file into a value (never into the image).
// A refused file must name a reason; an accepted one must write a document
// that reads back and writes again byte for byte.
#include "SettingsRoundTrip.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CheckSettingsRoundTrip(input);
    return 0;
}
