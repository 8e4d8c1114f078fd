// Filter text read into a channel's bands: small files in each format (REW with
// its header and padded columns, Equalizer APO with sections and comments,
// AutoEQ, comma decimals, every filter type, lines that are not filters, more
// than twelve filters), the exact band codes, notes and reported difference.
#include "model/FilterImport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr int kDefaultGainCode = 80;   // 0 dB

struct Codes {
    int freqHz;
    int gainCode;
    int bwCode;
    int slope;
    int type;
};

struct ExpectedNote {
    int line;
    FilterNoteKind kind;
    FilterReason reason;
    const char* detail;
};

struct ImportCase {
    const char* name;
    std::string text;
    int section;
    std::vector<Codes> bands;   // bands 1..n; the rest: the defaults at 0 dB
    int gainCode;
    std::vector<ExpectedNote> notes;
    double differenceDb;
    double differenceHz;
};

void PrintTo(const ImportCase& c, std::ostream* os) { *os << c.name; }

ChannelBands DefaultBands()
{
    const ChannelBlock block = DefaultChannelBlock();
    ChannelBands bands{};
    std::copy(std::begin(block.bands), std::end(block.bands), bands.begin());
    return bands;
}

Codes CodesOf(const BandParams& band)
{
    return {band.freqHz.Get(), band.gainCode.Get(), band.bwCode.Get(), band.slope, band.type};
}

bool operator==(const Codes& a, const Codes& b)
{
    return a.freqHz == b.freqHz && a.gainCode == b.gainCode && a.bwCode == b.bwCode && a.slope == b.slope &&
           a.type == b.type;
}

std::ostream& operator<<(std::ostream& os, const Codes& c)
{
    return os << '{' << c.freqHz << ", " << c.gainCode << ", " << c.bwCode << ", " << c.slope << ", " << c.type
              << '}';
}

constexpr auto kRefused = FilterNoteKind::Refused;
constexpr auto kLeftOut = FilterNoteKind::LeftOut;
constexpr auto kAdjusted = FilterNoteKind::Adjusted;

const std::string kRew =
    "Filter Settings file\n"
    "\n"
    "Room EQ V5.20\n"
    "Dated: 11-Dec-2026 09:15:02\n"
    "\n"
    "Notes:Living room, left speaker\n"
    "\n"
    "Equaliser: Generic\n"
    "Average 1\n"
    "Filter  1: ON  PK       Fc   63.0 Hz  Gain  -5.0 dB  Q  4.00\n"
    "Filter  2: ON  PK       Fc   125 Hz   Gain  -3.5 dB  Q  2.000\n"
    "Filter  3: ON  LS 12dB  Fc   80.0 Hz  Gain   3.0 dB\n"
    "Filter  4: OFF PK       Fc   900 Hz   Gain  -2.0 dB  Q  1.000\n"
    "Filter  5: ON  None\n"
    "Filter  6: ON  Modal    Fc   47.5 Hz  Gain  -8.0 dB  Q  6.500\n";

const std::string kApo =
    "# Equalizer APO configuration for the desk speakers\r\n"
    "Device: Speakers High Definition Audio Device\r\n"
    "Preamp: -4 dB\r\n"
    "Channel: L\r\n"
    "Filter: ON PK Fc 100 Hz Gain -3 dB Q 1.0\r\n"
    "Filter: ON PK Fc 2500 Hz Gain 2 dB BW Oct 0.5\r\n"
    "Channel: R\r\n"
    "Preamp: -1 dB\r\n"
    "Filter 1: ON PK Fc 120 Hz Gain -4 dB Q 2\r\n"
    "Channel: all\r\n"
    "Filter: ON HSC Fc 10000 Hz Gain -2 dB\r\n";

const std::string kAutoEq =
    "Preamp: -6.4 dB\n"
    "Filter 1: ON LSC Fc 105 Hz Gain 6.2 dB Q 0.70\n"
    "Filter 2: ON PK Fc 160 Hz Gain -2.9 dB Q 0.49\n"
    "Filter 3: ON PK Fc 1380 Hz Gain 1.8 dB Q 1.35\n"
    "Filter 4: ON PK Fc 3150 Hz Gain -3.6 dB Q 2.71\n"
    "Filter 5: ON PK Fc 5600 Hz Gain 4.4 dB Q 3.95\n"
    "Filter 6: ON PK Fc 7400 Hz Gain -2.2 dB Q 5.20\n"
    "Filter 7: ON PK Fc 9200 Hz Gain 1.5 dB Q 2.10\n"
    "Filter 8: ON PK Fc 12000 Hz Gain -1.2 dB Q 1.80\n"
    "Filter 9: ON PK Fc 45 Hz Gain 0.9 dB Q 1.10\n"
    "Filter 10: ON HSC Fc 10000 Hz Gain 3.1 dB Q 0.70\n";

