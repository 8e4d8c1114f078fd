#include "model/FilterImport.h"

#include "model/SettingFields.h"

#include <algorithm>
#include <cmath>

namespace {

const Linear& GainScale() { return *codecs::kGain.linear; }

struct DescribedCurve {
    std::vector<TextFilter> filters;   // every filter the section holds, taken or not
    std::optional<double> preampDb;    // the sum of its preamps
    int preampLine = 0;                // the last of them
};

struct PointAngles {
    double cosW;
    double sinW;
};

// cos and sin of each point of the difference grid, for the file's sections and the unit's.
struct DifferenceAngles {
    std::vector<PointAngles> file;
    std::vector<PointAngles> unit;
};

const DifferenceAngles& GridAngles()
{
    static const DifferenceAngles angles = [] {
        DifferenceAngles a;
        for (int i = 0; i < kDifferencePoints; ++i) {
            const double hz = DifferenceGridHz(i);
            const double fileW = kExactTwoPi * hz / kFileSampleRate;
            const double unitW = kTwoPi * hz / kSampleRate;   // as the model takes its angles
            a.file.push_back({std::cos(fileW), std::sin(fileW)});
            a.unit.push_back({std::cos(unitW), std::sin(unitW)});
        }
        return a;
    }();
    return angles;
}

double SumDb(const std::vector<BiquadSection>& sections, const PointAngles& at)
{
    double db = 0.0;
    for (const BiquadSection& s : sections)
        db += SectionDbAtAngle(s, at.cosW, at.sinW);
    return db;
}

FilterNote Adjusted(int line, FilterReason reason, double value)
{
    return FilterNote{line, FilterNoteKind::Adjusted, reason, {}, value};
}

std::int16_t FreqCode(double hz, int line, std::vector<FilterNote>& notes)
{
    const long rounded = std::lround(hz);
    const long code = std::clamp<long>(rounded, kMinFreqHz, kMaxFreqHz);
    if (code != rounded)
        notes.push_back(Adjusted(line, FilterReason::FrequencyLimited, static_cast<double>(code)));
    return static_cast<std::int16_t>(code);
}

std::int16_t GainCode(double db, int line, std::vector<FilterNote>& notes)
{
    const double limited = std::clamp(db, -kMaxGainDb, kMaxGainDb);
    if (limited != db)
        notes.push_back(Adjusted(line, FilterReason::GainLimited, limited));
    return static_cast<std::int16_t>(std::clamp(DbToGainCode(limited), kMinGainCode, kMaxGainCode));
}

std::int16_t WidthCode(double q, double hz, int line, std::vector<FilterNote>& notes)
{
    const long rounded = std::lround((UnitOctavesOfFileQ(q, hz) - kMinBwOct) * 100.0);
    const long code = std::clamp<long>(rounded, kMinBwCode, kMaxBwCode);
    if (code != rounded)
        notes.push_back(Adjusted(line, FilterReason::WidthLimited, BwCodeToOctaves(static_cast<int>(code))));
    return static_cast<std::int16_t>(code);
}

// The unit's slope option whose shelf slope S lies nearest the filter's.
int NearestSlopeOption(const TextFilter& filter)
{
    const double slope = ShelfSlopeOfQ(filter.q, filter.gainDb);
    const double gentle = std::abs(slope - ShelfSlopeOf(kSlope6dBPerOct));
    const double steep = std::abs(slope - ShelfSlopeOf(kSlope12dBPerOct));
    return gentle <= steep ? kSlope6dBPerOct : kSlope12dBPerOct;
}

// The unit designs a shelf at its frequency times a factor: the band's
// frequency is the one whose design corner is the file's frequency.
BandParams BandOf(const TextFilter& filter, const BandParams& before, int line, std::vector<FilterNote>& notes)
{
    BandParams band = before;
    if (filter.kind == TextFilterKind::Peak) {
        band.type = FILTER_PEAK;
        band.freqHz.Set(FreqCode(filter.hz, line, notes));
        band.bwCode.Set(WidthCode(filter.q, filter.hz, line, notes));
    } else {
        const int type = filter.kind == TextFilterKind::LowShelf ? FILTER_LOW_SHELF : FILTER_HIGH_SHELF;
        const int option = NearestSlopeOption(filter);
        band.type = static_cast<std::uint8_t>(type);
        band.slope = static_cast<std::uint8_t>(option);
        band.freqHz.Set(FreqCode(filter.hz / ShelfCornerFactor(type, option), line, notes));
    }
    band.gainCode.Set(GainCode(filter.gainDb, line, notes));
    return band;
}

double LargestOf(const DescribedCurve& file, const FilterImport& import, double& atHz)
{
    std::vector<BiquadSection> fileSections;
    for (const TextFilter& filter : file.filters)
        fileSections.push_back(FileFilterSection(filter));
    std::vector<BiquadSection> unitSections;
    for (const BandParams& band : import.bands)
        unitSections.push_back(BandSection(band));
    const double fileGain = file.preampDb.value_or(0.0);
    const double unitGain = file.preampDb ? ChannelGainDb(import.gainCode) : 0.0;
    const DifferenceAngles& angles = GridAngles();
    double largest = -1.0;
    for (int i = 0; i < kDifferencePoints; ++i) {
        const double fileDb = fileGain + SumDb(fileSections, angles.file[i]);
        const double unitDb = unitGain + SumDb(unitSections, angles.unit[i]);
        const double difference = std::abs(fileDb - unitDb);
        if (difference > largest) {
            largest = difference;
            atHz = DifferenceGridHz(i);
        }
    }
    return largest;
}

}  // namespace

