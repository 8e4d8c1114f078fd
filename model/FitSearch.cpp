#include "model/FitSearch.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace {

constexpr int kLastBandGridIndex = kGridSize - 1;
// Greedy start: the centres tried for a new peak, and the widths (octaves) tried at each.
constexpr int kCentreCandidates = 6;
constexpr std::array kWidthLadder = {0.05, 0.08, 0.12, 0.18, 0.27, 0.4, 0.6, 0.9, 1.35, 2.0, 3.0};
constexpr double kShapeGainDb = 6.0;          // the gain a candidate's shape is taken at
constexpr double kShelfStepOctaves = 1.0;     // shelf frequencies tried, this far apart
constexpr double kShelfReachOctaves = 1.0;    // how far beyond the range a shelf's frequency may lie
constexpr double kLeastGain = 1e-6;           // a new band must bring at least this much (dB squared)
constexpr double kLeastCandidateGainDb = 0.05;
constexpr std::size_t kExactCandidates = 4;   // the candidates estimated best, tried with their true response
constexpr std::size_t kMostExactCandidates = 40;
// Refinement.
constexpr int kStepIterations = 6;            // after each band placed
constexpr int kFinalIterations = 80;
constexpr double kBoostPenalty = 100.0;       // weight of a dB above the boost allowed, against a dB off the target
constexpr double kStartDamping = 1e-3;
constexpr double kLeastDamping = 1e-9;
constexpr double kMostDamping = 1e8;
constexpr double kSettled = 1e-6;             // relative cost decrease that ends the refinement
// Finite-difference steps: log2 Hz, dB, log2 octaves.
constexpr double kStepU = 1.0 / 96.0;
constexpr double kStepGain = 0.02;
constexpr double kStepV = 0.02;
// Polish on the unit's codes.
constexpr int kMostPolishPasses = 60;
constexpr int kBigGainStep = 10;   // 1 dB
constexpr int kBigWidthStep = 5;   // 0.05 octave

enum class Kind { Peak, LowShelf, HighShelf };

// A band while the refinement moves it freely.
struct FreeBand {
    Kind kind = Kind::Peak;
    int slope = kSlope6dBPerOct;
    double u = 10.0;      // log2 of its frequency in Hz
    double gainDb = 0.0;
    double v = -2.0;      // log2 of its width in octaves (peaks)

    int Parameters() const { return kind == Kind::Peak ? 3 : 2; }
};

int TypeOf(Kind kind)
{
    switch (kind) {
    case Kind::Peak: return FILTER_PEAK;
    case Kind::LowShelf: return FILTER_LOW_SHELF;
    case Kind::HighShelf: return FILTER_HIGH_SHELF;
    }
    return FILTER_PEAK;
}

BiquadSection SectionOf(const FreeBand& band)
{
    const double hz = std::exp2(band.u);
    if (band.kind == Kind::Peak)
        return PeakSectionAt(hz, band.gainDb, std::exp2(band.v));
    return ShelfSection(TypeOf(band.kind), band.slope, hz, band.gainDb);
}

// The whole hertz a band is set to for the unit to centre a peak on grid entry i (0 where
// none is: two entries can round to one hertz low down), and the entries that have one.
struct Centres {
    std::array<int, kGridSize> hz{};
    std::vector<int> reachable;
};

const Centres& BandCentres()
{
    static const Centres centres = [] {
        Centres c;
        for (int hz = kMinFreqHz; hz <= kMaxFreqHz; ++hz) {
            const int i = FreqToGridIndex(hz);
            if (c.hz[i] == 0 || std::abs(hz - kFreqGrid[i]) < std::abs(c.hz[i] - kFreqGrid[i]))
                c.hz[i] = hz;
        }
        for (int i = 0; i < kGridSize; ++i)
            if (c.hz[i] != 0)
                c.reachable.push_back(i);
        return c;
    }();
    return centres;
}

