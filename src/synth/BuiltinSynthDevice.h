// Device 0: the built-in GS-capable synthesizer, always listed.
#pragma once

#include "platform/MidiDevice.h"

#include <memory>

namespace synth {

std::unique_ptr<platform::MidiOutDevice> MakeBuiltinSynthDevice();

} // namespace synth
