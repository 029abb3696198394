// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in synthesizer's audio output on a sound server, as the player meets it: CPU while it
// waits for a note, and note-on to sound heard, after a silence and while it sounds. A recorder
// reads the server's null sink back 64 frames at a time. Runs on the PulseAudio server that
// bench/desktop.sh starts; prints tab-separated rows: what, value, unit.
#include "Rows.h"
#include "midi/Midi.h"
#include "synth/BuiltinSynthDevice.h"
#include "synth/OpeningPort.h"

#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using bench::Row;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRate = 44100;
constexpr int kChunkFrames = 64;
constexpr float kHeard = 1e-4f; // -80 dBFS: the attack of a note, far above the muted organ below
constexpr int kTrials = 10;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// The null sink's monitor, read in 64-frame chunks; each sample dated by the time its chunk
// arrived.
class Recorder {
public:
    static std::unique_ptr<Recorder> Open()
    {
        const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, kRate, 1};
        const std::uint32_t chunkBytes = kChunkFrames * sizeof(float);
        const pa_buffer_attr attributes{std::uint32_t(-1), std::uint32_t(-1), std::uint32_t(-1),
                                        std::uint32_t(-1), chunkBytes};
        pa_simple* stream = pa_simple_new(nullptr, "bench", PA_STREAM_RECORD, "null.monitor", "recorder",
                                          &format, nullptr, &attributes, nullptr);
        return stream ? std::unique_ptr<Recorder>(new Recorder(stream)) : nullptr;
    }
    ~Recorder()
    {
        running_ = false;
        thread_.join();
        pa_simple_free(stream_);
    }

    // The time from `start` to the first sound after it, or nothing within a second.
    std::optional<double> heardAfter(Clock::time_point start)
    {
        std::unique_lock lock(mutex_);
        armedAt_ = start;
        heard_.reset();
        heardChanged_.wait_for(lock, std::chrono::seconds(1), [this] { return heard_.has_value(); });
        armedAt_.reset();
        if (!heard_)
            return std::nullopt;
        return Ms(*heard_ - start);
    }

private:
    explicit Recorder(pa_simple* stream) : stream_(stream), thread_([this] { record(); }) {}

    void record()
    {
        std::vector<float> chunk(kChunkFrames);
        while (running_) {
            if (pa_simple_read(stream_, chunk.data(), chunk.size() * sizeof(float), nullptr) < 0)
                return;
            const Clock::time_point arrived = Clock::now();
            const auto loud =
                std::find_if(chunk.begin(), chunk.end(), [](float x) { return std::abs(x) >= kHeard; });
            std::lock_guard lock(mutex_);
            if (!armedAt_ || heard_ || loud == chunk.end())
                continue;
            const auto framesBeforeArrival =
                std::chrono::duration<double>(double(chunk.end() - loud) / kRate);
            heard_ = arrived - std::chrono::duration_cast<Clock::duration>(framesBeforeArrival);
            heardChanged_.notify_all();
        }
    }

    pa_simple* stream_;
    std::atomic<bool> running_{true};
    std::mutex mutex_;
    std::condition_variable heardChanged_;
    std::optional<Clock::time_point> armedAt_, heard_;
    std::thread thread_; // last: starts reading once everything above is set up
};

double IdlePercent(std::chrono::seconds span)
{
    const double before = bench::CpuSeconds();
    std::this_thread::sleep_for(span);
    return 100 * (bench::CpuSeconds() - before) / double(span.count());
}

struct Latencies {
    double median = NAN, worst = NAN;
};

// A piano note on channel 1 after `quiet` without one, kTrials times.
Latencies NoteToSound(output::Port& port, Recorder& recorder, std::chrono::milliseconds quiet)
{
    std::vector<double> times;
    for (int trial = 0; trial < kTrials; ++trial) {
        std::this_thread::sleep_for(quiet);
        const Clock::time_point start = Clock::now();
        port.sendShort(midi::ShortMessageOf(midi::kNoteOn, 60, 100));
        if (auto heard = recorder.heardAfter(start))
            times.push_back(*heard);
        port.sendShort(midi::ShortMessageOf(midi::kControlChange, midi::kAllSoundOff));
    }
    if (times.empty())
        return {};
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

void DriverRows(const std::string& driver)
{
    synth::BuiltinSynthOptions options;
    options.audioDrivers = {driver};
    std::unique_ptr<output::Port> port;
    if (synth::MakeBuiltinSynthDevice(options)->open(port) != output::Result::Ok ||
        static_cast<synth::OpeningPort&>(*port).waitUntilOpened(std::chrono::seconds(30)) !=
            output::Result::Ok)
        return;
    const std::string on = "audio output (" + driver + "): ";
    std::this_thread::sleep_for(std::chrono::seconds(1));
    Row((on + "idle CPU, synthesizer alone").c_str(), IdlePercent(std::chrono::seconds(5)), "% of a core");
    auto recorder = Recorder::Open(); // after the idle CPU: it reads the server every 1.45 ms
    if (!recorder) {
        std::fprintf(stderr, "bench_audio_output: no null sink to record\n");
        return;
    }
    const Latencies afterSilence = NoteToSound(*port, *recorder, std::chrono::milliseconds(500));
    Row((on + "note-on to sound heard after a silence, median of 10").c_str(), afterSilence.median, "ms");
    Row((on + "note-on to sound heard after a silence, worst of 10").c_str(), afterSilence.worst, "ms");
    // A church organ held on channel 2, muted: voices sound throughout, nothing is heard of them.
    constexpr int kChannel2 = 1;
    constexpr std::uint8_t kVolume = 7, kExpression = 11;
    port->sendShort(midi::ShortMessageOf(midi::StatusOf(midi::kProgramChange, kChannel2), 19));
    port->sendShort(midi::ShortMessageOf(midi::StatusOf(midi::kControlChange, kChannel2), kVolume, 0));
    port->sendShort(midi::ShortMessageOf(midi::StatusOf(midi::kControlChange, kChannel2), kExpression, 0));
    port->sendShort(midi::ShortMessageOf(midi::StatusOf(midi::kNoteOn, kChannel2), 48, 100));
    const Latencies whileSounding = NoteToSound(*port, *recorder, std::chrono::milliseconds(100));
    Row((on + "note-on to sound heard while sounding, median of 10").c_str(), whileSounding.median, "ms");
    Row((on + "note-on to sound heard while sounding, worst of 10").c_str(), whileSounding.worst, "ms");
    port->reset();
}

} // namespace

// "alsa" reaches the server through ALSA's PulseAudio plug-in.
int main()
{
    for (const char* driver : {"pulseaudio", "alsa"})
        DriverRows(driver);
}
