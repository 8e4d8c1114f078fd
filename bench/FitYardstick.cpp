#include "FitYardstick.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

constexpr double kFileRate = kFileSampleRate;
constexpr std::array kQSearch = {0.5, 0.7, 1.0, 1.4, 2.0, 3.0, 4.0, 6.0, 8.0};
constexpr double kLowestQ = 0.2;
constexpr double kHighestQ = 20.0;
constexpr int kIterations = 200;
constexpr double kDelta = 1e-4;   // finite-difference step of every parameter

// One filter as the plain fit moves it: log2 Hz, dB, log2 Q.
struct Peak {
    double u;
    double gain;
    double logQ;
};

class Yardstick {
public:
    explicit Yardstick(const FitGoal& goal) : m_goal(goal)
    {
        for (int i = goal.first; i <= goal.last; ++i) {
            const double w = kExactTwoPi * kFreqGrid[i] / kFileRate;
            m_cos.push_back(std::cos(w));
            m_sin.push_back(std::sin(w));
            m_wanted.push_back(goal.wanted[i]);
        }
        m_lowU = std::log2(kFreqGrid[goal.first]);
        m_highU = std::log2(kFreqGrid[goal.last]);
        m_highGain = std::min(goal.maxBoostDb, kMaxGainDb);
    }

    std::vector<Peak> Fit()
    {
        std::vector<Peak> peaks;
        for (int n = 0; n < m_goal.bands; ++n) {
            if (!PlaceAtLargest(peaks))
                break;
        }
        Refine(peaks);
        return peaks;
    }

private:
    std::size_t Points() const { return m_wanted.size(); }

    void AddResponse(const Peak& p, double sign, std::vector<double>& sum) const
    {
        const BiquadSection s = FileFilterSection(TextFilter{TextFilterKind::Peak, std::exp2(p.u), p.gain, std::exp2(p.logQ)});
        for (std::size_t i = 0; i < Points(); ++i)
            sum[i] += sign * SectionDbAtAngle(s, m_cos[i], m_sin[i]);
    }

    // The differences left, their mean taken off.
    std::vector<double> Residual(const std::vector<Peak>& peaks) const
    {
        std::vector<double> r(Points(), 0.0);
        for (const Peak& p : peaks)
            AddResponse(p, 1.0, r);
        double mean = 0.0;
        for (std::size_t i = 0; i < Points(); ++i)
            mean += (r[i] -= m_wanted[i]);
        mean /= static_cast<double>(Points());
        for (double& v : r)
            v -= mean;
        return r;
    }

    static double SumOfSquares(const std::vector<double>& r)
    {
        double s = 0.0;
        for (double v : r)
            s += v * v;
        return s;
    }

    // A filter at the largest difference left that it may make smaller, its gain that difference.
    bool PlaceAtLargest(std::vector<Peak>& peaks) const
    {
        const std::vector<double> r = Residual(peaks);
        std::size_t at = 0;
        double largest = 0.0;
        for (std::size_t i = 0; i < Points(); ++i) {
            const bool allowed = r[i] > 0.0 || m_highGain > 0.0;
            if (allowed && std::abs(r[i]) > largest) {
                largest = std::abs(r[i]);
                at = i;
            }
        }
        if (largest == 0.0)
            return false;
        const double gain = std::clamp(-r[at], -kMaxGainDb, m_highGain);
        const double before = SumOfSquares(r);
        double best = before;
        Peak chosen{};
        for (double q : kQSearch) {
            std::vector<Peak> tried = peaks;
            tried.push_back(Peak{std::log2(kFreqGrid[m_goal.first + static_cast<int>(at)]), gain, std::log2(q)});
            const double cost = SumOfSquares(Residual(tried));
            if (cost < best) {
                best = cost;
                chosen = tried.back();
            }
        }
        if (best >= before)
            return false;
        peaks.push_back(chosen);
        return true;
    }

    void Clamp(Peak& p) const
    {
        p.u = std::clamp(p.u, m_lowU, m_highU);
        p.gain = std::clamp(p.gain, -kMaxGainDb, m_highGain);
        p.logQ = std::clamp(p.logQ, std::log2(kLowestQ), std::log2(kHighestQ));
    }

