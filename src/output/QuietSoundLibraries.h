// SPDX-License-Identifier: GPL-3.0-or-later
// Keeping the sound libraries' own messages off the player's terminal: a machine without sound
// must fail with one line of ours, not pages of theirs.
#pragma once

#include <cstdarg>

// alsa/error.h needs va_list and declares snd_lib_error_set_local outside its own extern "C" block.
extern "C" {
#include <alsa/error.h>
}

namespace output {

// libasound's messages (no card, no sequencer, unknown PCM) are off for this thread while it lasts.
class AlsaMessagesSilenced {
public:
    AlsaMessagesSilenced();
    ~AlsaMessagesSilenced();
    AlsaMessagesSilenced(const AlsaMessagesSilenced&) = delete;
    AlsaMessagesSilenced& operator=(const AlsaMessagesSilenced&) = delete;

private:
    snd_local_error_handler_t previous_;
};

// libjack prints its errors itself, also later from its own threads (a server that went away), so
// its messages stay off for the life of the program once we use JACK.
void SilenceJack();

// Whether a JACK server answers, asked without ever starting one.
bool JackServerRunning();

} // namespace output
