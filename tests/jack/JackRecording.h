// SPDX-License-Identifier: GPL-3.0-or-later
// A recording of what a JACK client plays, for the helpers that measure the built-in synthesizer
// as the player hears it (bench/bench_listen, tests/desktop/heard_pitch): made by a capture client
// of our own, read back as float samples, and cut into notes at their onsets.
#pragma once

#include "JackHelperClient.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace jackhelper {

namespace detail {

struct FreePortList {
    void operator()(const char** ports) const { jack_free(ports); }
};

// The process thread's side: the input port and a ring of periods for the main thread to write;
// and where in the recording the server reported xruns (a late client: a gap or a glitch).
struct Capture {
    jack_port_t* port = nullptr;
    std::vector<float> ring = std::vector<float>(1 << 22); // 87 s at 48 kHz: far more than a write lags
    std::atomic<std::size_t> written = 0;                  // samples ever put into the ring
    std::mutex xrunLock;
    std::vector<std::size_t> xruns; // under xrunLock
};

inline int Process(jack_nframes_t frames, void* data)
{
    auto& capture = *static_cast<Capture*>(data);
    const auto* in = static_cast<const float*>(jack_port_get_buffer(capture.port, frames));
    std::size_t at = capture.written.load(std::memory_order_relaxed);
    for (jack_nframes_t i = 0; i < frames; ++i, ++at)
        capture.ring[at % capture.ring.size()] = in[i];
    capture.written.store(at, std::memory_order_release);
    return 0;
}

inline int XRun(void* data)
{
    auto& capture = *static_cast<Capture*>(data);
    const std::lock_guard lock(capture.xrunLock);
    capture.xruns.push_back(capture.written.load(std::memory_order_acquire));
    return 0;
}

} // namespace detail

// A JACK client named `clientName` with its one input connected to every audio output port
// matching `pattern` (a regular expression, as jack_get_ports takes it), so that JACK sums left and
// right; prints "ready <sample rate>" on stderr once connected and writes what it hears, float
// samples as they come, to `path` until SIGTERM or SIGINT; where the server reported xruns goes
// to <path>.xruns. Returns the exit status.
inline int Record(const char* clientName, const std::string& pattern, const std::string& path)
{
    sigset_t stopSignals = BlockStopSignals();
    const Client client = OpenClient(clientName);
    if (!client) {
        std::fprintf(stderr, "%s: no JACK server\n", clientName);
        return 1;
    }
    detail::Capture capture;
    capture.port = jack_port_register(client.get(), "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    std::unique_ptr<const char*, detail::FreePortList> sources(
        jack_get_ports(client.get(), pattern.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput));
    bool connected = capture.port != nullptr && sources &&
                     jack_set_process_callback(client.get(), detail::Process, &capture) == 0 &&
                     jack_set_xrun_callback(client.get(), detail::XRun, &capture) == 0 &&
                     jack_activate(client.get()) == 0;
    for (const char** source = sources.get(); connected && *source != nullptr; ++source)
        connected = jack_connect(client.get(), *source, jack_port_name(capture.port)) == 0;
    if (!connected) {
        std::fprintf(stderr, "%s: cannot connect to the ports matching %s\n", clientName, pattern.c_str());
        return 1;
    }
    std::fprintf(stderr, "ready %u\n", jack_get_sample_rate(client.get()));

    std::ofstream out(path, std::ios::binary);
    std::size_t saved = 0;
    const auto save = [&] {
        for (const std::size_t written = capture.written.load(std::memory_order_acquire); saved < written;
             ++saved)
            out.write(reinterpret_cast<const char*>(&capture.ring[saved % capture.ring.size()]),
                      sizeof(float));
    };
    const timespec pollInterval{0, 20'000'000};
    while (sigtimedwait(&stopSignals, nullptr, &pollInterval) < 0)
        save();
    jack_deactivate(client.get());
    save();
    std::ofstream xruns(path + ".xruns");
    for (const std::size_t position : capture.xruns)
        xruns << position << '\n';
    return out && xruns ? 0 : 1;
}

inline std::vector<float> ReadSamples(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<float> samples;
    for (float sample; in.read(reinterpret_cast<char*>(&sample), sizeof sample);)
        samples.push_back(sample);
    return samples;
}

inline std::vector<std::size_t> ReadXRuns(const std::string& path)
{
    std::ifstream in(path + ".xruns");
    std::vector<std::size_t> positions;
    for (std::size_t position; in >> position;)
        positions.push_back(position);
    return positions;
}

// The first sample of every note: the start of the first 5 ms hop whose peak rises above a fifth
// of the loudest hop after the level was below a fiftieth of it (between two notes it must fall
// that far).
inline std::vector<std::size_t> Onsets(const std::vector<float>& samples, double sampleRate)
{
    constexpr double kHopSeconds = 0.005, kOnsetShare = 0.2, kQuietShare = 0.02;
    const auto hop = std::size_t(kHopSeconds * sampleRate);
    std::vector<float> peaks;
    for (std::size_t start = 0; start + hop <= samples.size(); start += hop) {
        float peak = 0;
        for (std::size_t i = start; i < start + hop; ++i)
            peak = std::max(peak, std::abs(samples[i]));
        peaks.push_back(peak);
    }
    const float loudest = peaks.empty() ? 0 : *std::max_element(peaks.begin(), peaks.end());
    std::vector<std::size_t> onsets;
    bool quiet = true;
    for (std::size_t h = 0; h < peaks.size(); ++h) {
        if (quiet && peaks[h] > kOnsetShare * loudest) {
            // Back to the hop where the attack began, so that the window starts where the note does.
            std::size_t begin = h;
            while (begin > 0 && peaks[begin - 1] > kQuietShare * loudest && peaks[begin - 1] < peaks[begin])
                --begin;
            onsets.push_back(begin * hop);
            quiet = false;
        } else if (peaks[h] < kQuietShare * loudest) {
            quiet = true;
        }
    }
    return onsets;
}

} // namespace jackhelper