// The reachable grid entry nearest to i, or steps reachable entries on from it.
int ReachableIndex(int i, int steps)
{
    const std::vector<int>& reachable = BandCentres().reachable;
    auto at = std::lower_bound(reachable.begin(), reachable.end(), i);
    if (at == reachable.end() || (at != reachable.begin() && i - *(at - 1) < *at - i))
        --at;
    const long index = std::clamp<long>((at - reachable.begin()) + steps, 0, static_cast<long>(reachable.size()) - 1);
    return reachable[static_cast<std::size_t>(index)];
}

// Small dense symmetric positive definite solve: a x = b, a overwritten. False when a is not.
bool SolveCholesky(std::vector<double>& a, std::vector<double>& b, int n)
{
    for (int j = 0; j < n; ++j) {
        double d = a[j * n + j];
        for (int k = 0; k < j; ++k)
            d -= a[j * n + k] * a[j * n + k];
        if (!(d > 0.0))
            return false;
        d = std::sqrt(d);
        a[j * n + j] = d;
        for (int i = j + 1; i < n; ++i) {
            double s = a[i * n + j];
            for (int k = 0; k < j; ++k)
                s -= a[i * n + k] * a[j * n + k];
            a[i * n + j] = s / d;
        }
    }
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < i; ++k)
            b[i] -= a[i * n + k] * b[k];
        b[i] /= a[i * n + i];
    }
    for (int i = n - 1; i >= 0; --i) {
        for (int k = i + 1; k < n; ++k)
            b[i] -= a[k * n + i] * b[k];
        b[i] /= a[i * n + i];
    }
    return true;
}

// The search over one goal: the grid points it evaluates and what a sum of responses costs there.
class Search {
public:
    explicit Search(const FitGoal& goal)
        : m_goal(goal),
          m_maxGain(std::min(goal.maxBoostDb, kMaxGainDb)),
          // the sum is watched over the whole grid, outside the range too: a boost, or the slight
          // overshoot of many steep shelves, must not rise above what is allowed anywhere
          m_from(kFirstBandGridIndex),
          m_to(kLastBandGridIndex),
          m_lowU(std::log2(std::max<double>(kMinFreqHz, kFreqGrid[goal.first]))),
          m_highU(std::log2(std::min<double>(kMaxFreqHz, kFreqGrid[goal.last])))
    {
    }

    std::vector<BandParams> Run()
    {
        std::vector<FreeBand> bands;
        Response sum{};
        for (int n = 0; n < m_goal.bands; ++n) {
            const std::optional<FreeBand> placed = BestNewBand(sum);
            if (!placed)
                break;
            bands.push_back(*placed);
            Refine(bands, kStepIterations);
            sum = SumOf(bands);
        }
        Refine(bands, kFinalIterations);
        return Polish(Rounded(bands));
    }

    // Sum of squares of (sum - wanted) about its mean over the range.
    double Spread(const Response& sum) const
    {
        const int count = m_goal.last - m_goal.first + 1;
        double mean = 0.0;
        for (int i = m_goal.first; i <= m_goal.last; ++i)
            mean += sum[i] - m_goal.wanted[i];
        mean /= count;
        double spread = 0.0;
        for (int i = m_goal.first; i <= m_goal.last; ++i) {
            const double e = sum[i] - m_goal.wanted[i] - mean;
            spread += e * e;
        }
        return spread;
    }

private:
    void Fill(const BiquadSection& section, Response& out) const { SectionDbSpan(section, m_from, m_to, out.data()); }

    Response ResponseOf(const BiquadSection& section) const
    {
        Response out{};
        Fill(section, out);
        return out;
    }

    Response SumOf(const std::vector<FreeBand>& bands) const
    {
        Response sum{};
        for (const FreeBand& band : bands) {
            const Response r = ResponseOf(SectionOf(band));
            for (int i = m_from; i <= m_to; ++i)
                sum[i] += r[i];
        }
        return sum;
    }

    double Excess(double db) const { return std::max(0.0, db - m_goal.maxBoostDb); }

    // The spread plus the penalty of the sum rising above the boost allowed.
    double Cost(const Response& sum) const
    {
        double cost = Spread(sum);
        for (int i = m_from; i <= m_to; ++i)
            cost += kBoostPenalty * Excess(sum[i]) * Excess(sum[i]);
        return cost;
    }

