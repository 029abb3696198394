// The sound output behind the synthesizer: the first of FluidSynth's audio drivers that opens,
// kept quiet on the terminal while the others fail.
#pragma once

#include "synth/FluidSynth.h"

#include <memory>
#include <string>
#include <vector>

namespace synth {

// Renders the synthesizer for the audio output period by period, and stops running it (voices and
// reverb alike) while it is silent: no voice sounds and the previous period was below -100 dBFS.
// The next note starts it again in the period after it arrives.
class PeriodRenderer {
public:
    explicit PeriodRenderer(FluidSynth& synth) : synth_(synth) {}
    // FluidSynth's audio callback: `frames` frames into the zeroed `out` buffers, the effects mixed
    // in unless the driver gives them buffers of their own.
    int render(int frames, int nfx, float* fx[], int nout, float* out[]);
    // True while periods pass without running the synthesizer.
    bool idle() const { return idle_; }

private:
    FluidSynth& synth_;
    bool idle_ = false;
};

class AudioOutput {
public:
    // Null when none of `drivers` (FluidSynth's names: "pulseaudio", "jack", "alsa", "sdl2", ...)
    // opens: FluidSynth has no fallback of its own. Buffers of 4 periods of 64 frames (5.8 ms at
    // 44.1 kHz); JACK's outputs connected to the system's playback ports. Rendered through a
    // PeriodRenderer where the driver takes a callback (all but sdl2).
    static std::unique_ptr<AudioOutput> Open(FluidSynth& synth, const std::vector<std::string>& drivers);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

private:
    class SdlAudio;
    struct DriverDeleter {
        void operator()(fluid_audio_driver_t* driver) const { delete_fluid_audio_driver(driver); }
    };

    explicit AudioOutput(FluidSynth& synth);
    bool tryDriver(FluidSynth& synth, const std::string& name);
    static int RenderPeriod(void* output, int frames, int nfx, float* fx[], int nout, float* out[]);

    PeriodRenderer renderer_;       // used by the driver's thread only
    std::unique_ptr<SdlAudio> sdl_; // outlives the driver playing through it
    std::unique_ptr<fluid_audio_driver_t, DriverDeleter> output_;
};

} // namespace synth
