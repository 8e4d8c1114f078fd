// Writes the sample measurements of the fit benchmark (bench/data/), made up, not measured:
//   make_fit_samples DIR
// - listening-seat.txt: a loudspeaker at a listening seat as REW exports it: the speaker's
//   low-end roll-off, room modes, a boundary dip, a crossover dip, a falling treble, the comb
//   of early reflections and a little measurement noise;
// - headphone.txt: an over-ear headphone on an ear simulator as an FRD file: bass roll-off,
//   a mid-bass hump, the ear-canal gain, a notch and a resonance in the treble;
// - headphone-target.txt: a target for it (a bass shelf and the ear gain), as CSV;
// - house-curve.txt: a falling house curve for the room, as a few points.
// 1,000 points from 20 Hz to 20 kHz, evenly spaced in log frequency; the same every run.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace {

constexpr int kPoints = 1000;
constexpr double kPi = 3.141592653589793;

double Hz(int i) { return 20.0 * std::pow(1000.0, i / (kPoints - 1.0)); }

// A resonance (or dip, for a negative gain) of gainDb at f0 with quality q, on a log axis.
double Resonance(double hz, double f0, double gainDb, double q)
{
    const double x = q * (hz / f0 - f0 / hz);
    return gainDb / (1.0 + x * x);
}

// The level of a second-order high-pass (q 0.7) at f0, or low-pass when low is set.
double SecondOrder(double hz, double f0, bool low)
{
    const double r = low ? hz / f0 : f0 / hz;
    return -10.0 * std::log10((1.0 - r * r) * (1.0 - r * r) + r * r / 0.49);
}

// A fixed pseudo-random sequence in -1 .. 1.
class Noise {
public:
    double Next()
    {
        m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(m_state >> 11) / static_cast<double>(1ull << 52) - 1.0;
    }

private:
    std::uint64_t m_state = 20240611;
};

double ListeningSeat(double hz, Noise& noise)
{
    double db = 78.0;
    db += SecondOrder(hz, 38.0, false);                 // the speaker's port tuning
    db += Resonance(hz, 42.0, 9.0, 4.0) + Resonance(hz, 63.0, 6.5, 5.0) + Resonance(hz, 88.0, 5.0, 6.0);
    db += Resonance(hz, 118.0, -11.0, 3.0);             // the floor bounce
    db += Resonance(hz, 190.0, 3.0, 2.5) + Resonance(hz, 310.0, -4.0, 4.0);
    db += Resonance(hz, 2600.0, -3.5, 2.0);             // the crossover
    db -= 1.2 * std::max(0.0, std::log2(hz / 1000.0));  // the room's falling treble
    db += SecondOrder(hz, 19000.0, true);
    // early reflections: a comb that fades as the room absorbs the treble
    db += 1.5 * std::exp(-hz / 6000.0) * std::sin(2.0 * kPi * hz / 340.0) * (hz > 300.0 ? 1.0 : hz / 300.0);
    return db + 0.25 * noise.Next();
}

double Headphone(double hz, Noise& noise)
{
    double db = 95.0;
    db += SecondOrder(hz, 22.0, false);
    db += Resonance(hz, 110.0, 3.5, 0.8);               // the mid-bass hump
    db += Resonance(hz, 2900.0, 11.0, 1.2);             // the ear canal's gain
    db += Resonance(hz, 5600.0, -7.0, 5.0);             // a notch
    db += Resonance(hz, 8700.0, 5.5, 6.0);              // a cup resonance
    db -= 3.0 * std::max(0.0, std::log2(hz / 10000.0));
    return db + 0.2 * noise.Next();
}

double HeadphoneTarget(double hz)
{
    const double bass = 6.0 / (1.0 + std::pow(hz / 105.0, 2.0));   // a bass shelf of +6 dB
    return bass + Resonance(hz, 3000.0, 10.0, 1.0) - 2.0 * std::max(0.0, std::log2(hz / 10000.0));
}

bool Write(const std::string& path, const std::string& header, const std::function<std::string(int)>& line)
{
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr)
        return false;
    std::fputs(header.c_str(), file);
    for (int i = 0; i < kPoints; ++i)
        std::fputs(line(i).c_str(), file);
    return std::fclose(file) == 0;
}

std::string Line(const char* format, double hz, double db)
{
    char text[96];
    std::snprintf(text, sizeof text, format, hz, db);
    return text;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    Noise seatNoise;
    Noise phoneNoise;
    const bool written =
        Write(dir + "/listening-seat.txt",
              "* Made up by bench/make_fit_samples.cpp: a loudspeaker at a listening seat\n"
              "* Measurement: listening seat, 1/48 octave\n"
              "* Freq(Hz) SPL(dB) Phase(degrees)\n",
              [&](int i) { return Line("%.3f %.3f 0.000\n", Hz(i), ListeningSeat(Hz(i), seatNoise)); }) &&
        Write(dir + "/headphone.txt",
              "* Made up by bench/make_fit_samples.cpp: an over-ear headphone on an ear simulator\n",
              [&](int i) { return Line("%.3f\t%.3f\t0\n", Hz(i), Headphone(Hz(i), phoneNoise)); }) &&
        Write(dir + "/headphone-target.txt", "frequency,raw\n",
              [](int i) { return Line("%.2f,%.2f\n", Hz(i), HeadphoneTarget(Hz(i))); });
    std::FILE* house = written ? std::fopen((dir + "/house-curve.txt").c_str(), "w") : nullptr;
    if (house == nullptr)
        return 1;
    // +4 dB below 60 Hz, falling by 1 dB an octave above 1 kHz
    std::fputs("* Made up by bench/make_fit_samples.cpp: a house curve\n20 4\n60 4\n200 0.5\n1000 0\n2000 -1\n"
               "4000 -2\n8000 -3\n16000 -4\n20000 -4.3\n", house);
    return std::fclose(house) == 0 ? 0 : 1;
}
