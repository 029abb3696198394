// The bytes behind a short-message word, and the messages that silence an external port.
#pragma once

#include "platform/WinMidi.h"

#include <array>
#include <bitset>
#include <optional>
#include <span>
#include <vector>

namespace platform {

struct ShortMessage {
    std::array<std::uint8_t, 3> bytes{};
    std::size_t size = 0;
    std::span<const std::uint8_t> view() const { return {bytes.data(), size}; }
};

// The bytes of `word` (status in bits 0-7, data 1 in bits 8-15, data 2 in bits 16-23), as many as
// the status calls for: 2 for program change and channel pressure, 3 for the other channel
// messages. None for a word without a status byte (running status is not offered), with a
// system-exclusive or undefined status, or with a data byte of 128 or more.
std::optional<ShortMessage> UnpackShortMessage(DWORD word);

// Whether `bytes` is one whole system-exclusive message: F0, data bytes below 128, F7.
bool IsCompleteSystemExclusive(std::span<const std::uint8_t> bytes);

// The notes sounding on each channel, as far as the messages sent through a port tell.
class SoundingNotes {
public:
    void track(const ShortMessage& message);
    // Note-offs for the notes known to sound, then on every channel the damper pedal lifted
    // (controller 64 = 0) and every note off (controller 123 = 0).
    std::vector<ShortMessage> silencingMessages() const;
    void clear() { sounding_ = {}; }

private:
    std::array<std::bitset<128>, 16> sounding_{};
};

} // namespace platform
