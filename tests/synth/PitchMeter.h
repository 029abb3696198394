// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the pitch of a rendered note to a few thousandths of a cent.
#pragma once

#include <span>

namespace testing {

// The frequency of the strongest spectral peak of `samples` within ±`searchCents` of `nominalHz`.
// The samples are Hann-windowed and the spectrum is evaluated directly at any frequency, as if
// zero-padded without limit; golden-section search then finds the top of the peak.
double PeakFrequency(std::span<const float> samples, double sampleRate, double nominalHz,
                     double searchCents = 100);

// 1200 × log2(hz / referenceHz).
double CentsBetween(double hz, double referenceHz);

} // namespace testing