const std::string kCommaDecimals =
    "Preamp: -2,5 dB\n"
    "Filter 1: ON PK Fc 63,5 Hz Gain -5,5 dB Q 4,25\n"
    "Filter 2: ON HSC Fc 6000 Hz Gain 2,5 dB Q 0,5\n";

const std::string kEveryType =
    "Filter: ON LP Fc 18000 Hz\n"
    "Filter: ON HP Fc 30 Hz\n"
    "Filter: ON LPQ Fc 18000 Hz Q 0.7\n"
    "Filter: ON HPQ Fc 30 Hz Q 0.7\n"
    "Filter: ON BP Fc 1000 Hz BW Oct 1\n"
    "Filter: ON NO Fc 50 Hz\n"
    "Filter: ON AP Fc 500 Hz Q 0.7\n"
    "Filter: ON XYZ Fc 500 Hz Gain 1 dB Q 1\n"
    "Filter: ON PEQ Fc 250 Hz Gain 2 dB Q 1.5\n"
    "Filter: ON LS 6dB Fc 60 Hz Gain 4 dB\n"
    "Filter: ON HS 6dB Fc 9000 Hz Gain -4 dB\n"
    "Filter: ON LS 12dB Fc 60 Hz Gain 4 dB\n"
    "Filter: ON HS 12dB Fc 9000 Hz Gain -4 dB\n"
    "Filter: ON LSC 10 dB Fc 200 Hz Gain -3 dB\n"
    "Filter: ON HS Fc 4000 Hz Gain 2 dB\n"
    "Filter: ON LS Fc 40 Hz Gain 2 dB\n";

const std::string kNotFilters =
    "Hello world\n"
    "Volume: 5\n"
    "GraphicEQ: 25 0; 40 -2\n"
    "Filter: ON PK Fc abc Hz Gain 1 dB Q 1\n"
    "Filter: ON PK Fc 100 Hz Gain 1 dB\n"
    "Filter: ON PK Gain 1 dB Q 1\n"
    "Filter: ON PK Fc 100 Hz Gain nan dB Q 1\n"
    "Filter: ON PK Fc 1e300 Hz Gain 1 dB Q 1\n"
    "Filter: ON PK Fc 30000 Hz Gain 1 dB Q 1\n"
    "Filter: ON PK Fc 100 Hz Gain 1 dB Q 1 Zap 3\n"
    "Filter: ON PK Fc 100 Hz Gain 1 dB Q 1" + std::string(1000, ' ') + "\n"
    "Filter: ON PK Fc 10 Hz Gain 15 dB Q 0.1\n"
    "Filter: ON PK Fc 1000 Hz Gain -3 dB Q 500\n"
    "Filter: ON LSC 30 dB Fc 100 Hz Gain 12 dB\n"
    "Preamp: -95 dB\n"
    "Filter: ON HSC 40 dB Fc 1000 Hz Gain 30 dB\n"
    "Filter: ON PK Fc 1000 Hz Gain 80 dB Q 1\n"
    "Preamp: inf dB\n";

std::string FourteenFilters()
{
    std::string text;
    for (int n = 1; n <= 14; ++n)
        text += "Filter " + std::to_string(n) + ": ON PK Fc " + std::to_string(100 * n) + " Hz Gain -1.0 dB Q 2.0\n";
    return text;
}

std::vector<Codes> FourteenFiltersBands()
{
    std::vector<Codes> bands;
    for (int n = 1; n <= kBandCount; ++n)
        bands.push_back({100 * n, 110, 31, 0, 0});
    return bands;
}

