// A JACK client of ours beside RtMidi's: it hears the server go away and counts its cycles.
#pragma once

#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// RtMidi's own JACK client would go on listing ports and accepting messages after the server has
// gone away, and hands messages to JACK only in its process callback. This client tells both:
// whether the server is still there, and how many cycles have begun.
class JackServerWatch {
public:
    // A watch on the server JACK_DEFAULT_SERVER names, or none when no server answers. Never
    // starts a server. Keeps libjack's own messages off the terminal from then on.
    static std::unique_ptr<JackServerWatch> Start();

    JackServerWatch() = default;
    JackServerWatch(const JackServerWatch&) = delete;
    JackServerWatch& operator=(const JackServerWatch&) = delete;

    bool serverGone() const { return serverGone_; }
    // Whether a port of this full name ("client:port") is registered; one lookup, cheap enough
    // for every message.
    bool hasPort(const std::string& name) const;
    std::uint64_t cyclesBegun() const { return cyclesBegun_; }
    // Blocks until `cycles` cycles have begun, the server has gone, or `limit` has passed.
    void waitForCycles(std::uint64_t cycles, std::chrono::milliseconds limit) const;

private:
    // Both called on libjack threads.
    static void OnShutdown(void* watch);
    static int OnCycle(jack_nframes_t frames, void* watch);

    std::atomic<bool> serverGone_ = false;
    std::atomic<std::uint64_t> cyclesBegun_ = 0;
    std::unique_ptr<jack_client_t, decltype(&jack_client_close)> client_{nullptr, &jack_client_close};
};

} // namespace platform
