// SPDX-License-Identifier: GPL-3.0-or-later
// Short messages, checked against what each status calls for, and the
// system-exclusive frame.
#include "midi/Midi.h"

#include <algorithm>

namespace midi {
namespace {

// Bytes in a message with this status, the status included; 0 where no short message has it.
std::size_t MessageLength(std::uint8_t status)
{
    if (status < 0x80)
        return 0;
    if (status < kSystemExclusive) {
        const std::uint8_t kind = KindOf(status);
        return kind == kProgramChange || kind == kChannelPressure ? 2 : 3;
    }
    switch (status) {
    case 0xF1: // time-code quarter frame
    case 0xF3: // song select
        return 2;
    case 0xF2: // song position
        return 3;
    case 0xF6:
    case 0xF8:
    case 0xFA:
    case 0xFB:
    case 0xFC:
    case 0xFE:
    case 0xFF:
        return 1;
    default: // system exclusive, its end, and the undefined ones
        return 0;
    }
}

bool IsData(std::uint8_t byte)
{
    return byte <= kHighestData;
}

} // namespace

ShortMessage ShortMessageOf(int status, int data1, int data2)
{
    ShortMessage message;
    const int given[] = {status, data1, data2};
    const std::size_t size = status >= 0 && status <= 0xFF ? MessageLength(std::uint8_t(status)) : 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (i > 0 && (given[i] < 0 || given[i] > kHighestData))
            return {};
        message.bytes[i] = std::uint8_t(given[i]);
    }
    message.size = size;
    return message;
}

bool IsCompleteSystemExclusive(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= 2 && bytes.front() == kSystemExclusive && bytes.back() == kEndOfExclusive &&
           std::all_of(bytes.begin() + 1, bytes.end() - 1, IsData);
}

} // namespace midi
