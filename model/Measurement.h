// A measured frequency response (of a room or a microphone) as Room EQ Wizard
// and similar tools export it: read from text, put on 0 dB over the midrange,
// and resampled to the columns of the equalizer graph's plot.
//
// Formats: REW's text export ('*' comment lines, then frequency, SPL and
// phase), FRD (frequency, magnitude and phase; comments after '*', '#', ';' or
// '\''), CSV (a header line of words, ',' or ';' between the values). A line's
// first two values are its frequency in Hz and its level in dB, the rest is
// ignored. '.' is a decimal mark everywhere; ',' is one in a line whose values
// ';' separates, and in a line whose first two words read as numbers with it
// ("1000,5 85,3"); elsewhere ',' separates values ("1000,85.3,-120").
#pragma once

#include "model/ValueTables.h"

#include <array>
#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

// A file larger than this is refused before it is read; more points than this are refused too.
constexpr std::size_t kMaxMeasurementBytes = 8 * 1024 * 1024;
constexpr std::size_t kMaxMeasurementPoints = 100'000;
// A measurement needs this many points between kMinFreqHz and kMaxFreqHz.
constexpr int kMinMeasurementPoints = 2;
// The band whose average level is put on 0 dB.
constexpr double kLevelBandLowHz = 200.0;
constexpr double kLevelBandHighHz = 2000.0;
// Values beyond these are no measurement's: their line is skipped like text.
constexpr double kMaxMeasurementHz = 1e7;
constexpr double kMaxMeasurementDb = 1000.0;

struct MeasurementPoint {
    double hz = 0.0;
    double db = 0.0;
    friend bool operator==(const MeasurementPoint&, const MeasurementPoint&) = default;
};

enum class MeasurementError {
    None,
    TooManyPoints,   // more than kMaxMeasurementPoints data lines
    TooFewPoints,    // fewer than kMinMeasurementPoints between 20 Hz and 20 kHz
};

struct Measurement {
    MeasurementError error = MeasurementError::None;
    // Increasing in frequency, each frequency once (the file's first line of it wins),
    // levels shifted by offsetDb.
    std::vector<MeasurementPoint> points;
    double offsetDb = 0.0;
    // The file has no point in kLevelBandLowHz..kLevelBandHighHz: the average over all
    // its points is on 0 dB instead.
    bool levelledOverAll = false;
    // Lines that hold no point (text, fewer than two numbers, a number that is not
    // finite or out of range, a frequency of 0 or less); the lines of words before
    // the first point are the file's header and are not counted.
    int skippedLines = 0;
    // Points left out because an earlier line gave their frequency.
    int repeatedFrequencies = 0;
};

// Reads the whole text (UTF-8, or UTF-16 with its byte order mark). Never throws;
// error says why a text is no measurement.
Measurement ParseMeasurementText(std::string_view text);

// A measurement's curve: straight (in dB over log frequency) from point to point, and
// ending at the first and the last point. Its points are put on the log axis once, so
// that the curve is resampled for every plot width without doing that again.
class CMeasurementCurve {
public:
    explicit CMeasurementCurve(std::span<const MeasurementPoint> points = {});

    bool IsEmpty() const { return m_points.empty(); }
    // The first and the last point's frequency (0 when there is none), and how many
    // points lie between loHz and hiHz, both included.
    double FirstHz() const { return m_firstHz; }
    double LastHz() const { return m_lastHz; }
    int PointsBetween(double loHz, double hiHz) const;
    // The average level between loHz and hiHz over log frequency; NaN where the points
    // do not reach.
    double AverageDb(double loHz, double hiHz) const;
    // Per pixel column of a plot plotWidth wide, the average over the column (column x
    // is centred on the frequency at x, as the equalizer's curve points are), NaN where
    // the points do not reach.
    std::vector<double> Columns(int plotWidth) const;

private:
    struct LogPoint {
        double u = 0.0;   // log10(Hz)
        double db = 0.0;
    };
    double AverageOver(double a, double b) const;
    double ClippedAverage(double a, double b) const;

    std::vector<LogPoint> m_points;
    double m_firstHz = 0.0;
    double m_lastHz = 0.0;
};

// Per pixel column, a response on the frequency grid, straight between grid
// frequencies over log frequency and held beyond the grid's ends.
std::vector<double> GridColumns(const std::array<double, kGridSize>& response, int plotWidth);
