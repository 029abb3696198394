// SPDX-License-Identifier: GPL-3.0-or-later
// From what a port tells of an instrument's partials to the beat rates' offsets.
#include "windows/BeatPartials.h"

#include "game/Instruments.h"

namespace windows {

BeatPartials BeatPartialsOf(const output::MidiOutput& output, int instrument)
{
    const game::ProgramChoice choice = game::ProgramChoiceOf(instrument);
    auto told = output.partials(choice.bank, choice.program);
    if (!told)
        return {};
    if (told->measuring)
        return {.known = PartialsKnown::Measuring};
    return {.known = PartialsKnown::FromInstrument,
            .offsets = [keys = std::move(told->keys)](int note, int partial) -> std::optional<double> {
                const auto key = keys.find(note);
                if (key == keys.end() || partial < 1 || partial > output::kKnownPartials)
                    return std::nullopt;
                return key->second[std::size_t(partial - 1)];
            }};
}

} // namespace windows