ChannelBands ChannelBandsOf(const ChannelBlock& block)
{
    ChannelBands bands{};
    std::copy(std::begin(block.bands), std::end(block.bands), bands.begin());
    return bands;
}

double DifferenceGridHz(int i)
{
    const double span = std::log(kDifferenceHighHz / kDifferenceLowHz);
    return kDifferenceLowHz * std::exp(span * i / (kDifferencePoints - 1));
}

BiquadSection FileFilterSection(const TextFilter& filter)
{
    const double w0 = kExactTwoPi * filter.hz / kFileSampleRate;
    const double A = std::pow(10.0, filter.gainDb / 40.0);
    const double alpha = std::sin(w0) / (2.0 * filter.q);   // alpha from Q
    if (filter.kind == TextFilterKind::Peak)
        return RbjPeakSection(w0, A, alpha);
    return RbjShelfSection(filter.kind == TextFilterKind::HighShelf, w0, A, alpha);
}

double UnitOctavesOfFileQ(double q, double hz)
{
    return FileBandwidthOfQ(q, hz) / 2.0;
}

double FileQOfUnitOctaves(double octaves, double hz)
{
    return FileQOfBandwidth(2.0 * octaves, hz);
}

double ChannelGainDb(int gainCode)
{
    return GainScale().Value(gainCode);
}

int ChannelGainCode(double db)
{
    const Linear& scale = GainScale();
    const long code = std::lround(db - scale.MinValue()) + scale.codeMin;
    return static_cast<int>(std::clamp<long>(code, scale.codeMin, scale.codeMax));
}

FilterImport ImportFilters(const FilterText& text, int section, const ChannelBands& bands, int gainCode)
{
    FilterImport import;
    import.bands = bands;
    import.gainCode = gainCode;
    DescribedCurve described;
    for (const FilterTextItem& item : text.items) {
        if (!AppliesToSection(text, item, section))
            continue;
        switch (item.kind) {
        case FilterTextItem::Kind::Note: import.notes.push_back(item.note); break;
        case FilterTextItem::Kind::Preamp:
            described.preampDb = described.preampDb.value_or(0.0) + item.preampDb;
            described.preampLine = item.line;
            break;
        case FilterTextItem::Kind::Filter:
            described.filters.push_back(item.filter);
            if (import.taken == kBandCount) {
                import.notes.push_back(
                    FilterNote{item.line, FilterNoteKind::LeftOut, FilterReason::BeyondBands, {}, 0.0});
                break;
            }
            import.bands[import.taken] = BandOf(item.filter, bands[import.taken], item.line, import.notes);
            ++import.taken;
            break;
        }
    }
    for (int k = import.taken; k < kBandCount; ++k)
        import.bands[k].gainCode.Set(kFlatGainCode);
    if (described.preampDb) {
        import.preampGiven = true;
        import.gainCode = ChannelGainCode(*described.preampDb);
        const Linear& scale = GainScale();
        if (std::clamp(*described.preampDb, scale.MinValue(), scale.MaxValue()) != *described.preampDb)
            import.notes.push_back(
                Adjusted(described.preampLine, FilterReason::PreampLimited, ChannelGainDb(import.gainCode)));
    }
    std::stable_sort(import.notes.begin(), import.notes.end(),
                     [](const FilterNote& a, const FilterNote& b) { return a.line < b.line; });
    import.largestDifferenceDb = LargestOf(described, import, import.largestDifferenceHz);
    return import;
}
