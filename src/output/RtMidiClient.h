// SPDX-License-Identifier: GPL-3.0-or-later
// Our ALSA-sequencer client for an external port, through RtMidi.
#pragma once

#include "output/ExternalClient.h"

#include <memory>

namespace output {

// A client with one output port of ours, or none without a sequencer. Quiet: RtMidi's error
// callback, libasound silenced per call.
std::unique_ptr<ExternalClient> ConnectAlsaClient();

} // namespace output
