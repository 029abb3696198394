// Trying FluidSynth's audio drivers in turn, with the sound libraries' own complaints kept off the
// terminal: a machine without sound must fail with one line of ours, not pages of theirs.
#include "synth/AudioOutput.h"

#include <SDL.h>
#include <jack/jack.h>

#include <cstdarg>

// alsa/error.h declares snd_lib_error_set_local outside its own extern "C" block.
extern "C" {
#include <alsa/error.h>
}

namespace synth {
namespace {

constexpr int kPeriodFrames = 64;
constexpr int kPeriods = 4;

void IgnoreAlsaError(const char*, int, const char*, int, const char*, va_list)
{
}
void IgnoreJackMessage(const char*)
{
}

// libasound's messages (no card, unknown PCM) are off for this thread while it lasts; SDL's ALSA
// backend opens its device on this thread too.
class AlsaMessagesSilenced {
public:
    AlsaMessagesSilenced() : previous_(snd_lib_error_set_local(IgnoreAlsaError)) {}
    ~AlsaMessagesSilenced() { snd_lib_error_set_local(previous_); }
    AlsaMessagesSilenced(const AlsaMessagesSilenced&) = delete;
    AlsaMessagesSilenced& operator=(const AlsaMessagesSilenced&) = delete;

private:
    snd_local_error_handler_t previous_;
};

// FluidSynth's JACK client would start a JACK server of its own on the sound card when none runs,
// which takes seconds and holds the card; ask first, without starting one. libjack also prints
// from its own threads later (a server that went away), so its messages stay off for good.
bool JackServerRunning()
{
    jack_set_error_function(IgnoreJackMessage);
    jack_set_info_function(IgnoreJackMessage);
    jack_client_t* probe = jack_client_open("velmora-synth-probe", JackNoStartServer, nullptr);
    if (probe == nullptr)
        return false;
    jack_client_close(probe);
    return true;
}

} // namespace

// SDL's audio subsystem, which FluidSynth's sdl2 driver expects its host to start (counted by SDL,
// so other users of SDL in the process are not disturbed).
class AudioOutput::SdlAudio {
public:
    static std::unique_ptr<SdlAudio> Start()
    {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return nullptr;
        return std::unique_ptr<SdlAudio>(new SdlAudio);
    }
    ~SdlAudio() { SDL_QuitSubSystem(SDL_INIT_AUDIO); }
    SdlAudio(const SdlAudio&) = delete;
    SdlAudio& operator=(const SdlAudio&) = delete;

private:
    SdlAudio() = default;
};

std::unique_ptr<AudioOutput> AudioOutput::Open(FluidSynth& synth, const std::vector<std::string>& drivers)
{
    fluid_settings_t* settings = synth.settings();
    fluid_settings_setint(settings, "audio.period-size", kPeriodFrames);
    fluid_settings_setint(settings, "audio.periods", kPeriods);
    fluid_settings_setint(settings, "audio.jack.autoconnect", 1);
    std::unique_ptr<AudioOutput> output(new AudioOutput);
    for (const std::string& driver : drivers)
        if (output->tryDriver(synth, driver))
            return output;
    return nullptr;
}

AudioOutput::~AudioOutput() = default;

bool AudioOutput::tryDriver(FluidSynth& synth, const std::string& name)
{
    if (name == "jack" && !JackServerRunning())
        return false;
    std::unique_ptr<SdlAudio> sdl;
    if (name == "sdl2" && !(sdl = SdlAudio::Start()))
        return false;
    if (fluid_settings_setstr(synth.settings(), "audio.driver", name.c_str()) != FLUID_OK)
        return false;
    const AlsaMessagesSilenced alsaQuiet;
    output_.reset(new_fluid_audio_driver(synth.settings(), synth.get()));
    if (!output_)
        return false;
    sdl_ = std::move(sdl);
    return true;
}

} // namespace synth