const ImportCase kImportCases[] = {
    {"rew with header, padding, None and OFF", kRew, 0,
     {{63, 70, 13, 0, 0}, {125, 85, 31, 0, 0}, {63, 150, 32, 1, 1}, {48, 40, 6, 0, 0}},
     kDefaultGainCode,
     {{13, kLeftOut, FilterReason::SwitchedOff, "PK"}},
     0.997, 46.0},
    {"apo section L", kApo, 0,
     {{100, 90, 64, 0, 0}, {2500, 140, 20, 0, 0}, {13000, 100, 32, 1, 2}},
     76,
     {{2, kRefused, FilterReason::CommandNotImported, "Device"}},
     0.132, 14304.0},
    {"apo section R", kApo, 1,
     {{120, 80, 31, 0, 0}, {13000, 100, 32, 1, 2}},
     75,
     {{2, kRefused, FilterReason::CommandNotImported, "Device"}},
     0.129, 14353.5},
    {"autoeq", kAutoEq, 0,
     {{83, 182, 32, 1, 1}, {160, 91, 124, 0, 0}, {1380, 138, 47, 0, 0}, {3150, 84, 21, 0, 0},
      {5600, 164, 12, 0, 0}, {7400, 98, 7, 0, 0}, {9200, 135, 21, 0, 0}, {12000, 108, 20, 0, 0},
      {45, 129, 59, 0, 0}, {13000, 151, 32, 1, 2}},
     74, {}, 0.672, 6050.2},
    {"comma decimals", kCommaDecimals, 0,
     {{64, 65, 12, 0, 0}, {13200, 145, 32, 0, 2}},
     78, {}, 0.869, 60.0},
    {"every type", kEveryType, 0,
     {{250, 140, 42, 0, 0}, {30, 160, 32, 0, 1}, {19800, 80, 32, 0, 2}, {47, 160, 32, 1, 1},
      {11700, 80, 32, 1, 2}, {157, 90, 32, 1, 1}, {5200, 140, 32, 1, 2}, {31, 140, 32, 1, 1}},
     kDefaultGainCode,
     {{1, kRefused, FilterReason::UnsupportedType, "LP"},
      {2, kRefused, FilterReason::UnsupportedType, "HP"},
      {3, kRefused, FilterReason::UnsupportedType, "LPQ"},
      {4, kRefused, FilterReason::UnsupportedType, "HPQ"},
      {5, kRefused, FilterReason::UnsupportedType, "BP"},
      {6, kRefused, FilterReason::UnsupportedType, "NO"},
      {7, kRefused, FilterReason::UnsupportedType, "AP"},
      {8, kRefused, FilterReason::UnsupportedType, "XYZ"}},
     0.514, 17358.0},
    {"lines that are not filters, values out of range", kNotFilters, 0,
     {{20, 240, 295, 0, 0}, {79, 240, 32, 1, 1}},
     0,
     {{1, kRefused, FilterReason::NotUnderstood, ""},
      {2, kRefused, FilterReason::NotUnderstood, ""},
      {3, kRefused, FilterReason::CommandNotImported, "GraphicEQ"},
      {4, kRefused, FilterReason::BadNumber, "abc"},
      {5, kRefused, FilterReason::MissingWidth, ""},
      {6, kRefused, FilterReason::MissingFrequency, ""},
      {7, kRefused, FilterReason::BadNumber, "nan"},
      {8, kRefused, FilterReason::BadNumber, "1e300"},
      {9, kRefused, FilterReason::FrequencyOutOfRange, "30000"},
      {10, kRefused, FilterReason::UnexpectedWord, "Zap"},
      {11, kRefused, FilterReason::LineTooLong, ""},
      {12, kAdjusted, FilterReason::FrequencyLimited, ""},
      {12, kAdjusted, FilterReason::WidthLimited, ""},
      {12, kAdjusted, FilterReason::GainLimited, ""},
      {13, kRefused, FilterReason::WidthOutOfRange, "Q 500"},
      {15, kAdjusted, FilterReason::PreampLimited, ""},
      {16, kRefused, FilterReason::SlopeTooSteep, "40"},
      {17, kRefused, FilterReason::GainOutOfRange, "80"},
      {18, kRefused, FilterReason::BadNumber, "inf"}},
     20.430, 152.0},
    {"more than twelve filters", FourteenFilters(), 0, FourteenFiltersBands(), kDefaultGainCode,
     {{13, kLeftOut, FilterReason::BeyondBands, ""}, {14, kLeftOut, FilterReason::BeyondBands, ""}},
     1.983, 1345.7},
};

class FilterTextImport : public testing::TestWithParam<ImportCase> {};

