// Reads arbitrary bytes as a filter text file and imports its sections (the
// first few) into a channel, as filters-import and the window do: whatever
// comes, every band code lies in its range, the reported difference is a
// finite number, every note names a line of the file, and the channel written
// back as filter text reads back into the same codes.
#include "model/FilterExport.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

ChannelBands DefaultBands()
{
    const ChannelBlock block = DefaultChannelBlock();
    ChannelBands bands{};
    std::copy(std::begin(block.bands), std::end(block.bands), bands.begin());
    return bands;
}

bool InRange(const BandParams& band)
{
    return band.freqHz.Get() >= kMinFreqHz && band.freqHz.Get() <= kMaxFreqHz && band.gainCode.Get() >= kMinGainCode &&
           band.gainCode.Get() <= kMaxGainCode && band.bwCode.Get() >= kMinBwCode && band.bwCode.Get() <= kMaxBwCode &&
           band.type <= FILTER_HIGH_SHELF;
}

int LineCount(std::string_view text)
{
    return 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// A shelf whose curve's corner lies at or above the file's Nyquist frequency cannot be written back.
bool Exportable(const BandParams& band)
{
    if (band.type == FILTER_PEAK)
        return true;
    return band.freqHz.Get() * ShelfCornerFactor(band.type, band.slope) < kMaxFileFreqHz - 1.0;
}

void CheckImport(const FilterImport& import, int lines)
{
    if (!std::isfinite(import.largestDifferenceDb) || import.largestDifferenceDb < 0.0)
        std::abort();
    if (import.taken < 0 || import.taken > kBandCount)
        std::abort();
    for (const FilterNote& note : import.notes) {
        if (note.line < 1 || note.line > lines)
            std::abort();
    }
    for (int k = 0; k < import.taken; ++k) {
        if (!InRange(import.bands[k]))
            std::abort();
    }
}

void CheckRoundTrip(const FilterImport& import)
{
    if (!std::all_of(import.bands.begin(), import.bands.end(), Exportable))
        return;
    const FilterImport back =
        ImportFilters(ParseFilterText(FilterTextOf(import.bands, import.gainCode)), 0, import.bands, 0);
    if (back.gainCode != import.gainCode || back.taken != kBandCount || !back.notes.empty())
        std::abort();
    if (std::memcmp(back.bands.data(), import.bands.data(), sizeof(BandParams) * kBandCount) != 0)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kMaxFilterTextBytes)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const FilterText parsed = ParseFilterText(text);
    if (parsed.sections.size() > static_cast<std::size_t>(kMaxFilterSections))
        std::abort();
    // a few sections show what every one does, and keep the runs fast
    constexpr int kSectionsTried = 4;
    const int sections = std::clamp<int>(static_cast<int>(parsed.sections.size()), 1, kSectionsTried);
    for (int s = 0; s < sections; ++s) {
        const FilterImport import = ImportFilters(parsed, s, DefaultBands(), 80);
        CheckImport(import, LineCount(text));
        CheckRoundTrip(import);
    }
    return 0;
}
