// Trying FluidSynth's audio drivers in turn, with the sound libraries' own complaints kept off the
// terminal: a machine without sound must fail with one line of ours, not pages of theirs.
#include "synth/AudioOutput.h"

#include "platform/QuietSoundLibraries.h"

#include <SDL.h>

namespace synth {
namespace {

constexpr int kPeriodFrames = 64;
constexpr int kPeriods = 4;

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
    if (name == "jack" && !platform::JackServerRunning())
        return false;
    std::unique_ptr<SdlAudio> sdl;
    if (name == "sdl2" && !(sdl = SdlAudio::Start()))
        return false;
    if (fluid_settings_setstr(synth.settings(), "audio.driver", name.c_str()) != FLUID_OK)
        return false;
    const platform::AlsaMessagesSilenced alsaQuiet;
    output_.reset(new_fluid_audio_driver(synth.settings(), synth.get()));
    if (!output_)
        return false;
    sdl_ = std::move(sdl);
    return true;
}

} // namespace synth
