// SPDX-License-Identifier: GPL-3.0-or-later
// Roland GS system-exclusive messages as the built-in synthesizer reads them: the GS reset, the
// master tune and the scale tuning of a part; a GS module ignores everything else, and so do we.
#pragma once

#include <cstdint>
#include <span>
#include <variant>
#include <vector>

namespace synth {

// F0 41 10 42 12 40 00 7F 00 41 F7: every part back to its defaults.
struct GsReset {
    bool operator==(const GsReset&) const = default;
};

// New cents for consecutive pitch classes of one part's scale tuning.
struct GsScaleTuning {
    int channel = 0;         // the channel playing the part, 0 ... 15
    int firstPitchClass = 0; // 0 = C ... 11 = B
    std::vector<int> cents;  // -64 ... +63 each, 1 ... 12 of them, ending at B at the latest
    bool operator==(const GsScaleTuning&) const = default;
};

// The master tune of every part: tenths of a cent from 0, -1000 ... +1000.
struct GsMasterTune {
    int tenths = 0;
    bool operator==(const GsMasterTune&) const = default;
};

// std::monostate: a message to ignore.
using GsMessage = std::variant<std::monostate, GsReset, GsScaleTuning, GsMasterTune>;

// Reads one complete message F0 ... F7. Ignored: another maker, model, command or address, a
// device ID other than 10 or 7F (broadcast), a wrong checksum, a body that is cut short, lacks
// its F7 or holds a status byte.
GsMessage ParseGsSysEx(std::span<const std::uint8_t> message);

// The channel (0 ... 15) that plays the part whose parameters lie at 40 1x ..: x = 0 is part 10,
// x = 1 ... 9 are parts 1 ... 9, x = A ... F are parts 11 ... 16; part n plays MIDI channel n.
int ChannelOfPartBlock(int block);

} // namespace synth
