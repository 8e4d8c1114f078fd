// Decodes arbitrary name records as the preset dialogs show them, then encodes
// the shown text back as a name entered in the name dialog would be.
#include "ui/common/PresetNameCodec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    char record[kPresetRecordSize];
    std::memset(record, 0x5A, sizeof record);   // no NUL unless the input brings one
    std::memcpy(record, data, std::min(size, sizeof record));
    const QString shown = DecodePresetName(record);
    const QByteArray entered = EncodePresetName(shown);
    if (entered.size() > kPresetNameMaxBytes || entered.contains('\0'))
        std::abort();
    char again[kPresetRecordSize] = {};
    std::memcpy(again, entered.constData(), static_cast<std::size_t>(entered.size()));
    if (FitsPresetName(shown) && DecodePresetName(again) != shown)
        std::abort();
    return 0;
}
