// The sound output behind the synthesizer: the first of FluidSynth's audio drivers that opens,
// kept quiet on the terminal while the others fail.
#pragma once

#include "synth/FluidSynth.h"

#include <memory>
#include <string>
#include <vector>

namespace synth {

class AudioOutput {
public:
    // Null when none of `drivers` (FluidSynth's names: "pulseaudio", "jack", "alsa", "sdl2", ...)
    // opens: FluidSynth has no fallback of its own. Buffers of 4 periods of 64 frames (5.8 ms at
    // 44.1 kHz); JACK's outputs connected to the system's playback ports.
    static std::unique_ptr<AudioOutput> Open(FluidSynth& synth, const std::vector<std::string>& drivers);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

private:
    class SdlAudio;
    struct DriverDeleter {
        void operator()(fluid_audio_driver_t* driver) const { delete_fluid_audio_driver(driver); }
    };

    AudioOutput() = default;
    bool tryDriver(FluidSynth& synth, const std::string& name);

    std::unique_ptr<SdlAudio> sdl_; // outlives the driver playing through it
    std::unique_ptr<fluid_audio_driver_t, DriverDeleter> output_;
};

} // namespace synth