    bool WithinBoost(const Response& sum) const
    {
        for (int i = m_from; i <= m_to; ++i)
            if (sum[i] > m_goal.maxBoostDb + kFitBoostSlackDb)
                return false;
        return true;
    }

    // A new band at the gain that fits its shape best, with the spread it leaves as far as its dB
    // scale with its gain (nearly): band's gain is the one its shape is taken at.
    struct Candidate {
        FreeBand band;
        double estimate = 0.0;
    };

    std::optional<Candidate> Estimate(const Response& sum, FreeBand band) const
    {
        const Response shape = ResponseOf(SectionOf(band));
        const int count = m_goal.last - m_goal.first + 1;
        double meanE = 0.0, meanS = 0.0;
        for (int i = m_goal.first; i <= m_goal.last; ++i) {
            meanE += sum[i] - m_goal.wanted[i];
            meanS += shape[i];
        }
        meanE /= count;
        meanS /= count;
        double ee = 0.0, es = 0.0, ss = 0.0;
        for (int i = m_goal.first; i <= m_goal.last; ++i) {
            const double e = sum[i] - m_goal.wanted[i] - meanE;
            const double s = shape[i] - meanS;
            ee += e * e;
            es += e * s;
            ss += s * s;
        }
        if (!(ss > 0.0))
            return std::nullopt;
        const double gain = std::clamp(-es / ss * band.gainDb, -kMaxGainDb, m_maxGain);
        if (std::abs(gain) < kLeastCandidateGainDb)
            return std::nullopt;
        const double multiple = gain / band.gainDb;
        band.gainDb = gain;
        return Candidate{band, ee + 2.0 * multiple * es + multiple * multiple * ss};
    }

    // The peaks and shelves a new band may be, each at the gain that fits it best.
    std::vector<Candidate> Candidates(const Response& sum) const
    {
        std::vector<Candidate> found;
        const auto consider = [&](const FreeBand& band) {
            if (const std::optional<Candidate> c = Estimate(sum, band))
                found.push_back(*c);
        };
        for (int centre : CentreCandidates(sum)) {
            const bool cut = sum[centre] - m_goal.wanted[centre] > 0.0;
            for (double octaves : kWidthLadder)
                consider(FreeBand{Kind::Peak, kSlope6dBPerOct, std::log2(kFreqGrid[centre]),
                                  cut ? -kShapeGainDb : kShapeGainDb, std::log2(octaves)});
        }
        for (double u = m_lowU - kShelfReachOctaves; u <= m_highU + kShelfReachOctaves; u += kShelfStepOctaves) {
            const double clamped = std::clamp(u, std::log2(kMinFreqHz), std::log2(kMaxFreqHz));
            for (Kind kind : {Kind::LowShelf, Kind::HighShelf})
                for (int slope : {kSlope6dBPerOct, kSlope12dBPerOct})
                    consider(FreeBand{kind, slope, clamped, -kShapeGainDb, 0.0});
        }
        std::stable_sort(found.begin(), found.end(),
                         [](const Candidate& a, const Candidate& b) { return a.estimate < b.estimate; });
        return found;
    }

    // Of the candidates estimated best, the one whose true response lowers the cost most; further
    // down the list while none of them does (the estimate knows nothing of the boost allowed).
    std::optional<FreeBand> BestNewBand(const Response& sum) const
    {
        double bestCost = Cost(sum) - kLeastGain;
        std::optional<FreeBand> best;
        const std::vector<Candidate> candidates = Candidates(sum);
        for (std::size_t c = 0; c < candidates.size() && c < kMostExactCandidates; ++c) {
            if (c >= kExactCandidates && best)
                break;
            Response with = ResponseOf(SectionOf(candidates[c].band));
            for (int i = m_from; i <= m_to; ++i)
                with[i] += sum[i];
            const double cost = Cost(with);
            if (cost < bestCost) {
                bestCost = cost;
                best = candidates[c].band;
            }
        }
        return best;
    }

