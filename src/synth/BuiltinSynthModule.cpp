// SPDX-License-Identifier: GPL-3.0-or-later
// The module's one entry.
#include "synth/BuiltinSynthModule.h"

#include "synth/BuiltinSynthDevice.h"

void velmora_builtin_synth_device(const synth::SayToPlayer& say, std::unique_ptr<output::Device>& device)
{
    synth::BuiltinSynthOptions options;
    options.say = say;
    device = synth::MakeBuiltinSynthDevice(std::move(options));
}