    static double& Value(Peak& p, int k) { return k == 0 ? p.u : k == 1 ? p.gain : p.logQ; }

    // Levenberg-Marquardt on every parameter at once, each step clamped into the bounds.
    void Refine(std::vector<Peak>& peaks) const
    {
        const int n = static_cast<int>(peaks.size()) * 3;
        std::vector<double> r = Residual(peaks);
        double cost = SumOfSquares(r);
        double lambda = 1e-2;
        for (int iteration = 0; iteration < kIterations && n > 0; ++iteration) {
            std::vector<std::vector<double>> jacobian(static_cast<std::size_t>(n));
            for (int k = 0; k < n; ++k) {
                std::vector<Peak> moved = peaks;
                Value(moved[k / 3], k % 3) += kDelta;
                const std::vector<double> rm = Residual(moved);
                for (std::size_t i = 0; i < Points(); ++i)
                    jacobian[k].push_back((rm[i] - r[i]) / kDelta);
            }
            bool better = false;
            while (!better && lambda < 1e10) {
                std::vector<double> step = SolveDamped(jacobian, r, lambda);
                std::vector<Peak> tried = peaks;
                for (int k = 0; k < n; ++k)
                    Value(tried[k / 3], k % 3) += step[k];
                for (Peak& p : tried)
                    Clamp(p);
                const std::vector<double> rt = Residual(tried);
                const double triedCost = SumOfSquares(rt);
                if (triedCost < cost) {
                    better = true;
                    const bool done = cost - triedCost < 1e-9 * cost;
                    peaks = tried;
                    r = rt;
                    cost = triedCost;
                    lambda /= 10.0;
                    if (done)
                        return;
                } else {
                    lambda *= 10.0;
                }
            }
            if (!better)
                return;
        }
    }

    // (J^T J + lambda diag) step = -J^T r, by Gaussian elimination with partial pivoting.
    std::vector<double> SolveDamped(const std::vector<std::vector<double>>& j, const std::vector<double>& r,
                                    double lambda) const
    {
        const std::size_t n = j.size();
        std::vector<std::vector<double>> a(n, std::vector<double>(n + 1, 0.0));
        for (std::size_t p = 0; p < n; ++p) {
            for (std::size_t q = 0; q < n; ++q)
                for (std::size_t i = 0; i < Points(); ++i)
                    a[p][q] += j[p][i] * j[q][i];
            a[p][p] *= 1.0 + lambda;
            a[p][p] += 1e-12;
            for (std::size_t i = 0; i < Points(); ++i)
                a[p][n] -= j[p][i] * r[i];
        }
        for (std::size_t c = 0; c < n; ++c) {
            std::size_t pivot = c;
            for (std::size_t row = c + 1; row < n; ++row)
                if (std::abs(a[row][c]) > std::abs(a[pivot][c]))
                    pivot = row;
            std::swap(a[c], a[pivot]);
            for (std::size_t row = c + 1; row < n; ++row) {
                const double f = a[row][c] / a[c][c];
                for (std::size_t col = c; col <= n; ++col)
                    a[row][col] -= f * a[c][col];
            }
        }
        std::vector<double> x(n, 0.0);
        for (std::size_t c = n; c-- > 0;) {
            double v = a[c][n];
            for (std::size_t col = c + 1; col < n; ++col)
                v -= a[c][col] * x[col];
            x[c] = v / a[c][c];
        }
        return x;
    }

    const FitGoal& m_goal;
    std::vector<double> m_cos;
    std::vector<double> m_sin;
    std::vector<double> m_wanted;
    double m_lowU = 0.0;
    double m_highU = 0.0;
    double m_highGain = 0.0;
};

}  // namespace

ChannelBands YardstickFit(const FitGoal& goal, const ChannelBands& bands, int gainCode)
{
    FilterText text;
    for (const Peak& p : Yardstick(goal).Fit()) {
        FilterTextItem item;
        item.kind = FilterTextItem::Kind::Filter;
        item.filter = TextFilter{TextFilterKind::Peak, std::exp2(p.u), p.gain, std::exp2(p.logQ)};
        text.items.push_back(item);
    }
    return ImportFilters(text, 0, bands, gainCode).bands;
}
