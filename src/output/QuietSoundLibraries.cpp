// SPDX-License-Identifier: GPL-3.0-or-later
// Silencing libasound and libjack, and asking for a JACK server without starting one.
#include "output/QuietSoundLibraries.h"

#include <jack/jack.h>

namespace output {
namespace {

void IgnoreAlsaError(const char*, int, const char*, int, const char*, va_list)
{
}
void IgnoreJackMessage(const char*)
{
}

} // namespace

AlsaMessagesSilenced::AlsaMessagesSilenced() : previous_(snd_lib_error_set_local(IgnoreAlsaError))
{
}

AlsaMessagesSilenced::~AlsaMessagesSilenced()
{
    snd_lib_error_set_local(previous_);
}

void SilenceJack()
{
    jack_set_error_function(IgnoreJackMessage);
    jack_set_info_function(IgnoreJackMessage);
}

bool JackServerRunning()
{
    SilenceJack();
    jack_client_t* probe = jack_client_open("velmora-probe", JackNoStartServer, nullptr);
    if (probe == nullptr)
        return false;
    jack_client_close(probe);
    return true;
}

} // namespace output
