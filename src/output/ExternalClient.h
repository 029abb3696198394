// SPDX-License-Identifier: GPL-3.0-or-later
// One client of ours on an external MIDI backend, with one output port of ours.
#pragma once

#include "output/Port.h"
#include "output/RtMidiNames.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace output {

enum class Backend { AlsaSequencer, Jack };

// Implementations never print and never throw.
class ExternalClient {
public:
    virtual ~ExternalClient() = default;
    // The stable names of the ports that accept output, in the backend's order; a port that
    // vanished while being listed keeps its place with an empty name. None once the backend has
    // gone away.
    virtual std::vector<std::string> portNames() = 0;
    // Connects our output to the port at `address`, and to it alone: Ok, NoDriver when the port is
    // not there, Error when the backend refuses.
    virtual Result open(const PortAddress& address) = 0;
    // Whether what we send reaches the port at `address`: it is listed and connected to our output.
    virtual bool reaches(const PortAddress& address) = 0;
    // False once the backend has gone away for good (a JACK server that stopped): only a new
    // client can reach a server started again.
    virtual bool alive() const = 0;
    // Sends one complete message; false when the backend reports an error or has gone away.
    virtual bool send(std::span<const std::uint8_t> bytes) = 0;
};

// A client named "Velmora" on `backend`, or none when the backend is not there (no ALSA
// sequencer, no JACK server). A JACK server is never started for us.
std::unique_ptr<ExternalClient> ConnectExternalClient(Backend backend);

} // namespace output