    // Grid indices within the range where what is left peaks (too loud: a cut) or dips (a boost,
    // when one is allowed), the largest first.
    std::vector<int> CentreCandidates(const Response& sum) const
    {
        const auto left = [&](int i) { return sum[i] - m_goal.wanted[i]; };
        double mean = 0.0;
        for (int i = m_goal.first; i <= m_goal.last; ++i)
            mean += left(i);
        mean /= m_goal.last - m_goal.first + 1;
        std::vector<std::pair<double, int>> found;
        for (int i = m_goal.first; i <= m_goal.last; ++i) {
            const double e = left(i) - mean;
            const double before = i > m_goal.first ? left(i - 1) - mean : 0.0;
            const double after = i < m_goal.last ? left(i + 1) - mean : 0.0;
            const bool peak = e > 0.0 && e >= before && e >= after;
            const bool dip = m_maxGain > 0.0 && e < 0.0 && e <= before && e <= after;
            if (peak || dip)
                found.push_back({-std::abs(e), ReachableIndex(i, 0)});
        }
        std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<int> centres;
        for (const auto& f : found) {
            if (static_cast<int>(centres.size()) == kCentreCandidates)
                break;
            if (std::find(centres.begin(), centres.end(), f.second) == centres.end())
                centres.push_back(f.second);
        }
        return centres;
    }

    // Bounds of parameter p of a band: 0 frequency, 1 gain, 2 width.
    double Low(const FreeBand& band, int p) const
    {
        if (p == 0)
            return band.kind == Kind::Peak ? m_lowU : std::max(std::log2(kMinFreqHz), m_lowU - kShelfReachOctaves);
        return p == 1 ? -kMaxGainDb : std::log2(kMinBwOct);
    }
    double High(const FreeBand& band, int p) const
    {
        if (p == 0)
            return band.kind == Kind::Peak ? m_highU : std::min(std::log2(kMaxFreqHz), m_highU + kShelfReachOctaves);
        return p == 1 ? m_maxGain : std::log2(kMaxBwOct);
    }
    static double& Parameter(FreeBand& band, int p) { return p == 0 ? band.u : p == 1 ? band.gainDb : band.v; }
    static double Step(int p) { return p == 0 ? kStepU : p == 1 ? kStepGain : kStepV; }

    // The rows of the least-squares problem: the centred differences over the range, then the
    // weighted excess over the boost at the guarded points where the sum rises above it
    // (elsewhere the rows and their derivatives are 0).
    std::vector<double> Rows(const Response& sum, const std::vector<int>& above) const
    {
        std::vector<double> rows;
        rows.reserve(static_cast<std::size_t>(m_goal.last - m_goal.first + 1) + above.size());
        double mean = 0.0;
        for (int i = m_goal.first; i <= m_goal.last; ++i)
            mean += sum[i] - m_goal.wanted[i];
        mean /= m_goal.last - m_goal.first + 1;
        for (int i = m_goal.first; i <= m_goal.last; ++i)
            rows.push_back(sum[i] - m_goal.wanted[i] - mean);
        for (int i : above)
            rows.push_back(std::sqrt(kBoostPenalty) * (sum[i] - m_goal.maxBoostDb));
        return rows;
    }

    std::vector<int> Above(const Response& sum) const
    {
        std::vector<int> above;
        for (int i = m_from; i <= m_to; ++i)
            if (sum[i] > m_goal.maxBoostDb)
                above.push_back(i);
        return above;
    }