TEST_P(FilterTextImport, GivesTheBandCodesNotesAndDifference)
{
    const ImportCase& c = GetParam();
    const ChannelBands before = DefaultBands();
    const FilterImport import = ImportFilters(ParseFilterText(c.text), c.section, before, kDefaultGainCode);

    EXPECT_EQ(import.taken, static_cast<int>(c.bands.size()));
    for (int k = 0; k < kBandCount; ++k) {
        Codes expected = CodesOf(before[k]);
        expected.gainCode = kFlatGainCode;
        if (k < static_cast<int>(c.bands.size()))
            expected = c.bands[k];
        EXPECT_EQ(CodesOf(import.bands[k]), expected) << "band " << k + 1;
    }
    EXPECT_EQ(import.gainCode, c.gainCode);
    EXPECT_EQ(import.preampGiven, c.text.find("Preamp") != std::string::npos);
    ASSERT_EQ(import.notes.size(), c.notes.size());
    for (std::size_t n = 0; n < c.notes.size(); ++n) {
        EXPECT_EQ(import.notes[n].line, c.notes[n].line) << "note " << n;
        EXPECT_EQ(import.notes[n].kind, c.notes[n].kind) << "note " << n;
        EXPECT_EQ(import.notes[n].reason, c.notes[n].reason) << "note " << n;
        EXPECT_EQ(import.notes[n].detail, c.notes[n].detail) << "note " << n;
    }
    EXPECT_NEAR(import.largestDifferenceDb, c.differenceDb, 0.0005);
    EXPECT_NEAR(import.largestDifferenceHz, c.differenceHz, 0.05);
}

INSTANTIATE_TEST_SUITE_P(Files, FilterTextImport, testing::ValuesIn(kImportCases));

// Files whose filters the unit's grid holds (centres on its grid frequencies, gains in
// 0.1 dB, widths near its 0.01 octave steps, shelves of its two slopes): the unit's curve
// is the file's.
struct CurveCase {
    const char* name;
    std::string text;
    double withinDb;
};

void PrintTo(const CurveCase& c, std::ostream* os) { *os << c.name; }

const CurveCase kCurveCases[] = {
    {"REW's one-octave peak", "Filter Settings file\nFilter  1: ON  PK       Fc   1000 Hz  Gain  -3.00 dB  Q  1.410\n",
     0.01},
    {"peaks by Q",
     "Filter 1: ON PK Fc 125 Hz Gain -6.0 dB Q 4.32\n"
     "Filter 2: ON PK Fc 500 Hz Gain 3.5 dB Q 0.7\n"
     "Filter 3: ON PK Fc 2000 Hz Gain -4.0 dB Q 2.5\n"
     "Filter 4: ON PK Fc 62.5 Hz Gain -9.0 dB Q 8\n",
     0.1},
    {"peaks by BW Oct",
     "Filter: ON PK Fc 250 Hz Gain -4.5 dB BW Oct 0.5\n"
     "Filter: ON PK Fc 1000 Hz Gain 2.0 dB BW Oct 2\n"
     "Filter: ON PK Fc 4000 Hz Gain -3.0 dB BW Oct 1\n",
     0.1},
    {"Equalizer APO, comma decimals",
     "Preamp: -6 dB\nFilter: ON PK Fc 1000 Hz Gain -6,5 dB Q 4,32\nFilter: ON PK Fc 158 Hz Gain 5,5 dB Q 1,2\n",
     0.1},
    {"shelves of the unit's slopes",
     "Filter 1: ON LS 6dB Fc 200 Hz Gain 4.0 dB\n"
     "Filter 2: ON HSC Fc 3846.15 Hz Gain -3.0 dB Q 0.7248\n"
     "Filter 3: ON LSC Fc 127.27 Hz Gain -5.0 dB Q 0.7253\n",
     0.1},
};

class FilterCurveImport : public testing::TestWithParam<CurveCase> {};

TEST_P(FilterCurveImport, TheUnitsCurveIsTheFiles)
{
    const CurveCase& c = GetParam();
    const FilterImport import = ImportFilters(ParseFilterText(c.text), 0, DefaultBands(), kDefaultGainCode);
    EXPECT_TRUE(import.notes.empty());
    EXPECT_GT(import.taken, 0);
    EXPECT_LE(import.largestDifferenceDb, c.withinDb) << "at " << import.largestDifferenceHz << " Hz";
}

INSTANTIATE_TEST_SUITE_P(Files, FilterCurveImport, testing::ValuesIn(kCurveCases));

