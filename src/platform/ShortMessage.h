// The bytes behind a short-message word, as every port needs them.
#pragma once

#include "platform/WinMidi.h"

#include <array>
#include <optional>
#include <span>

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

} // namespace platform
