// System-exclusive framing, and the messages that silence an external port.
#pragma once

#include "platform/ShortMessage.h"

#include <array>
#include <bitset>
#include <span>
#include <vector>

namespace platform {

// Whether `bytes` is one whole system-exclusive message: F0, data bytes below 128, F7.
bool IsCompleteSystemExclusive(std::span<const std::uint8_t> bytes);

// The notes sounding on each channel, as far as the messages sent through a port tell.
class SoundingNotes {
public:
    void track(const ShortMessage& message);
    // Note-offs for the notes known to sound.
    std::vector<ShortMessage> noteOffs() const;
    // Note-offs for the notes known to sound, then on every channel the damper pedal lifted
    // (controller 64 = 0) and every note off (controller 123 = 0).
    std::vector<ShortMessage> silencingMessages() const;
    void clear() { sounding_ = {}; }

private:
    void appendNoteOffs(std::uint8_t channel, std::vector<ShortMessage>& messages) const;

    std::array<std::bitset<128>, 16> sounding_{};
};

} // namespace platform
