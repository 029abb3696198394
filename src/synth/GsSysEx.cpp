// SPDX-License-Identifier: GPL-3.0-or-later
// Reading GS data-set messages: frame, device, checksum, then the two addresses we act on.
#include "synth/GsSysEx.h"

#include "midi/Midi.h"

#include <algorithm>
#include <optional>

namespace synth {
namespace {

using namespace midi::gs;

// The header, three address bytes, at least one data byte, the checksum and F7.
constexpr std::size_t kShortestMessage = kDataOffset + 3;

bool IsDataSetToUs(std::span<const std::uint8_t> message)
{
    if (message.size() < kShortestMessage || !midi::IsCompleteSystemExclusive(message))
        return false;
    return message[1] == kRoland && (message[2] == kDeviceId || message[2] == kBroadcast) &&
           message[3] == kModel && message[4] == kDataSet;
}

bool IsGsReset(std::span<const std::uint8_t> address, std::span<const std::uint8_t> data)
{
    return std::ranges::equal(address, kResetAddress) && data.size() == 1 && data[0] == kResetValue;
}

bool IsScaleTuning(std::span<const std::uint8_t> address, std::span<const std::uint8_t> data)
{
    const int first = address[2] - kScaleTuningOfC;
    return address[0] == kPatchParameters && IsPartBlock(address[1]) && first >= 0 &&
           first + static_cast<int>(data.size()) <= midi::kPitchClasses;
}

// Four data bytes, one nibble each, most significant first; a module keeps a value out of range
// within -100 ... +100 cents.
std::optional<GsMasterTune> MasterTuneOf(std::span<const std::uint8_t> address,
                                         std::span<const std::uint8_t> data)
{
    if (!std::ranges::equal(address, kMasterTuneAddress) || data.size() != 4 ||
        std::ranges::any_of(data, [](std::uint8_t byte) { return byte > 0x0F; }))
        return std::nullopt;
    int value = 0;
    for (std::uint8_t nibble : data)
        value = value << 4 | nibble;
    constexpr int kLowest = 0x0018, kHighest = 0x07E8;
    return GsMasterTune{.tenths = std::clamp(value, kLowest, kHighest) - kMasterTuneCentre};
}

} // namespace

int ChannelOfPartBlock(int block)
{
    if (block == 0)
        return 9;
    return block <= 9 ? block - 1 : block;
}

GsMessage ParseGsSysEx(std::span<const std::uint8_t> message)
{
    if (!IsDataSetToUs(message))
        return {};
    const auto addressAndData = message.subspan(kAddressOffset, message.size() - kAddressOffset - 2);
    if (ChecksumOf(addressAndData) != message[message.size() - 2])
        return {};
    const auto address = addressAndData.first(3);
    const auto data = addressAndData.subspan(3);
    if (IsGsReset(address, data))
        return GsReset{};
    if (const auto masterTune = MasterTuneOf(address, data))
        return *masterTune;
    if (!IsScaleTuning(address, data))
        return {};
    GsScaleTuning tuning{.channel = ChannelOfPartBlock(address[1] & 0x0F),
                         .firstPitchClass = address[2] - kScaleTuningOfC,
                         .cents = {}};
    for (std::uint8_t byte : data)
        tuning.cents.push_back(byte - kScaleTuningCentre);
    return tuning;
}

} // namespace synth