    // Levenberg-Marquardt over every band's free parameters, kept within their bounds.
    void Refine(std::vector<FreeBand>& bands, int iterations) const
    {
        int count = 0;
        for (const FreeBand& band : bands)
            count += band.Parameters();
        if (count == 0)
            return;
        std::vector<Response> responses;
        for (const FreeBand& band : bands)
            responses.push_back(ResponseOf(SectionOf(band)));
        Response sum = SumOf(bands);
        double cost = Cost(sum);
        double damping = kStartDamping;
        for (int iteration = 0; iteration < iterations && damping < kMostDamping; ++iteration) {
            const std::vector<int> above = Above(sum);
            const std::vector<double> rows = Rows(sum, above);
            const std::vector<double> columns = Jacobian(bands, responses, sum, above, rows);
            const std::size_t n = rows.size();
            std::vector<double> normal(static_cast<std::size_t>(count * count));
            std::vector<double> gradient(static_cast<std::size_t>(count));
            for (int a = 0; a < count; ++a) {
                const double* ca = &columns[a * n];
                for (int b = 0; b <= a; ++b) {
                    const double* cb = &columns[b * n];
                    double dot = 0.0;
                    for (std::size_t r = 0; r < n; ++r)
                        dot += ca[r] * cb[r];
                    normal[a * count + b] = normal[b * count + a] = dot;
                }
                double g = 0.0;
                for (std::size_t r = 0; r < n; ++r)
                    g += ca[r] * rows[r];
                gradient[a] = -g;
            }
            FreezeAtBounds(bands, normal, gradient, count);
            bool accepted = false;
            while (!accepted && damping < kMostDamping) {
                std::vector<double> a = normal;
                std::vector<double> step = gradient;
                for (int p = 0; p < count; ++p)
                    a[p * count + p] += damping * (normal[p * count + p] + kLeastDamping);
                if (!SolveCholesky(a, step, count)) {
                    damping *= 4.0;
                    continue;
                }
                std::vector<FreeBand> tried = Moved(bands, step);
                std::vector<Response> triedResponses;
                Response triedSum{};
                for (const FreeBand& band : tried) {
                    triedResponses.push_back(ResponseOf(SectionOf(band)));
                    for (int i = m_from; i <= m_to; ++i)
                        triedSum[i] += triedResponses.back()[i];
                }
                const double triedCost = Cost(triedSum);
                if (triedCost < cost) {
                    const bool settled = cost - triedCost <= kSettled * cost;
                    bands = std::move(tried);
                    responses = std::move(triedResponses);
                    sum = triedSum;
                    cost = triedCost;
                    damping = std::max(damping / 3.0, kLeastDamping);
                    accepted = true;
                    if (settled)
                        return;
                } else {
                    damping *= 4.0;
                }
            }
        }
    }

    // A parameter at a bound that the step would push beyond stays where it is: its row and
    // column leave the normal equations, so the step the others take is the one they need.
    void FreezeAtBounds(const std::vector<FreeBand>& bands, std::vector<double>& normal, std::vector<double>& gradient,
                        int count) const
    {
        int at = 0;
        for (FreeBand band : bands) {
            for (int p = 0; p < band.Parameters(); ++p, ++at) {
                const double value = Parameter(band, p);
                const bool atLow = value <= Low(band, p) && gradient[at] < 0.0;
                const bool atHigh = value >= High(band, p) && gradient[at] > 0.0;
                if (!atLow && !atHigh)
                    continue;
                for (int q = 0; q < count; ++q)
                    normal[at * count + q] = normal[q * count + at] = 0.0;
                normal[at * count + at] = 1.0;
                gradient[at] = 0.0;
            }
        }
    }

    // Forward differences (backward at an upper bound), one band evaluated per column; the
    // columns one after another, each as long as rows.
    std::vector<double> Jacobian(const std::vector<FreeBand>& bands, const std::vector<Response>& responses,
                                 const Response& sum, const std::vector<int>& above,
                                 const std::vector<double>& rows) const
    {
        std::vector<double> columns;
        for (std::size_t b = 0; b < bands.size(); ++b) {
            for (int p = 0; p < bands[b].Parameters(); ++p) {
                FreeBand moved = bands[b];
                double& value = Parameter(moved, p);
                const double h = value + Step(p) > High(moved, p) ? -Step(p) : Step(p);
                value += h;
                const Response r = ResponseOf(SectionOf(moved));
                Response movedSum = sum;
                for (int i = m_from; i <= m_to; ++i)
                    movedSum[i] += r[i] - responses[b][i];
                const std::vector<double> movedRows = Rows(movedSum, above);
                for (std::size_t row = 0; row < rows.size(); ++row)
                    columns.push_back((movedRows[row] - rows[row]) / h);
            }
        }
        return columns;
    }

