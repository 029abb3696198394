// SPDX-License-Identifier: GPL-3.0-or-later
// The fundamental of a rendered note: where it lies and how much of the sound it carries.
#pragma once

#include <complex>
#include <span>

namespace synth {

struct Fundamental {
    double hz = 0;    // the power-weighted mean frequency of the fundamental's band
    double share = 0; // that band's part of the whole sound's power, 0 ... 1
};

// The fundamental of `samples` near `nominalHz`: the strongest component within ±`searchCents` of it,
// then the centroid of the Hann-windowed power spectrum over ±4 bins around it (re-centred until it
// settles). The centroid is the power-weighted mean of the instantaneous frequency, so two beating
// strings count as the pitch between them rather than as whichever happens to peak higher.
Fundamental EstimateFundamental(std::span<const float> samples, double sampleRate, double nominalHz,
                                double searchCents = 50);

// A second estimate of the pitch near `hz`, of another kind than the centroid: the sound demodulated
// at `hz` over three Hann-weighted half-windows (the first half, the middle half and the last), the
// frequency from how fast the phase turns from one to the next. The centroid weighs beating strings
// by their power, the phase follows the stronger one, so the two part where there is no one pitch;
// and a pitch that moves within the note turns the phase faster early than late, or the reverse.
struct PhaseSlope {
    double earlyHz = 0, lateHz = 0; // from the first half-window to the middle one, and on to the last
    double hz() const { return (earlyHz + lateHz) / 2; }
};
PhaseSlope EstimateByPhaseSlope(std::span<const float> samples, double sampleRate, double hz);

// The Hann-weighted sum of `samples` turned down by `hz`: its magnitude is how strongly `hz` sounds
// in them, its argument the phase.
std::complex<double> Demodulated(std::span<const float> samples, double sampleRate, double hz);

// 1200 × log2(hz / referenceHz).
double CentsBetween(double hz, double referenceHz);

// Equal temperament with A4 (key 69) at 440 Hz.
double EqualTemperedHz(int key);

} // namespace synth
