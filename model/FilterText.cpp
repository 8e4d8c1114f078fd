#include "model/FilterText.h"

#include "model/TextLines.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>

namespace {

constexpr std::string_view kRewHeader = "Filter Settings file";
constexpr double kDefaultShelfSlope = 1.0;       // a shelf the file gives no slope or Q
constexpr double kSlopeDbPerS = 12.0;            // S = 1 is the steepest monotonic shelf, 12 dB/Oct
constexpr double kNumberLimit = 1e9;             // larger numbers are not numbers a filter has
constexpr std::size_t kMaxNumberLength = 32;

// Lines of REW's header, and Equalizer APO commands that are not filters.
constexpr std::string_view kHeaderKeys[] = {"NOTES", "DATED", "EQUALISER", "EQUALIZER"};
constexpr std::string_view kOtherCommands[] = {"DEVICE", "INCLUDE", "COPY", "DELAY", "CONVOLUTION",
                                               "GRAPHICEQ", "STAGE", "EVAL", "IF", "ELSEIF", "ELSE",
                                               "ENDIF", "LOUDNESSCORRECTION"};

std::string Upper(std::string_view s)
{
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::vector<std::string_view> Words(std::string_view s)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && IsBlank(s[i]))
            ++i;
        const std::size_t start = i;
        while (i < s.size() && !IsBlank(s[i]))
            ++i;
        if (i > start)
            words.push_back(s.substr(start, i - start));
    }
    return words;
}

bool IsDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool Contains(const auto& list, std::string_view word)
{
    return std::find(std::begin(list), std::end(list), word) != std::end(list);
}

// "63.5", "-3,0", "+6": finite and of a size a filter value can have.
std::optional<double> ParseNumber(std::string_view word)
{
    if (word.empty() || word.size() > kMaxNumberLength)
        return std::nullopt;
    std::string text(word);
    std::replace(text.begin(), text.end(), ',', '.');
    const char* first = text.data();
    if (*first == '+')
        ++first;
    double value = 0.0;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || !std::isfinite(value) || std::abs(value) > kNumberLimit)
        return std::nullopt;
    return value;
}

// A word with its unit written onto it ("6dB", "100Hz") is the number without the unit.
std::string_view WithoutUnit(std::string_view word, std::string_view unit)
{
    if (word.size() > unit.size() && Upper(word.substr(word.size() - unit.size())) == Upper(unit))
        return word.substr(0, word.size() - unit.size());
    return word;
}

FilterNote Note(FilterNoteKind kind, FilterReason reason, std::string_view detail = {})
{
    return FilterNote{0, kind, reason, std::string(detail), 0.0};
}

FilterNote Refusal(FilterReason reason, std::string_view detail = {})
{
    return Note(FilterNoteKind::Refused, reason, detail);
}

// The words after "Filter N:", read left to right.
class FilterWords {
public:
    explicit FilterWords(std::vector<std::string_view> words) : m_words(std::move(words)) {}

    bool AtEnd() const { return m_next >= m_words.size(); }
    std::string_view Peek() const { return AtEnd() ? std::string_view() : m_words[m_next]; }
    std::string_view Take() { return AtEnd() ? std::string_view() : m_words[m_next++]; }
    bool TakeIf(std::string_view upper)
    {
        if (AtEnd() || Upper(Peek()) != upper)
            return false;
        ++m_next;
        return true;
    }

    // A number, its unit either written onto it or the next word.
    std::optional<double> TakeNumber(std::string_view unit, std::string_view& text)
    {
        text = WithoutUnit(Take(), unit);
        const std::optional<double> value = ParseNumber(text);
        if (value && !unit.empty())
            TakeIf(Upper(unit));
        return value;
    }

private:
    std::vector<std::string_view> m_words;
    std::size_t m_next = 0;
};

struct FilterValues {
    std::optional<double> hz;
    std::optional<double> gainDb;
    std::optional<double> q;
    std::optional<double> octaves;
    std::optional<double> slopeDb;
};

