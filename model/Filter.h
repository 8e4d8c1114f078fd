// One filter of a channel equalizer (a parametric band, a notch band or a pass
// filter) and the 96 kHz biquad response math behind it.
#pragma once

#include "model/ValueTables.h"

#include <array>
#include <string>

constexpr double kSampleRate = 96000.0;
constexpr double kTwoPi = 6.2831852;
constexpr double kTwoPiOverRate = 6.544985e-05;

enum FilterType {
    FILTER_PEAK = 0,
    FILTER_LOW_SHELF = 1,
    FILTER_HIGH_SHELF = 2,
    FILTER_HIGH_PASS = 3,
    FILTER_LOW_PASS = 4,
};

// Shelf slope codes (byte `slope` of a band record, which the band table calls `option`).
constexpr int kSlope6dBPerOct = 0;
constexpr int kSlope12dBPerOct = 1;

// Magnitude in dB at each grid frequency.
using Response = std::array<double, kGridSize>;

// H(z) = (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2).
struct BiquadSection {
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;
};

double SectionDb(const BiquadSection& section, int i);
// SectionDb at grid points first..last into out[first..last]: the same values to the last
// few bits, in one logarithm a point, for code that evaluates many sections.
void SectionDbSpan(const BiquadSection& section, int first, int last, double* out);
// The section's magnitude in dB at any frequency, the section running at sampleRate
// (the angle taken with the model's kTwoPi), and at the angle whose cosine and sine are given.
double SectionDbAt(const BiquadSection& section, double hz, double sampleRate);
double SectionDbAtAngle(const BiquadSection& section, double cosW, double sinW);
// The RBJ cookbook's peaking and shelf sections at angle w0 (radians per
// sample), amplitude A = 10^(dB / 40) and bandwidth term alpha.
BiquadSection RbjPeakSection(double w0, double A, double alpha);
BiquadSection RbjShelfSection(bool high, double w0, double A, double alpha);
// The sections behind the two responses below.
BiquadSection PeakSection(double hz, double gainDb, double octaves);
// The peaking design centred on f0 itself, not snapped to the grid.
BiquadSection PeakSectionAt(double f0, double gainDb, double octaves);
BiquadSection ShelfSection(int type, int option, double hz, double gainDb);
// The section a band record stands for, with the limits CFilter draws it with:
// flat at gain code 120, an unknown type as a peaking band, codes clamped to their ranges.
BiquadSection BandSection(const BandParams& band);
// Frequency factor k of a shelf: its section is designed at the band's frequency times k.
double ShelfCornerFactor(int type, int option);
// Shelf slope S of the RBJ shelf design behind a slope option (12 dB/Oct, else 6 dB/Oct).
double ShelfSlopeOf(int option);
// Peaking band; the centre is snapped to the nearest grid frequency.
void ComputePeakResponse(double hz, double gainDb, double octaves, Response& out);
// Low (type 1) or high (type 2) shelf at the frequency as stored; an option other
// than 12 dB/Oct is drawn as 6 dB/Oct, a type other than 2 as a low shelf.
void ComputeShelfResponse(int type, int option, double hz, double gainDb, Response& out);

// The two width handles of a parametric band, below and above its centre frequency.
enum class WidthHandle { Left, Right };

class CFilter {
public:
    CFilter() = default;
    CFilter(const CFilter&) = delete;
    CFilter& operator=(const CFilter&) = delete;

    // Binding to a band table record (not owned).
    void AttachBand(BandParams* rec);
    void AttachPass(PassParams* rec);   // types 3 and 4 only: call SetType first
    void SetType(int t);
    void SetBandNumber(int n);
    void SetBwCode(int code);
    void SetGainCode(int code);

    double GainDb() const;
    double BandwidthOct();
    int GainCode() const;
    int GetType() const { return m_type; }
    int CurrentFreq();
    bool IsFlat() const { return m_bFlat != 0; }
    bool IsPassFilter() const { return m_pBand == nullptr && m_pPass != nullptr; }
    const BandParams* Band() const { return m_pBand; }

    // Geometry for a plot of plot.Width() x plot.Height() pixels at the graph's insets.
    void SetPlotRect(const PlotRect& plot);
    void Recompute(bool reloadGain);
    void LayoutHandles();
    void LayoutWidthHandles();
    std::string Describe();

    // Drag steps, points in graph client coordinates.
    void BeginMove(PlotPoint pt);
    bool Move(PlotPoint pt);
    // The octaves between the centre frequency and the pointer's, seen from the dragged handle.
    bool MoveWidth(PlotPoint pt, WidthHandle handle);

    // The limits of every edit, drag or key: the centre within kMinFreqHz..kMaxFreqHz and
    // -kMaxGainDb..kMaxGainDb, the width within kMinBwOct..kMaxBwOct. Each returns whether
    // the record changed.
    bool PlaceCentre(int hz, double gainDb);
    bool SetWidthOctaves(double octaves);

    const Response& GetResponse() const { return m_response; }
    // Point 0 and point 242 lie on the 0 dB line at the plot's edges, 1..241 on the response.
    const std::array<PlotPoint, kGridSize + 2>& Polygon() const { return m_poly; }
    const PlotRect& HandleRect() const { return m_rcHandle; }
    const PlotRect& WidthRectL() const { return m_rcWidthL; }
    const PlotRect& WidthRectR() const { return m_rcWidthR; }
    const PlotRect& TextRect() const { return m_rcText; }
    PlotPoint DragOffset() const { return m_dragOffset; }
    int PlotWidth() const { return m_plotW; }
    int PlotHeight() const { return m_plotH; }

private:
    // Band values limited to the ranges the response and the plot are defined for;
    // the record itself keeps whatever codes the unit sent.
    double BandFreqHz() const;
    int BandType() const;
    const char* SlopeText() const;
    void ComputeBandResponse();

    Response m_response{};
    PlotPoint m_dragOffset;
    PlotRect m_rcHandle;
    PlotRect m_rcWidthL;
    PlotRect m_rcWidthR;
    int m_type = FILTER_PEAK;
    int m_freqHz = kMaxFreqHz;
    double m_gainDb = 0.0;
    int m_bFlat = 1;
    BandParams* m_pBand = nullptr;
    PassParams* m_pPass = nullptr;
    double m_bwOct = 0.3;
    int m_bandNo = 0;
    int m_plotW = 0;
    int m_plotH = 0;
    std::array<PlotPoint, kGridSize + 2> m_poly{};
    PlotRect m_rcText;
    std::string m_text;
};
