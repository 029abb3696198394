// SPDX-License-Identifier: GPL-3.0-or-later
// The notes that started late: a key pressed while the synthesizer could not play yet (still
// opening, or its instrument still measured) sounds from the moment it can, and its note-off is put
// off by as much, so that the note sounds as long as the key was held, not only for what is left
// of the press.
#pragma once

#include "midi/Midi.h"

#include <chrono>
#include <optional>
#include <vector>

namespace synth {

class LateNotes {
public:
    using Clock = std::chrono::steady_clock;

    // `noteOn` was played `lateness` after its key was pressed.
    void started(const midi::ShortMessage& noteOn, Clock::duration lateness);
    // For the note-off (or note-on with velocity 0) of a late note, sent at `sent`: when it is due,
    // as late as the note began. Nothing for a note that began on time. The note is forgotten.
    std::optional<Clock::time_point> dueOf(const midi::ShortMessage& noteOff, Clock::time_point sent);
    bool empty() const { return notes_.empty(); }
    void clear() { notes_.clear(); }

private:
    struct Late {
        midi::ShortMessage noteOn;
        Clock::duration lateness;
    };
    std::vector<Late> notes_;
};

} // namespace synth
