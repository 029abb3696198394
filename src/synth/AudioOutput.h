// SPDX-License-Identifier: GPL-3.0-or-later
// The sound output behind the synthesizer: the first of FluidSynth's audio drivers that opens,
// kept quiet on the terminal while the others fail.
#pragma once

#include "synth/BeatEmphasis.h"
#include "synth/FluidSynth.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace synth {

// Renders the synthesizer for the audio output period by period, and stops running it (voices and
// reverb alike) while it is silent: no voice sounds and the previous period was below -100 dBFS.
// The next note starts it again in the period after it arrives. Told to, it also holds the
// driver's thread while silent, until a message reaches the synthesizer.
class PeriodRenderer {
public:
    explicit PeriodRenderer(FluidSynth& synth) : synth_(synth), emphasis_(synth.sampleRate()) {}
    // From now on a silent period waits for wake() (or `longest`; zero: never waits) before it
    // returns: the driver's thread sleeps instead of handing silence to the sound server every
    // period. Only for drivers whose own thread writes to a blocking stream; set before that
    // thread starts.
    void sleepWhileSilent(std::chrono::milliseconds longest) { longestSleep_ = longest; }
    // FluidSynth's audio callback: `frames` frames into the `out` buffers, the effects mixed in
    // unless the driver gives them buffers of their own.
    int render(int frames, int nfx, float* fx[], int nout, float* out[]);
    // A message has reached the synthesizer: a sleeping period returns and renders it.
    void wake();
    // No period sleeps from now on: the driver's thread is about to be stopped.
    void stop();
    // True while periods pass without running the synthesizer.
    bool idle() const { return idle_; }
    BeatEmphasisFilter& emphasis() { return emphasis_; }

private:
    void sleepUntilWoken();

    FluidSynth& synth_;
    std::atomic<bool> idle_ = false;
    std::chrono::milliseconds longestSleep_{0};
    std::mutex wakeLock_;
    std::condition_variable wakeUp_;
    bool woken_ = false;          // under wakeLock_
    bool stopped_ = false;        // under wakeLock_
    BeatEmphasisFilter emphasis_; // on the dry sound with the effects mixed in
};

class AudioOutput {
public:
    // Null when none of `drivers` (FluidSynth's names: "pulseaudio", "jack", "alsa", "sdl2", ...)
    // opens: FluidSynth has no fallback of its own. Buffers of 4 periods of 64 frames (5.8 ms at
    // 44.1 kHz); JACK's outputs connected to the system's playback ports. Rendered through a
    // PeriodRenderer where the driver takes a callback (all but sdl2), which sleeps while silent
    // on pulseaudio and alsa.
    static std::unique_ptr<AudioOutput> Open(FluidSynth& synth, const std::vector<std::string>& drivers);
    ~AudioOutput();
    // Called after each message handed to the synthesizer, so that a note after a silence sounds
    // in the next period.
    void wake() { renderer_.wake(); }
    // Null when the driver renders without our callback (sdl2).
    output::BeatEmphasis* emphasis() { return rendersThroughUs_ ? &renderer_.emphasis() : nullptr; }
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

    PeriodRenderer renderer_;       // rendering on the driver's thread, woken from the port's
    std::unique_ptr<SdlAudio> sdl_; // outlives the driver playing through it
    std::unique_ptr<fluid_audio_driver_t, DriverDeleter> output_;
    bool rendersThroughUs_ = false;
};

} // namespace synth
