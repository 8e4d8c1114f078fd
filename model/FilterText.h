// Filter lists as text, the way Room EQ Wizard ("Filter Settings file"),
// Equalizer APO (config.txt) and AutoEQ (ParametricEQ.txt) write them: read
// line by line into peaking and shelf filters, preamps and the reasons a line
// was not taken. Either '.' or ',' may be the decimal mark; the text may be
// UTF-8 or, with its byte order mark, UTF-16.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A line longer than this is refused whole; a file is read at most kMaxFilterTextBytes long.
constexpr std::size_t kMaxFilterLineLength = 1000;
constexpr std::size_t kMaxFilterTextBytes = 1'000'000;
// The sample rate the file's own curve is taken at, and the highest centre it may name below it.
constexpr double kFileSampleRate = 48000.0;
constexpr double kMaxFileFreqHz = kFileSampleRate / 2.0;
// A file's filters are designed with 2 pi itself (the unit's model takes kTwoPi).
constexpr double kExactTwoPi = 6.283185307179586;
// What a file may ask for at all; beyond these a line is refused, not limited.
constexpr double kMaxFileGainDb = 60.0;
constexpr double kMaxFileQ = 100.0;
constexpr double kMaxFileOctaves = 10.0;
constexpr double kMaxFileSlopeDb = 48.0;
constexpr double kMaxFilePreampDb = 100.0;
// Channel names a file's Channel lines may name; more are refused.
constexpr int kMaxFilterSections = 32;
// Filter lines a file may have: a real one has a few dozen at most, so a file
// with more is no filter list and is refused whole.
constexpr int kMaxFilterLines = 1000;

enum class TextFilterKind { Peak, LowShelf, HighShelf };

// One filter as the file describes it. The shelf's Q is the one of the RBJ
// shelf design (a slope given instead of a Q is turned into it).
struct TextFilter {
    TextFilterKind kind = TextFilterKind::Peak;
    double hz = 0.0;       // centre of a peak, mid-gain frequency of a shelf
    double gainDb = 0.0;
    double q = 0.0;
};

enum class FilterNoteKind {
    Refused,    // the line says something the unit cannot do, or it cannot be read
    LeftOut,    // a filter the file holds but does not take (switched off, no band left)
    Adjusted,   // taken, with a value brought inside what the unit has
};

enum class FilterReason {
    LineTooLong,
    NotUnderstood,
    CommandNotImported,   // detail: the command ("GraphicEQ")
    UnsupportedType,      // detail: the type ("LP")
    UnexpectedWord,       // detail: the word
    MissingFrequency,
    MissingGain,
    MissingWidth,
    BadNumber,            // detail: the text
    FrequencyOutOfRange,  // detail: the number as written
    GainOutOfRange,
    WidthOutOfRange,
    SlopeOutOfRange,
    SlopeTooSteep,        // no shelf of that slope reaches that gain without overshoot
    PreampOutOfRange,
    TooManySections,
    SwitchedOff,
    BeyondBands,
    FrequencyLimited,     // value: the frequency taken, in Hz
    GainLimited,          // value: the gain taken, in dB
    WidthLimited,         // value: the width taken, in octaves
    PreampLimited,        // value: the channel gain taken, in dB
};

struct FilterNote {
    int line = 0;   // 1-based
    FilterNoteKind kind = FilterNoteKind::Refused;
    FilterReason reason = FilterReason::NotUnderstood;
    std::string detail;
    double value = 0.0;

    friend bool operator==(const FilterNote&, const FilterNote&) = default;
};

// One line that matters: a filter, a preamp or a note, and the channels it applies to.
struct FilterTextItem {
    enum class Kind { Filter, Preamp, Note };
    Kind kind = Kind::Note;
    int line = 0;
    TextFilter filter;
    double preampDb = 0.0;
    FilterNote note;
    std::uint32_t sections = kAllSections;   // bit s: applies to sections[s]

    static constexpr std::uint32_t kAllSections = 0xFFFFFFFFu;
};

struct FilterText {
    // The channel names the file's "Channel:" lines give, in order; empty when it names none.
    std::vector<std::string> sections;
    std::vector<FilterTextItem> items;
    int filterLines = 0;   // "Filter" lines, taken or not
};

// Reads the whole text. Never fails: what cannot be read is a note on its line.
FilterText ParseFilterText(std::string_view text);

// Whether a line applies to a section (an index into text.sections); every line
// does when the file names no sections.
bool AppliesToSection(const FilterText& text, const FilterTextItem& item, int section);
// Whether the section holds a filter or a preamp at all.
bool HoldsFilters(const FilterText& text, int section);

// RBJ shelf Q of a shelf slope S at a gain; 0 when that slope overshoots at that gain.
double ShelfQOfSlope(double slope, double gainDb);
// The shelf slope S an RBJ shelf of that Q has at that gain; a very large
// number where the Q is steeper than any slope.
double ShelfSlopeOfQ(double q, double gainDb);
// Q <-> octaves of an analog band: BW = 2 / ln 2 * asinh(1 / (2 Q)). Unlike
// OctavesToQ of the band description, with ln 2 itself.
double OctavesToExactQ(double octaves);
// Q <-> bandwidth in octaves of a file's peak at hz, as its kFileSampleRate
// design has it (the cookbook's digital bandwidth, w = 2 pi hz / rate):
// BW = 2 / ln 2 * asinh(1 / (2 Q)) * sin w / w.
double FileBandwidthOfQ(double q, double hz);
double FileQOfBandwidth(double octaves, double hz);

// The note in one English line, for the command line: "LP filters are not
// peaking or shelf filters".
std::string FilterNoteText(const FilterNote& note);