// What a filter line gives: a filter, a note, or nothing (REW's empty "None" slot).
struct FilterLine {
    std::optional<TextFilter> filter;
    std::optional<FilterNote> note;
};

FilterLine Refused(FilterReason reason, std::string_view detail = {})
{
    return FilterLine{std::nullopt, Refusal(reason, detail)};
}

std::optional<TextFilterKind> KindOfType(const std::string& type)
{
    if (type == "PK" || type == "PEQ" || type == "MODAL")
        return TextFilterKind::Peak;
    if (type == "LS" || type == "LSC")
        return TextFilterKind::LowShelf;
    if (type == "HS" || type == "HSC")
        return TextFilterKind::HighShelf;
    return std::nullopt;
}

// "LS 6dB", "LSC 10 dB": a shelf's slope in dB per octave, right after its type.
std::optional<FilterNote> ReadSlope(FilterWords& words, FilterValues& values)
{
    const std::string_view next = words.Peek();
    const bool unitOnIt = WithoutUnit(next, "dB").size() != next.size();
    if (!unitOnIt && !ParseNumber(next))
        return std::nullopt;
    std::string_view text;
    values.slopeDb = words.TakeNumber("dB", text);
    if (!values.slopeDb)
        return Refusal(FilterReason::BadNumber, text);
    return std::nullopt;
}

std::optional<FilterNote> ReadValue(FilterWords& words, std::optional<double>& into, std::string_view unit)
{
    std::string_view text;
    into = words.TakeNumber(unit, text);
    if (!into)
        return Refusal(FilterReason::BadNumber, text);
    return std::nullopt;
}

// Fc .. Hz, Gain .. dB, Q .., BW Oct ..
std::optional<FilterNote> ReadValues(FilterWords& words, FilterValues& values)
{
    while (!words.AtEnd()) {
        const std::string_view word = words.Take();
        const std::string key = Upper(word);
        std::optional<FilterNote> refused;
        if (key == "FC")
            refused = ReadValue(words, values.hz, "Hz");
        else if (key == "GAIN")
            refused = ReadValue(words, values.gainDb, "dB");
        else if (key == "Q")
            refused = ReadValue(words, values.q, {});
        else if (key == "BW") {
            words.TakeIf("OCT");
            refused = ReadValue(words, values.octaves, {});
        } else
            refused = Refusal(FilterReason::UnexpectedWord, word);
        if (refused)
            return refused;
    }
    return std::nullopt;
}

