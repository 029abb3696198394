// SPDX-License-Identifier: GPL-3.0-or-later
// Our JACK client for an external port, on libjack alone: one client per open port.
#pragma once

#include "output/ExternalClient.h"

#include <memory>

namespace output {

// A client with one MIDI output port of ours. Its process callback hands our messages to JACK,
// counts the cycles and so tells when a connection or a message has taken effect; JACK tells it
// when the server goes away. None when no server answers (JACK_DEFAULT_SERVER names it); never
// starts a server, and keeps libjack's own messages off the terminal from then on.
std::unique_ptr<ExternalClient> ConnectJackClient();

} // namespace output