// A peak's Q becomes half its standard bandwidth in the unit's octaves.
TEST(FilterImport, APeaksUnitOctavesAreHalfItsStandardBandwidth)
{
    const FilterImport rew = ImportFilters(ParseFilterText("Filter 1: ON PK Fc 1000 Hz Gain -3.00 dB Q 1.410\n"), 0,
                                           DefaultBands(), kDefaultGainCode);
    EXPECT_EQ(rew.bands[0].bwCode.Get(), 45);   // 0.50 octave: the standard octave halved
    const FilterImport bw = ImportFilters(ParseFilterText("Filter: ON PK Fc 100 Hz Gain -3 dB BW Oct 1.4\n"), 0,
                                          DefaultBands(), kDefaultGainCode);
    EXPECT_EQ(bw.bands[0].bwCode.Get(), 65);    // 0.70 octave
    EXPECT_NEAR(UnitOctavesOfFileQ(std::sqrt(2.0), 20.0), 0.5, 1e-5);
    EXPECT_NEAR(FileQOfUnitOctaves(UnitOctavesOfFileQ(4.32, 9000.0), 9000.0), 4.32, 1e-9);
}

TEST(FilterText, SectionsAreTheChannelsTheFileNames)
{
    const FilterText text = ParseFilterText(kApo);
    EXPECT_EQ(text.sections, (std::vector<std::string>{"L", "R"}));
    EXPECT_TRUE(ParseFilterText(kAutoEq).sections.empty());
    EXPECT_EQ(ParseFilterText("Channel: 1 2\nChannel: all\nChannel: 2 C\n").sections,
              (std::vector<std::string>{"1", "2", "C"}));
}

TEST(FilterText, ASectionHoldsItsOwnLinesAndThoseForAllChannels)
{
    const FilterText text = ParseFilterText("Preamp: -2 dB\nChannel: L\nFilter: ON PK Fc 100 Hz Gain 1 dB Q 1\n"
                                            "Channel: R\nFilter: ON LP Fc 100 Hz\n");
    ASSERT_EQ(text.items.size(), 3u);
    const bool expected[3][2] = {{true, true}, {true, false}, {false, true}};   // preamp, PK, LP's note
    for (int i = 0; i < 3; ++i) {
        for (int s = 0; s < 2; ++s)
            EXPECT_EQ(AppliesToSection(text, text.items[i], s), expected[i][s]) << "item " << i << " section " << s;
    }
    EXPECT_FALSE(AppliesToSection(text, text.items[0], 2)) << "no such section";
    EXPECT_TRUE(HoldsFilters(text, 0));
    EXPECT_TRUE(HoldsFilters(text, 1)) << "the preamp is for every channel";
    EXPECT_FALSE(HoldsFilters(ParseFilterText("Channel: L\nFilter: ON PK Fc 100 Hz Gain 1 dB Q 1\nChannel: R\n"), 1));
    EXPECT_FALSE(HoldsFilters(ParseFilterText("# nothing\nFilter: ON HP Fc 30 Hz\n"), 0));
}

TEST(FilterText, AUtf8ByteOrderMarkAndAMissingLastNewlineChangeNothing)
{
    const std::string plain = "Filter: ON PK Fc 100 Hz Gain -3 dB Q 1.0";
    const FilterText text = ParseFilterText("\xEF\xBB\xBF" + plain);
    ASSERT_EQ(text.items.size(), 1u);
    EXPECT_EQ(text.items[0].kind, FilterTextItem::Kind::Filter);
    EXPECT_EQ(text.items[0].line, 1);
    EXPECT_DOUBLE_EQ(text.items[0].filter.hz, 100.0);
    EXPECT_DOUBLE_EQ(text.items[0].filter.gainDb, -3.0);
    EXPECT_DOUBLE_EQ(text.items[0].filter.q, 1.0);
}

// The bytes of a UTF-16 text with its byte order mark.
std::string Utf16Bytes(std::u16string_view text, bool bigEndian)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
        const char high = static_cast<char>(c >> 8);
        const char low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

