// SPDX-License-Identifier: GPL-3.0-or-later
// The external MIDI output ports: ALSA-sequencer ports through RtMidi, JACK MIDI input ports through libjack.
#pragma once

#include "output/Port.h"

#include <memory>
#include <vector>

namespace output {

// Every ALSA-sequencer port that accepts output, by a name stable across runs; none, silently,
// when there is no sequencer.
std::vector<std::unique_ptr<Device>> EnumerateAlsaSequencerPorts();

// Every JACK MIDI input port, by a name stable across runs; none, silently, without a JACK server.
std::vector<std::unique_ptr<Device>> EnumerateJackPorts();

} // namespace output
