#pragma once
// A reproducible synthetic series: a triclinic cell with esds on every parameter, drifting smoothly
// with T plus a little noise. The same generator, number for number, as bench/run-bench.sh's awk
// program, so that the in-process run and the whole-process runs read the same kind of data.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

namespace bench {

class SeriesNoise {
public:
    // Park-Miller minimal standard generator: exact in double arithmetic, as in the awk version.
    double uniform() {
        seed_ = static_cast<double>(static_cast<std::int64_t>(16807.0 * seed_) % 2147483647);
        return seed_ / 2147483647.0;
    }
    // Roughly normal (mean 0, sd 1) from four uniforms, each drawn in turn.
    double noise() {
        double sum = uniform();
        sum += uniform();
        sum += uniform();
        sum += uniform();
        return (sum - 2.0) * 1.7320508;
    }

private:
    double seed_ = 20261207.0;
};

inline void appendFixed(std::string& out, double value, int decimals) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    out.append(buf, res.ptr);
}

// A cell of the series with its noise drawn, before its esds are.
struct SyntheticCell {
    double a, b, c, alpha, beta, gamma;
};

// One data line in the order of LINE1: x with its esd (drawn here, xEsdLow plus up to
// xEsdSpread), then the cell with esds drawn in turn for each parameter.
inline void appendPoint(std::string& text, SeriesNoise& rng, double x, double xEsdLow, double xEsdSpread,
                        int xDecimals, const SyntheticCell& cell) {
    const struct {
        double value;
        int decimals;
    } fields[] = {{x, xDecimals},
                  {xEsdLow + xEsdSpread * rng.uniform(), xDecimals},
                  {cell.a, 5},
                  {0.002 + 0.002 * rng.uniform(), 5},
                  {cell.b, 5},
                  {0.0015 + 0.001 * rng.uniform(), 5},
                  {cell.c, 5},
                  {0.002 + 0.001 * rng.uniform(), 5},
                  {cell.alpha, 4},
                  {0.006 + 0.004 * rng.uniform(), 4},
                  {cell.beta, 4},
                  {0.02 + 0.02 * rng.uniform(), 4},
                  {cell.gamma, 4},
                  {0.02 + 0.02 * rng.uniform(), 4}};
    for (const auto& f : fields) {
        if (&f != fields) text += ' ';
        appendFixed(text, f.value, f.decimals);
    }
    text += '\n';
}

// The data file text of an n-point series.
inline std::string syntheticSeries(int n) {
    SeriesNoise rng;
    std::string text = "TITLE Synthetic triclinic series, " + std::to_string(n) +
                       " points, esds on every parameter, drifting with T\n"
                       "SYSTEM TRICLINIC\n"
                       "LINE1 T SIGT A SIGA B SIGB C SIGC ALPHA SIGALPHA BETA SIGBETA GAMMA SIGGAMMA\n"
                       "DATA\n";
    for (int i = 0; i < n; ++i) {
        const double t = 100.0 + 300.0 * i / (n > 1 ? n - 1 : 1);
        const double x = t - 100.0;
        SyntheticCell cell{};
        cell.a = 6.18 * (1.0 + 6.0e-5 * x + 4e-8 * x * x) + 3e-4 * rng.noise();
        cell.b = 10.83 * (1.0 + 1.2e-5 * x) + 4e-4 * rng.noise();
        cell.c = 17.41 * (1.0 + 5.0e-5 * x - 2e-8 * x * x) + 5e-4 * rng.noise();
        cell.alpha = 76.87 + 1.0e-3 * x + 3e-3 * rng.noise();
        cell.beta = 84.46 - 4.0e-3 * x + 8e-3 * rng.noise();
        cell.gamma = 81.58 - 3.0e-3 * x + 8e-3 * rng.noise();
        appendPoint(text, rng, t, 0.05, 0.05, 3, cell);
    }
    return text;
}

// The data file text of an n-point pressure series: the same triclinic cell compressed from 0 to
// 8 GPa, each edge along its own Murnaghan curve x0 (1 + M' P / M0)^(-1/M'), with noise of the
// order of its esds, and an esd on P.
inline std::string syntheticPressureSeries(int n) {
    SeriesNoise rng;
    std::string text = "TITLE Synthetic triclinic pressure series, " + std::to_string(n) +
                       " points, esds on every parameter\n"
                       "SYSTEM TRICLINIC\n"
                       "UNITS P GPa\n"
                       "LINE1 P SIGP A SIGA B SIGB C SIGC ALPHA SIGALPHA BETA SIGBETA GAMMA SIGGAMMA\n"
                       "DATA\n";
    for (int i = 0; i < n; ++i) {
        const double p = 8.0 * i / (n > 1 ? n - 1 : 1);
        const auto edge = [&](double x0, double m0, double mp) { return x0 * std::pow(1.0 + mp * p / m0, -1.0 / mp); };
        const double s = p / (1.0 + 0.3 * p);  // for the angles
        SyntheticCell cell{};
        cell.a = edge(6.18, 60.0, 12.0) + 3e-4 * rng.noise();
        cell.b = edge(10.83, 110.0, 15.0) + 4e-4 * rng.noise();
        cell.c = edge(17.41, 80.0, 10.0) + 5e-4 * rng.noise();
        cell.alpha = 76.87 + 0.05 * s + 3e-3 * rng.noise();
        cell.beta = 84.46 - 0.08 * s + 8e-3 * rng.noise();
        cell.gamma = 81.58 - 0.03 * s + 8e-3 * rng.noise();
        appendPoint(text, rng, p, 0.01, 0.02, 4, cell);
    }
    return text;
}

}  // namespace bench