TEST(FilterText, Utf16WithItsByteOrderMarkReadsAsUtf8Does)
{
    const std::u16string text = u"Preamp: -2 dB\r\nFilter 1: ON PK Fc 100 Hz Gain -3 dB Q 1.0\r\n# Gr\u00FC\u00DFe\r\n";
    for (bool bigEndian : {false, true}) {
        const FilterText read = ParseFilterText(Utf16Bytes(text, bigEndian));
        ASSERT_EQ(read.items.size(), 2u) << "big endian " << bigEndian;
        EXPECT_EQ(read.items[0].kind, FilterTextItem::Kind::Preamp);
        EXPECT_EQ(read.items[0].preampDb, -2.0);
        EXPECT_EQ(read.items[1].line, 2);
        EXPECT_DOUBLE_EQ(read.items[1].filter.hz, 100.0);
        EXPECT_DOUBLE_EQ(read.items[1].filter.gainDb, -3.0);
        EXPECT_DOUBLE_EQ(read.items[1].filter.q, 1.0);
    }
    const FilterText unreadable = ParseFilterText(Utf16Bytes(u"Filter: ON PK Fc 1\u00B700 Hz Gain 1 dB Q 1\n", false));
    ASSERT_EQ(unreadable.items.size(), 1u);
    EXPECT_EQ(unreadable.items[0].note.reason, FilterReason::BadNumber);
    EXPECT_EQ(unreadable.items[0].note.detail, "1?00");
}

struct NoteTextCase {
    FilterNote note;
    const char* text;
};

TEST(FilterText, EveryNoteReadsAsOneLine)
{
    const NoteTextCase cases[] = {
        {{3, kRefused, FilterReason::UnsupportedType, "LP", 0.0}, "LP is not a peaking or shelf filter"},
        {{3, kRefused, FilterReason::CommandNotImported, "GraphicEQ", 0.0}, "GraphicEQ lines are not imported"},
        {{3, kRefused, FilterReason::BadNumber, "abc", 0.0}, "\"abc\" is not a number"},
        {{3, kRefused, FilterReason::FrequencyOutOfRange, "30000", 0.0}, "Fc 30000 Hz is outside 0..24000 Hz"},
        {{3, kRefused, FilterReason::LineTooLong, "", 0.0}, "line longer than 1000 characters"},
        {{3, kLeftOut, FilterReason::SwitchedOff, "PK", 0.0}, "switched off"},
        {{3, kLeftOut, FilterReason::BeyondBands, "", 0.0}, "beyond the unit's 12 bands"},
        {{3, kAdjusted, FilterReason::FrequencyLimited, "", 20.0}, "frequency limited to 20 Hz"},
        {{3, kAdjusted, FilterReason::GainLimited, "", -12.0}, "gain limited to -12.0 dB"},
        {{3, kAdjusted, FilterReason::WidthLimited, "", 3.0}, "width limited to 3.00 octaves"},
        {{3, kAdjusted, FilterReason::PreampLimited, "", 10.0}, "preamp limited to +10 dB"},
    };
    for (const NoteTextCase& c : cases)
        EXPECT_EQ(FilterNoteText(c.note), c.text);
}

// Low down a file's band is as wide as the analog one; towards half its sample rate wider.
TEST(FilterText, QAndBandwidthConvertExactlyAsTheFilesDesignHasThem)
{
    const struct {
        double q;
        double hz;
        double octaves;
    } cases[] = {{std::sqrt(2.0), 20.0, 1.0},     {2.8709999, 20.0, 0.5},       {0.6666667, 20.0, 2.0},
                 {0.4040610, 20.0, 3.0},         {28.8524568, 20.0, 0.05},     {std::sqrt(2.0), 1000.0, 0.9971467},
                 {std::sqrt(2.0), 12000.0, 0.6366198}, {4.32, 16000.0, 0.1377837}};
    for (const auto& c : cases) {
        EXPECT_NEAR(FileBandwidthOfQ(c.q, c.hz), c.octaves, 1e-5 * c.octaves) << "Q " << c.q << " at " << c.hz << " Hz";
        EXPECT_NEAR(FileQOfBandwidth(c.octaves, c.hz), c.q, 1e-5 * c.q) << "BW " << c.octaves << " at " << c.hz << " Hz";
    }
    EXPECT_NEAR(OctavesToExactQ(1.0), std::sqrt(2.0), 1e-9);
}

TEST(FilterText, ShelfSlopeAndQConvertBothWays)
{
    EXPECT_NEAR(ShelfQOfSlope(1.0, 6.0), 1.0 / std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(ShelfQOfSlope(0.5, 0.0), 0.5, 1e-12);
    for (double gain : {-12.0, -3.0, 0.0, 4.5, 12.0}) {
        for (double slope : {0.3, 0.5, 1.0, 1.05, 1.2})
            EXPECT_NEAR(ShelfSlopeOfQ(ShelfQOfSlope(slope, gain), gain), slope, 1e-9) << gain << " dB, S " << slope;
    }
    EXPECT_EQ(ShelfQOfSlope(4.0, 30.0), 0.0) << "overshoots";
}

}  // namespace
