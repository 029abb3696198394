// Placeholder until the RtMidi backends land: no external ports.
#include "platform/RtMidiDevices.h"

namespace platform {

std::vector<std::unique_ptr<MidiOutDevice>> EnumerateAlsaSequencerPorts()
{
    return {};
}

std::vector<std::unique_ptr<MidiOutDevice>> EnumerateJackPorts()
{
    return {};
}

} // namespace platform
