// SPDX-License-Identifier: GPL-3.0-or-later
// The notes sounding through an external port, and the messages that silence it.
#pragma once

#include "midi/Midi.h"

#include <array>
#include <bitset>
#include <vector>

namespace output {

// The notes sounding on each channel, as far as the messages sent through a port tell.
class SoundingNotes {
public:
    void track(const midi::ShortMessage& message);
    // Note-offs for the notes known to sound.
    std::vector<midi::ShortMessage> noteOffs() const;
    // Note-offs for the notes known to sound, then on every channel the sustain pedal lifted
    // (controller 64 = 0) and every note off (controller 123 = 0).
    std::vector<midi::ShortMessage> silencingMessages() const;
    void clear() { sounding_ = {}; }

private:
    void appendNoteOffs(int channel, std::vector<midi::ShortMessage>& messages) const;

    std::array<std::bitset<midi::kKeys>, midi::kChannels> sounding_{};
};

} // namespace output
