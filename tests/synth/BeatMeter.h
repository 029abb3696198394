// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the beat heard at one frequency of a rendered interval: the sound narrowed to a band around
// that frequency, its power envelope, and the envelope's strongest modulation.
#pragma once

#include <span>

namespace testing {

// The band's sound: short Hann windows (40 ms, every 10 ms) turned down to `centreHz`, so that a
// few hertz either way pass and partials 100 Hz away and more are over 40 dB down.
struct BandEnvelope;

// The beat of the interval `both` at `centreHz`, between `lowestHz` and `highestHz`, to a
// thousandth of a hertz: the strongest modulation of the band's power envelope. Each note's own
// sound (`lower`, `upper`: the same keys rendered alone) is taken out of the envelope first, since
// sampled notes waver by themselves (a looped sample repeats its level about once a second); what
// is left, the two notes' cross term, divided by the product of their levels, turns once per beat.
double StrongestBeat(std::span<const float> both, std::span<const float> lower, std::span<const float> upper,
                     double sampleRate, double centreHz, double lowestHz, double highestHz);

} // namespace testing
