// One RtMidi output client of ours on one backend, which never prints and never throws.
#pragma once

#include "platform/RtMidiNames.h"

#include <rtmidi/RtMidi.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {

class JackServerWatch;

class RtMidiClient {
public:
    // A client named "Velmora" on `api`, or none when the backend is not there (no ALSA
    // sequencer, no JACK server). RtMidi asks JACK never to start a server, and so do we.
    static std::unique_ptr<RtMidiClient> Connect(RtMidi::Api api);

    ~RtMidiClient();
    RtMidiClient(const RtMidiClient&) = delete;
    RtMidiClient& operator=(const RtMidiClient&) = delete;

    // The stable names of the ports that accept output, in the backend's order; a port that
    // vanished while being listed keeps its place with an empty name. None once the JACK server
    // has gone away.
    std::vector<std::string> portNames();
    // Whether the port at `address` is still there.
    bool isListed(const PortAddress& address);
    // Connects our output to the port at `index`; false when RtMidi cannot.
    bool open(unsigned index);
    // Sends one complete message; false when RtMidi reports an error or the server has gone.
    bool send(std::span<const std::uint8_t> bytes);

private:
    RtMidiClient(RtMidi::Api api, std::unique_ptr<RtMidiOut> out, std::unique_ptr<JackServerWatch> jackWatch);
    // Whether the backend is still there to be called; gives up the client when its JACK server
    // has gone away.
    bool backendThere();
    // Blocks for the few JACK cycles after `cycle` that make a connection or a message take effect.
    void waitForJackCycles(std::uint64_t cycle) const;
    // Runs RtMidi calls; false when they reported an error or threw.
    template <typename Calls> bool attempt(Calls&& calls);
    static void RecordError(RtMidiError::Type type, const std::string& text, void* client);

    RtMidi::Api api_;
    std::unique_ptr<JackServerWatch> jackWatch_; // JACK only
    std::unique_ptr<RtMidiOut> out_;             // none once given up
    bool errorReported_ = false;
    std::optional<std::uint64_t> cycleAtLastSend_; // JACK only: the watch's count, if anything was sent
};

} // namespace platform