std::string NumberText(double value)
{
    char text[48];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::optional<FilterNote> CheckRanges(const FilterValues& v, bool shelf)
{
    if (!v.hz)
        return Refusal(FilterReason::MissingFrequency);
    if (!v.gainDb)
        return Refusal(FilterReason::MissingGain);
    if (!shelf && !v.q && !v.octaves)
        return Refusal(FilterReason::MissingWidth);
    if (*v.hz <= 0.0 || *v.hz >= kMaxFileFreqHz)
        return Refusal(FilterReason::FrequencyOutOfRange, NumberText(*v.hz));
    if (std::abs(*v.gainDb) > kMaxFileGainDb)
        return Refusal(FilterReason::GainOutOfRange, NumberText(*v.gainDb));
    if (v.q && (*v.q <= 0.0 || *v.q > kMaxFileQ))
        return Refusal(FilterReason::WidthOutOfRange, "Q " + NumberText(*v.q));
    if (v.octaves && (*v.octaves <= 0.0 || *v.octaves > kMaxFileOctaves))
        return Refusal(FilterReason::WidthOutOfRange, "BW " + NumberText(*v.octaves));
    if (v.slopeDb && (*v.slopeDb <= 0.0 || *v.slopeDb > kMaxFileSlopeDb))
        return Refusal(FilterReason::SlopeOutOfRange, NumberText(*v.slopeDb));
    return std::nullopt;
}

// A Q given wins over a slope; without either a shelf has the steepest monotonic slope.
std::optional<double> ShelfQ(const FilterValues& v)
{
    if (v.q)
        return *v.q;
    if (v.octaves)
        return OctavesToExactQ(*v.octaves);
    const double slope = v.slopeDb ? *v.slopeDb / kSlopeDbPerS : kDefaultShelfSlope;
    const double q = ShelfQOfSlope(slope, *v.gainDb);
    if (q <= 0.0)
        return std::nullopt;
    return q;
}

FilterLine ReadFilterLine(std::string_view rest)
{
    FilterWords words(Words(rest));
    bool on = true;
    if (words.TakeIf("OFF"))
        on = false;
    else
        words.TakeIf("ON");
    if (words.AtEnd())
        return Refused(FilterReason::NotUnderstood);
    const std::string_view typeWord = words.Take();
    const std::string type = Upper(typeWord);
    if (type == "NONE")
        return {};
    if (!on)
        return FilterLine{std::nullopt, Note(FilterNoteKind::LeftOut, FilterReason::SwitchedOff, typeWord)};
    const std::optional<TextFilterKind> kind = KindOfType(type);
    if (!kind)
        return Refused(FilterReason::UnsupportedType, typeWord);
    const bool shelf = *kind != TextFilterKind::Peak;
    FilterValues values;
    std::optional<FilterNote> refused = shelf ? ReadSlope(words, values) : std::nullopt;
    if (!refused)
        refused = ReadValues(words, values);
    if (!refused)
        refused = CheckRanges(values, shelf);
    if (refused)
        return FilterLine{std::nullopt, refused};
    TextFilter filter{*kind, *values.hz, *values.gainDb, 0.0};
    if (shelf) {
        const std::optional<double> q = ShelfQ(values);
        if (!q)
            return Refused(FilterReason::SlopeTooSteep, NumberText(*values.slopeDb));
        filter.q = *q;
    } else {
        filter.q = values.q ? *values.q : FileQOfBandwidth(*values.octaves, filter.hz);
    }
    return FilterLine{filter, std::nullopt};
}

// Reads one line after another into the text, keeping which channels the lines apply to.
class FilterTextReader {
public:
    void ReadLine(std::string_view line, int number)
    {
        m_line = number;
        if (line.size() > kMaxFilterLineLength) {
            AddNote(Refusal(FilterReason::LineTooLong));
            return;
        }
        line = Trim(line);
        if (line.empty() || line.front() == '#')
            return;
        if (Upper(line) == Upper(kRewHeader)) {
            m_rew = true;
            return;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            NotUnderstood();
            return;
        }
        ReadCommand(Words(line.substr(0, colon)), line.substr(colon + 1));
    }

    FilterText Take() { return std::move(m_text); }

private:
    void ReadCommand(const std::vector<std::string_view>& head, std::string_view rest)
    {
        const std::string name = head.empty() ? std::string() : Upper(head[0]);
        const bool numbered = head.size() == 2 && IsDigits(head[1]);
        if (name == "FILTER" && (head.size() == 1 || numbered))
            ReadFilter(rest);
        else if (head.size() == 1 && name == "PREAMP")
            ReadPreamp(rest);
        else if (head.size() == 1 && name == "CHANNEL")
            ReadChannels(rest);
        else if (head.size() == 1 && Contains(kHeaderKeys, name))
            return;
        else if (head.size() == 1 && Contains(kOtherCommands, name))
            AddNote(Refusal(FilterReason::CommandNotImported, head[0]));
        else
            NotUnderstood();
    }

    // REW's header holds free text (the program's version, the measurement's name).
    void NotUnderstood()
    {
        if (!m_rew)
            AddNote(Refusal(FilterReason::NotUnderstood));
    }

    void ReadFilter(std::string_view rest)
    {
        ++m_text.filterLines;
        const FilterLine read = ReadFilterLine(rest);
        if (read.note)
            AddNote(*read.note);
        if (!read.filter)
            return;
        FilterTextItem item = NewItem(FilterTextItem::Kind::Filter);
        item.filter = *read.filter;
        m_text.items.push_back(item);
    }

    void ReadPreamp(std::string_view rest)
    {
        FilterWords words(Words(rest));
        std::string_view text;
        const std::optional<double> db = words.TakeNumber("dB", text);
        if (!db || !words.AtEnd()) {
            AddNote(db ? Refusal(FilterReason::UnexpectedWord, words.Peek()) : Refusal(FilterReason::BadNumber, text));
            return;
        }
        if (std::abs(*db) > kMaxFilePreampDb) {
            AddNote(Refusal(FilterReason::PreampOutOfRange, NumberText(*db)));
            return;
        }
        FilterTextItem item = NewItem(FilterTextItem::Kind::Preamp);
        item.preampDb = *db;
        m_text.items.push_back(item);
    }

    // "Channel: L R", "Channel: all": the channels the lines below apply to.
    void ReadChannels(std::string_view rest)
    {
        const std::vector<std::string_view> names = Words(rest);
        if (names.empty()) {
            NotUnderstood();
            return;
        }
        std::uint32_t scope = 0;
        for (std::string_view name : names) {
            if (Upper(name) == "ALL") {
                scope = FilterTextItem::kAllSections;
                continue;
            }
            const int section = SectionOf(name);
            if (section < 0) {
                AddNote(Refusal(FilterReason::TooManySections, name));
                continue;
            }
            scope |= 1u << section;
        }
        m_scope = scope;
    }

    int SectionOf(std::string_view name)
    {
        std::vector<std::string>& sections = m_text.sections;
        for (std::size_t s = 0; s < sections.size(); ++s) {
            if (Upper(sections[s]) == Upper(name))
                return static_cast<int>(s);
        }
        if (sections.size() >= kMaxFilterSections)
            return -1;
        sections.emplace_back(name);
        return static_cast<int>(sections.size() - 1);
    }

    FilterTextItem NewItem(FilterTextItem::Kind kind) const
    {
        FilterTextItem item;
        item.kind = kind;
        item.line = m_line;
        item.sections = m_scope;
        return item;
    }

    void AddNote(FilterNote note)
    {
        note.line = m_line;
        FilterTextItem item = NewItem(FilterTextItem::Kind::Note);
        item.note = std::move(note);
        m_text.items.push_back(std::move(item));
    }

    FilterText m_text;
    std::uint32_t m_scope = FilterTextItem::kAllSections;
    int m_line = 0;
    bool m_rew = false;
};

}  // namespace

