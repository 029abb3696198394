// One RtMidi output client of ours on one backend, which never prints and never throws.
#pragma once

#include <rtmidi/RtMidi.h>

#include <memory>
#include <span>
#include <string>
#include <vector>

namespace platform {

class RtMidiClient {
public:
    // A client named "Velmora" on `api`, or none when the backend is not there (no ALSA
    // sequencer, no JACK server). RtMidi asks JACK never to start a server.
    static std::unique_ptr<RtMidiClient> Connect(RtMidi::Api api);

    RtMidiClient(const RtMidiClient&) = delete;
    RtMidiClient& operator=(const RtMidiClient&) = delete;

    // The stable names of the ports that accept output, in the backend's order; a port that
    // vanished while being listed keeps its place with an empty name.
    std::vector<std::string> portNames();
    // Connects our output to the port at `index`; false when RtMidi cannot.
    bool open(unsigned index);
    // Sends one complete message; false when RtMidi reports an error.
    bool send(std::span<const std::uint8_t> bytes);

private:
    RtMidiClient(RtMidi::Api api, std::unique_ptr<RtMidiOut> out);
    // Runs RtMidi calls; false when they reported an error or threw.
    template <typename Calls>
    bool attempt(Calls&& calls);
    static void RecordError(RtMidiError::Type type, const std::string& text, void* client);

    RtMidi::Api api_;
    std::unique_ptr<RtMidiOut> out_;
    bool errorReported_ = false;
};

} // namespace platform
