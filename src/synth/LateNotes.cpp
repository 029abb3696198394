// SPDX-License-Identifier: GPL-3.0-or-later
#include "synth/LateNotes.h"

#include <algorithm>

namespace synth {

void LateNotes::started(const midi::ShortMessage& noteOn, Clock::duration lateness)
{
    std::erase_if(notes_, [&](const Late& late) { return midi::SameKey(late.noteOn, noteOn); });
    notes_.push_back({noteOn, lateness});
}

std::optional<LateNotes::Clock::time_point> LateNotes::dueOf(const midi::ShortMessage& noteOff,
                                                             Clock::time_point sent)
{
    if (!midi::IsNoteOff(noteOff))
        return std::nullopt;
    const auto late = std::find_if(notes_.begin(), notes_.end(),
                                   [&](const Late& note) { return midi::SameKey(note.noteOn, noteOff); });
    if (late == notes_.end())
        return std::nullopt;
    const Clock::time_point due = sent + late->lateness;
    notes_.erase(late);
    return due;
}

} // namespace synth
