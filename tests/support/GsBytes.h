// SPDX-License-Identifier: GPL-3.0-or-later
// MIDI messages as the tests expect and send them, computed here rather than by the code under test:
// short messages, and GS data sets with their checksum.
#pragma once

#include "midi/Midi.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

namespace testing {

// A short message as a sender makes it (empty when the bytes are no short message).
inline midi::ShortMessage Short(int status, int data1, int data2 = 0)
{
    return midi::ShortMessageOf(status, data1, data2);
}

inline std::uint8_t GsChecksum(const std::vector<std::uint8_t>& addressAndData)
{
    int sum = 0;
    for (std::uint8_t byte : addressAndData)
        sum += byte;
    return static_cast<std::uint8_t>((128 - sum % 128) % 128);
}

// F0 41 <device> 42 12 <address> <data> <checksum> F7.
// Sized once: GCC 12 at -O2 and above follows a five-byte header vector into the reallocation of
// an insert and warns of a copy out of its bounds (-Warray-bounds, -Wstringop-overflow).
inline std::vector<std::uint8_t> GsDataSet(const std::vector<std::uint8_t>& addressAndData,
                                           std::uint8_t device = 0x10)
{
    const std::uint8_t header[] = {0xF0, 0x41, device, 0x42, 0x12};
    std::vector<std::uint8_t> message(std::size(header) + addressAndData.size() + 2);
    auto end = std::copy(std::begin(header), std::end(header), message.begin());
    end = std::copy(addressAndData.begin(), addressAndData.end(), end);
    *end++ = GsChecksum(addressAndData);
    *end = 0xF7;
    return message;
}

inline std::vector<std::uint8_t> GsReset(std::uint8_t device = 0x10)
{
    return GsDataSet({0x40, 0x00, 0x7F, 0x00}, device);
}

// Scale tuning of address block `block` (40 1x ..) from `firstClass` on, in cents.
inline std::vector<std::uint8_t> GsScaleTuning(int block, int firstClass, const std::vector<int>& cents,
                                               std::uint8_t device = 0x10)
{
    std::vector<std::uint8_t> addressAndData{0x40, static_cast<std::uint8_t>(0x10 | block),
                                             static_cast<std::uint8_t>(0x40 + firstClass)};
    for (int value : cents)
        addressAndData.push_back(static_cast<std::uint8_t>(value + 64));
    return GsDataSet(addressAndData, device);
}

} // namespace testing
