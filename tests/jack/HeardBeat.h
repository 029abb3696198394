// SPDX-License-Identifier: GPL-3.0-or-later
// How one partial of a recorded note waxes and wanes: its envelope and the dips a beat puts into it. The
// partial is demodulated at its frequency and smoothed so that neighbouring partials (at least 170 Hz away in
// the keys the game plays) fall out; nothing of the program's is used.
#pragma once

#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>
#include <span>
#include <vector>

namespace jackhelper {

constexpr double kEnvelopeRate = 100; // envelope values per second

// The sound around `hz`, turned down by `hz` and averaged twice over 12.5 ms (zeros at 80 Hz and its
// multiples, at least 30 dB down from 100 Hz on), kEnvelopeRate values a second: what is left is the
// partial near `hz` and whatever beats against it, up to 40 Hz away (4 dB down there).
inline std::vector<std::complex<double>> Baseband(std::span<const float> samples, double sampleRate,
                                                  double hz)
{
    const auto width = std::size_t(sampleRate / 80);
    const std::complex<double> step = std::polar(1.0, -2 * std::numbers::pi * hz / sampleRate);
    std::vector<std::complex<double>> turned(samples.size());
    std::complex<double> phasor = 1;
    for (std::size_t i = 0; i < samples.size(); ++i, phasor *= step)
        turned[i] = double(samples[i]) * phasor;
    const auto averaged = [&](const std::vector<std::complex<double>>& in) {
        std::vector<std::complex<double>> out(in.size() > width ? in.size() - width : 0);
        std::complex<double> sum = 0;
        for (std::size_t i = 0; i < width && i < in.size(); ++i)
            sum += in[i];
        for (std::size_t i = 0; i < out.size(); ++i) {
            out[i] = sum / double(width);
            sum += in[i + width] - in[i];
        }
        return out;
    };
    const auto smooth = averaged(averaged(turned));
    const auto hop = std::size_t(sampleRate / kEnvelopeRate);
    std::vector<std::complex<double>> result;
    for (std::size_t i = 0; i < smooth.size(); i += hop)
        result.push_back(smooth[i]);
    return result;
}

// The level of the partial at `hz` in dB, kEnvelopeRate values a second.
inline std::vector<double> PartialEnvelopeDb(std::span<const float> samples, double sampleRate, double hz)
{
    std::vector<double> db;
    for (const auto& value : Baseband(samples, sampleRate, hz))
        db.push_back(20 * std::log10(std::abs(value) + 1e-12));
    return db;
}

// The envelope less its best quadratic in time: what is left when the smooth decay is taken away.
inline std::vector<double> DecayRemoved(const std::vector<double>& db)
{
    // Least squares on 1, t, t² with t centred, by the normal equations.
    const double n = double(db.size()), mid = (n - 1) / 2;
    double s[5] = {}, r[3] = {};
    for (std::size_t i = 0; i < db.size(); ++i) {
        const double t = (double(i) - mid) / n;
        double power = 1;
        for (int k = 0; k < 5; ++k, power *= t)
            s[k] += power;
        r[0] += db[i], r[1] += t * db[i], r[2] += t * t * db[i];
    }
    // Solve [[s0 s1 s2][s1 s2 s3][s2 s3 s4]] c = r by Cramer's rule.
    const auto det = [](double a, double b, double c, double d, double e, double f, double g, double h,
                        double i) { return a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g); };
    const double d = det(s[0], s[1], s[2], s[1], s[2], s[3], s[2], s[3], s[4]);
    const double c0 = det(r[0], s[1], s[2], r[1], s[2], s[3], r[2], s[3], s[4]) / d;
    const double c1 = det(s[0], r[0], s[2], s[1], r[1], s[3], s[2], r[2], s[4]) / d;
    const double c2 = det(s[0], s[1], r[0], s[1], s[2], r[1], s[2], s[3], r[2]) / d;
    std::vector<double> left(db.size());
    for (std::size_t i = 0; i < db.size(); ++i) {
        const double t = (double(i) - mid) / n;
        left[i] = db[i] - (c0 + c1 * t + c2 * t * t);
    }
    return left;
}

// How far the envelope dips below a smooth decay, in dB (positive).
inline double DeepestDipDb(const std::vector<double>& db)
{
    double deepest = 0;
    for (const double value : DecayRemoved(db))
        deepest = std::min(deepest, value);
    return -deepest;
}

} // namespace jackhelper
