// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in synthesizer as the program loads it: a module of its own beside the program, opened
// when the first device list is made on its thread, so that FluidSynth and the dozens of libraries
// behind it load beside the windows rather than before them. The program sees only this header.
#pragma once

#include "output/Port.h"
#include "synth/SayToPlayer.h"

#include <memory>

namespace synth {

// The name in the device list: the same on every run, 29 bytes of UTF-8.
inline constexpr char kBuiltinSynthName[] = "内蔵GSシンセサイザー";

// The module's file beside the program (or in ../lib/velmora of an installed one) and its entry.
inline constexpr char kBuiltinSynthModule[] = "velmora-synth.so";
inline constexpr char kBuiltinSynthEntry[] = "velmora_builtin_synth_device";
using BuiltinSynthEntry = void(const SayToPlayer& say, std::unique_ptr<output::Device>& device);

} // namespace synth

// Makes device 0 with the default options, telling the player through `say`: the module keeps its
// own copy of the layers below it, without windows.
extern "C" [[gnu::visibility("default")]] synth::BuiltinSynthEntry velmora_builtin_synth_device;