    std::vector<FreeBand> Moved(const std::vector<FreeBand>& bands, const std::vector<double>& step) const
    {
        std::vector<FreeBand> moved = bands;
        std::size_t at = 0;
        for (FreeBand& band : moved)
            for (int p = 0; p < band.Parameters(); ++p, ++at)
                Parameter(band, p) = std::clamp(Parameter(band, p) + step[at], Low(band, p), High(band, p));
        return moved;
    }

    int MaxGainCode() const
    {
        return std::clamp(static_cast<int>(std::floor((m_maxGain + kMaxGainDb) * 10.0 + 1e-6)), kMinGainCode,
                          kMaxGainCode);
    }

    BandParams Codes(const FreeBand& free) const
    {
        BandParams band{};
        band.type = static_cast<std::uint8_t>(TypeOf(free.kind));
        band.slope = static_cast<std::uint8_t>(free.slope);
        const double hz = std::exp2(free.u);
        if (free.kind == Kind::Peak) {
            band.freqHz.Set(static_cast<std::int16_t>(BandCentres().hz[ReachableIndex(FreqToGridIndex(hz), 0)]));
            const long width = std::lround((std::exp2(free.v) - kMinBwOct) * 100.0);
            band.bwCode.Set(static_cast<std::int16_t>(std::clamp<long>(width, kMinBwCode, kMaxBwCode)));
        } else {
            band.freqHz.Set(static_cast<std::int16_t>(std::clamp<long>(std::lround(hz), kMinFreqHz, kMaxFreqHz)));
            band.bwCode.Set(static_cast<std::int16_t>(OctavesToBwCode(0.37)));
        }
        band.gainCode.Set(static_cast<std::int16_t>(std::clamp(DbToGainCode(free.gainDb), kMinGainCode, MaxGainCode())));
        return band;
    }

    struct CodedBand {
        BandParams band;
        Response response;
    };

    std::vector<CodedBand> Rounded(const std::vector<FreeBand>& free) const
    {
        std::vector<CodedBand> bands;
        for (const FreeBand& f : free) {
            const BandParams band = Codes(f);
            bands.push_back({band, ResponseOf(BandSection(band))});
        }
        return bands;
    }

    static Response SumOf(const std::vector<CodedBand>& bands)
    {
        Response sum{};
        for (const CodedBand& b : bands)
            for (int i = 0; i < kGridSize; ++i)
                sum[i] += b.response[i];
        return sum;
    }

    // Rounding may lift overlapping boosts above the boost allowed, and many steep shelves add up
    // their overshoot: where the sum is highest, the band rising most there comes down a gain step,
    // or a steep shelf that only cuts takes the gentle slope, which never overshoots.
    void KeepWithinBoost(std::vector<CodedBand>& bands) const
    {
        for (Response sum = SumOf(bands); !WithinBoost(sum); sum = SumOf(bands)) {
            const int top = static_cast<int>(std::max_element(sum.begin() + m_from, sum.begin() + m_to + 1) - sum.begin());
            CodedBand* highest = nullptr;
            for (CodedBand& b : bands)
                if (CanComeDown(b.band) && (!highest || b.response[top] > highest->response[top]))
                    highest = &b;
            if (highest == nullptr)
                return;
            BringDown(highest->band);
            highest->response = ResponseOf(BandSection(highest->band));
        }
    }

    static bool CanComeDown(const BandParams& band)
    {
        const int gain = band.gainCode.Get();
        const bool steepCut = band.type != FILTER_PEAK && gain < kFlatGainCode && band.slope == kSlope12dBPerOct;
        return gain > kFlatGainCode || steepCut;
    }

    static void BringDown(BandParams& band)
    {
        if (band.gainCode.Get() > kFlatGainCode)
            band.gainCode.Set(static_cast<std::int16_t>(band.gainCode.Get() - 1));
        else
            band.slope = kSlope6dBPerOct;
    }

