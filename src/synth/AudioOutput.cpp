// SPDX-License-Identifier: GPL-3.0-or-later
// Trying FluidSynth's audio drivers in turn, with the sound libraries' own complaints kept off the
// terminal: a machine without sound must fail with one line of ours, not pages of theirs.
#include "synth/AudioOutput.h"

#include "output/QuietSoundLibraries.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

namespace synth {
namespace {

constexpr int kPeriodFrames = 64;
constexpr int kPeriods = 4;
// -100 dBFS: what is left of a reverb tail below this is never heard.
constexpr float kSilence = 1e-5f;
// The longest a silent period sleeps without a message: a note that somehow came in unannounced is
// late by no more than this, and the driver's thread still looks at its stop flag now and then.
constexpr std::chrono::milliseconds kLongestSleep{500};

bool Silent(int frames, int count, float* buffers[])
{
    for (int b = 0; b < count; ++b)
        for (int i = 0; i < frames; ++i)
            if (std::abs(buffers[b][i]) >= kSilence)
                return false;
    return true;
}

void Clear(int frames, int count, float* buffers[])
{
    for (int b = 0; b < count; ++b)
        std::fill_n(buffers[b], frames, 0.0f);
}

} // namespace

int PeriodRenderer::render(int frames, int nfx, float* fx[], int nout, float* out[])
{
    fluid_synth_t* fluid = synth_.get();
    if (idle_ && fluid_synth_get_active_voice_count(fluid) == 0) {
        if (longestSleep_.count() > 0)
            sleepUntilWoken();
        if (fluid_synth_get_active_voice_count(fluid) == 0) {
            Clear(frames, nout, out); // not every driver clears its buffers
            Clear(frames, nfx, fx);
            return FLUID_OK;
        }
    }
    int result = FLUID_OK;
    if (nfx == 0) {
        float* effectsIntoDry[] = {out[0], out[1], out[0], out[1]}; // reverb and chorus, left and right
        result = fluid_synth_process(fluid, frames, 4, effectsIntoDry, nout, out);
        emphasis_.process(frames, nout, out);
    } else {
        result = fluid_synth_process(fluid, frames, nfx, fx, nout, out);
    }
    idle_ = fluid_synth_get_active_voice_count(fluid) == 0 && Silent(frames, nout, out) &&
            Silent(frames, nfx, fx);
    return result;
}

void PeriodRenderer::sleepUntilWoken()
{
    std::unique_lock lock(wakeLock_);
    wakeUp_.wait_for(lock, longestSleep_, [this] { return woken_ || stopped_; });
    woken_ = false;
}

void PeriodRenderer::wake()
{
    {
        const std::lock_guard lock(wakeLock_);
        woken_ = true;
    }
    wakeUp_.notify_one();
}

void PeriodRenderer::stop()
{
    {
        const std::lock_guard lock(wakeLock_);
        stopped_ = true;
    }
    wakeUp_.notify_one();
}

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
    std::unique_ptr<AudioOutput> output(new AudioOutput(synth));
    for (const std::string& driver : drivers)
        if (output->tryDriver(synth, driver))
            return output;
    return nullptr;
}

AudioOutput::AudioOutput(FluidSynth& synth) : renderer_(synth)
{
}

AudioOutput::~AudioOutput()
{
    renderer_.stop(); // the driver's thread must not sleep through its own end
    output_.reset();
}

int AudioOutput::RenderPeriod(void* output, int frames, int nfx, float* fx[], int nout, float* out[])
{
    return static_cast<AudioOutput*>(output)->renderer_.render(frames, nfx, fx, nout, out);
}

bool AudioOutput::tryDriver(FluidSynth& synth, const std::string& name)
{
    if (name == "jack" && !output::JackServerRunning())
        return false;
    std::unique_ptr<SdlAudio> sdl;
    if (name == "sdl2" && !(sdl = SdlAudio::Start()))
        return false;
    if (fluid_settings_setstr(synth.settings(), "audio.driver", name.c_str()) != FLUID_OK)
        return false;
    // These drivers' threads write to a stream that simply runs dry while they sleep, and a write
    // after it starts the stream again at once. JACK's process callback must never wait: it would
    // hold up every client of the server.
    const bool threadMaySleep = name == "pulseaudio" || name == "alsa";
    renderer_.sleepWhileSilent(threadMaySleep ? kLongestSleep : std::chrono::milliseconds(0));
    const output::AlsaMessagesSilenced alsaQuiet;
    output_.reset(new_fluid_audio_driver2(synth.settings(), &AudioOutput::RenderPeriod, this));
    rendersThroughUs_ = output_ != nullptr;
    if (!output_)
        output_.reset(new_fluid_audio_driver(synth.settings(), synth.get()));
    if (!output_)
        return false;
    sdl_ = std::move(sdl);
    renderer_.emphasis().useSampleRate(synth.sampleRate());
    return true;
}

} // namespace synth
