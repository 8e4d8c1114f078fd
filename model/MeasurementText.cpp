// Reading a measurement's text line by line into points, then sorting and levelling them.
#include "model/Measurement.h"

#include "model/TextLines.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>

namespace {

constexpr std::string_view kCommentMarks = "*#;'";
constexpr std::size_t kMaxNumberLength = 64;

// The first two values of a line, and whether it has two at all.
struct LineValues {
    std::string_view first;
    std::string_view second;
    bool two = false;
    bool decimalComma = false;
};

// Up to two pieces of s between separators (any character for which isSeparator holds);
// runs of separators count as one unless keepEmpty, when each one ends a piece.
template <class IsSeparator>
LineValues FirstTwo(std::string_view s, IsSeparator isSeparator, bool keepEmpty)
{
    std::string_view pieces[2];
    int count = 0;
    std::size_t i = 0;
    while (count < 2 && i <= s.size()) {
        if (!keepEmpty) {
            while (i < s.size() && isSeparator(s[i]))
                ++i;
            if (i == s.size())
                break;
        }
        std::size_t end = i;
        while (end < s.size() && !isSeparator(s[end]))
            ++end;
        pieces[count++] = Trim(s.substr(i, end - i));
        i = end + 1;
    }
    return LineValues{pieces[0], pieces[1], count == 2, false};
}

// "63.5", "+6", "1e3", "nan": a number as from_chars reads it, in full.
std::optional<double> ParseNumber(std::string_view word, bool decimalComma)
{
    if (word.empty() || word.size() > kMaxNumberLength)
        return std::nullopt;
    // from_chars takes no '+' of its own
    if (word.starts_with('+')) {
        word.remove_prefix(1);
        if (word.empty() || word.front() == '+' || word.front() == '-')
            return std::nullopt;
    }
    std::string text(word);
    if (decimalComma)
        std::replace(text.begin(), text.end(), ',', '.');
    double value = 0.0;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value);
    if (error != std::errc() || end != last)
        return std::nullopt;
    return value;
}

// ';' between values makes ',' a decimal mark; so do two words that read as numbers with
// it ("1000,5 85,3"); otherwise ',' is between values ("1000,85.3,-120").
LineValues SplitValues(std::string_view line)
{
    if (line.find(';') != std::string_view::npos) {
        LineValues values = FirstTwo(line, [](char c) { return c == ';'; }, true);
        values.decimalComma = true;
        return values;
    }
    LineValues words = FirstTwo(line, IsBlank, false);
    if (line.find(',') == std::string_view::npos)
        return words;
    words.decimalComma = true;
    if (words.two && ParseNumber(words.first, true) && ParseNumber(words.second, true))
        return words;
    return FirstTwo(line, [](char c) { return c == ','; }, true);
}

bool IsPoint(double hz, double db)
{
    return std::isfinite(hz) && std::isfinite(db) && hz > 0.0 && hz <= kMaxMeasurementHz &&
           std::abs(db) <= kMaxMeasurementDb;
}

class MeasurementReader {
public:
    // False once the text holds more points than a measurement may.
    bool ReadLine(std::string_view line)
    {
        line = Trim(line);
        if (line.empty() || kCommentMarks.find(line.front()) != std::string_view::npos)
            return true;
        const LineValues values = SplitValues(line);
        const std::optional<double> hz = ParseNumber(values.first, values.decimalComma);
        const std::optional<double> db = values.two ? ParseNumber(values.second, values.decimalComma) : std::nullopt;
        if (!hz || !db || !IsPoint(*hz, *db)) {
            // words before the first point are the file's header
            if (hz || !m_points.empty())
                ++m_skipped;
            return true;
        }
        m_points.push_back({*hz, *db});
        return m_points.size() <= kMaxMeasurementPoints;
    }

    Measurement Finish()
    {
        Measurement m;
        m.skippedLines = m_skipped;
        if (m_points.size() > kMaxMeasurementPoints) {
            m.error = MeasurementError::TooManyPoints;
            return m;
        }
        std::stable_sort(m_points.begin(), m_points.end(),
                         [](const MeasurementPoint& a, const MeasurementPoint& b) { return a.hz < b.hz; });
        const auto repeated = std::unique(m_points.begin(), m_points.end(),
                                          [](const MeasurementPoint& a, const MeasurementPoint& b) { return a.hz == b.hz; });
        m.repeatedFrequencies = static_cast<int>(m_points.end() - repeated);
        m_points.erase(repeated, m_points.end());
        const auto shown = std::count_if(m_points.begin(), m_points.end(), [](const MeasurementPoint& p) {
            return p.hz >= kMinFreqHz && p.hz <= kMaxFreqHz;
        });
        if (shown < kMinMeasurementPoints) {
            m.error = MeasurementError::TooFewPoints;
            return m;
        }
        m.points = std::move(m_points);
        Level(m);
        return m;
    }

private:
    // Puts the average over the level band on 0 dB, or the average over all points
    // when none lies in the band.
    static void Level(Measurement& m)
    {
        const bool inBand = std::any_of(m.points.begin(), m.points.end(), [](const MeasurementPoint& p) {
            return p.hz >= kLevelBandLowHz && p.hz <= kLevelBandHighHz;
        });
        m.levelledOverAll = !inBand;
        const CMeasurementCurve curve(m.points);
        const double average = inBand ? curve.AverageDb(kLevelBandLowHz, kLevelBandHighHz)
                                      : curve.AverageDb(m.points.front().hz, m.points.back().hz);
        m.offsetDb = -average;
        for (MeasurementPoint& p : m.points)
            p.db += m.offsetDb;
    }

    std::vector<MeasurementPoint> m_points;
    int m_skipped = 0;
};

}  // namespace

Measurement ParseMeasurementText(std::string_view text)
{
    std::string converted;
    MeasurementReader reader;
    ForEachLine(AsciiText(text, converted), [&reader](std::string_view line, int) { return reader.ReadLine(line); });
    return reader.Finish();
}