FilterText ParseFilterText(std::string_view text)
{
    std::string converted;
    FilterTextReader reader;
    ForEachLine(AsciiText(text, converted), [&reader](std::string_view line, int number) {
        reader.ReadLine(line, number);
        return true;
    });
    return reader.Take();
}

bool AppliesToSection(const FilterText& text, const FilterTextItem& item, int section)
{
    if (text.sections.empty())
        return true;
    if (section < 0 || section >= static_cast<int>(text.sections.size()))
        return false;
    return (item.sections >> section) & 1u;
}

bool HoldsFilters(const FilterText& text, int section)
{
    return std::any_of(text.items.begin(), text.items.end(), [&](const FilterTextItem& item) {
        return item.kind != FilterTextItem::Kind::Note && AppliesToSection(text, item, section);
    });
}

// RBJ: 1/Q = sqrt((A + 1/A) (1/S - 1) + 2).
double ShelfQOfSlope(double slope, double gainDb)
{
    const double A = std::pow(10.0, gainDb / 40.0);
    const double inverseQSquared = (A + 1.0 / A) * (1.0 / slope - 1.0) + 2.0;
    if (!(inverseQSquared > 0.0))
        return 0.0;
    return 1.0 / std::sqrt(inverseQSquared);
}

double ShelfSlopeOfQ(double q, double gainDb)
{
    constexpr double kSteeperThanAnySlope = 1e9;
    const double A = std::pow(10.0, gainDb / 40.0);
    const double inverseSlope = 1.0 + (1.0 / (q * q) - 2.0) / (A + 1.0 / A);
    if (!(inverseSlope > 1.0 / kSteeperThanAnySlope))
        return kSteeperThanAnySlope;
    return 1.0 / inverseSlope;
}