    // The codes one step away from a band's, that are codes the unit holds.
    std::vector<BandParams> Neighbours(const BandParams& band) const
    {
        std::vector<BandParams> near;
        const auto add = [&near](BandParams b) { near.push_back(b); };
        const int gain = band.gainCode.Get();
        for (int step : {-1, 1, -kBigGainStep, kBigGainStep}) {
            if (gain + step < kMinGainCode || gain + step > MaxGainCode())
                continue;
            BandParams b = band;
            b.gainCode.Set(static_cast<std::int16_t>(gain + step));
            add(b);
        }
        const int hz = band.freqHz.Get();
        if (band.type == FILTER_PEAK) {
            const int index = FreqToGridIndex(hz);
            for (int step : {-1, 1}) {
                const int to = ReachableIndex(index, step);
                const int toHz = BandCentres().hz[to];
                if (to == index || FreqToGridIndex(toHz) < m_goal.first || FreqToGridIndex(toHz) > m_goal.last)
                    continue;
                BandParams b = band;
                b.freqHz.Set(static_cast<std::int16_t>(toHz));
                add(b);
            }
            const int width = band.bwCode.Get();
            for (int step : {-1, 1, -kBigWidthStep, kBigWidthStep}) {
                if (width + step < kMinBwCode || width + step > kMaxBwCode)
                    continue;
                BandParams b = band;
                b.bwCode.Set(static_cast<std::int16_t>(width + step));
                add(b);
            }
        } else {
            for (double factor : {1.0 / std::exp2(1.0 / 48.0), std::exp2(1.0 / 48.0)}) {
                const long to = std::clamp<long>(std::lround(hz * factor), kMinFreqHz, kMaxFreqHz);
                BandParams b = band;
                b.freqHz.Set(static_cast<std::int16_t>(to == hz ? hz + (factor > 1.0 ? 1 : -1) : to));
                if (b.freqHz.Get() >= kMinFreqHz && b.freqHz.Get() <= kMaxFreqHz)
                    add(b);
            }
            BandParams other = band;
            other.slope = band.slope == kSlope6dBPerOct ? kSlope12dBPerOct : kSlope6dBPerOct;
            add(other);
        }
        return near;
    }

    // Step by step on the unit's own codes and model, each step taken only when it lowers the spread.
    std::vector<BandParams> Polish(std::vector<CodedBand> bands) const
    {
        KeepWithinBoost(bands);
        Response sum = SumOf(bands);
        double spread = Spread(sum);
        bool improved = true;
        for (int pass = 0; pass < kMostPolishPasses && improved; ++pass) {
            improved = false;
            for (CodedBand& b : bands) {
                for (const BandParams& tried : Neighbours(b.band)) {
                    const Response r = ResponseOf(BandSection(tried));
                    Response triedSum = sum;
                    for (int i = m_from; i <= m_to; ++i)
                        triedSum[i] += r[i] - b.response[i];
                    const double triedSpread = Spread(triedSum);
                    if (triedSpread < spread && WithinBoost(triedSum)) {
                        b = {tried, r};
                        sum = triedSum;
                        spread = triedSpread;
                        improved = true;
                    }
                }
            }
        }
        std::vector<BandParams> found;
        for (const CodedBand& b : bands)
            if (b.band.gainCode.Get() != kFlatGainCode)
                found.push_back(b.band);
        return found;
    }

    const FitGoal& m_goal;
    const double m_maxGain;
    const int m_from;
    const int m_to;
    const double m_lowU;
    const double m_highU;
};

}  // namespace

std::vector<BandParams> SearchBands(const FitGoal& goal)
{
    if (goal.bands <= 0 || goal.first < kFirstBandGridIndex || goal.last > kLastBandGridIndex || goal.last <= goal.first)
        return {};
    return Search(goal).Run();
}

double CentredRms(const Response& response, const FitGoal& goal)
{
    return std::sqrt(Search(goal).Spread(response) / (goal.last - goal.first + 1));
}