double OctavesToExactQ(double octaves)
{
    return 1.0 / (2.0 * std::sinh(std::log(2.0) / 2.0 * octaves));
}

namespace {

// w / sin w of a file's filter at hz: how much wider its digital band is than the analog one.
double FileWarp(double hz)
{
    const double w = kExactTwoPi * hz / kFileSampleRate;
    return w / std::sin(w);
}

}  // namespace

double FileBandwidthOfQ(double q, double hz)
{
    return 2.0 / std::log(2.0) * std::asinh(1.0 / (2.0 * q)) / FileWarp(hz);
}

double FileQOfBandwidth(double octaves, double hz)
{
    return 1.0 / (2.0 * std::sinh(std::log(2.0) / 2.0 * octaves * FileWarp(hz)));
}

namespace {

std::string Signed(double value, int decimals)
{
    char text[48];
    std::snprintf(text, sizeof text, "%+.*f", decimals, value);
    return text;
}

std::string Quoted(const std::string& text)
{
    return '"' + text + '"';
}

}  // namespace

std::string FilterNoteText(const FilterNote& note)
{
    switch (note.reason) {
    case FilterReason::LineTooLong: return "line longer than " + std::to_string(kMaxFilterLineLength) + " characters";
    case FilterReason::NotUnderstood: return "not a filter, preamp or channel line";
    case FilterReason::CommandNotImported: return note.detail + " lines are not imported";
    case FilterReason::UnsupportedType: return note.detail + " is not a peaking or shelf filter";
    case FilterReason::UnexpectedWord: return "unexpected " + Quoted(note.detail);
    case FilterReason::MissingFrequency: return "no frequency (Fc) given";
    case FilterReason::MissingGain: return "no gain given";
    case FilterReason::MissingWidth: return "no Q or BW given";
    case FilterReason::BadNumber: return Quoted(note.detail) + " is not a number";
    case FilterReason::FrequencyOutOfRange: return "Fc " + note.detail + " Hz is outside 0..24000 Hz";
    case FilterReason::GainOutOfRange: return "gain " + note.detail + " dB is outside -60..60 dB";
    case FilterReason::WidthOutOfRange: return note.detail + " is outside Q 0..100 and BW 0..10 octaves";
    case FilterReason::SlopeOutOfRange: return "slope " + note.detail + " dB is outside 0..48 dB per octave";
    case FilterReason::SlopeTooSteep: return "a slope of " + note.detail + " dB overshoots at this gain";
    case FilterReason::PreampOutOfRange: return "preamp " + note.detail + " dB is outside -100..100 dB";
    case FilterReason::TooManySections: return "more than " + std::to_string(kMaxFilterSections) + " channel names";
    case FilterReason::SwitchedOff: return "switched off";
    case FilterReason::BeyondBands: return "beyond the unit's 12 bands";
    case FilterReason::FrequencyLimited:
        return "frequency limited to " + std::to_string(std::lround(note.value)) + " Hz";
    case FilterReason::GainLimited: return "gain limited to " + Signed(note.value, 1) + " dB";
    case FilterReason::WidthLimited: {
        char text[48];
        std::snprintf(text, sizeof text, "width limited to %.2f octaves", note.value);
        return text;
    }
    case FilterReason::PreampLimited: return "preamp limited to " + Signed(note.value, 0) + " dB";
    }
    return {};
}
