// Reading GS data-set messages: frame, device, checksum, then the two addresses we act on.
#include "synth/GsSysEx.h"

#include <algorithm>
#include <numeric>

namespace synth {
namespace {

constexpr std::uint8_t kExclusive = 0xF0;
constexpr std::uint8_t kEndOfExclusive = 0xF7;
constexpr std::uint8_t kRoland = 0x41;
constexpr std::uint8_t kDeviceId = 0x10;
constexpr std::uint8_t kBroadcast = 0x7F;
constexpr std::uint8_t kGsModel = 0x42;
constexpr std::uint8_t kDataSet = 0x12;

// F0 41 dev 42 12, three address bytes, at least one data byte, the checksum and F7.
constexpr std::size_t kAddressOffset = 5;
constexpr std::size_t kDataOffset = 8;
constexpr std::size_t kShortestMessage = kDataOffset + 3;

// Scale tuning of a part: 40 1x 40 (C) ... 40 1x 4B (B).
constexpr std::uint8_t kScaleTuningOfC = 0x40;
constexpr int kPitchClasses = 12;
constexpr int kCentreByte = 0x40;

bool IsDataSetToUs(std::span<const std::uint8_t> message)
{
    if (message.size() < kShortestMessage || message.front() != kExclusive ||
        message.back() != kEndOfExclusive)
        return false;
    const auto body = message.subspan(1, message.size() - 2);
    if (std::ranges::any_of(body, [](std::uint8_t byte) { return byte > 0x7F; }))
        return false;
    return message[1] == kRoland && (message[2] == kDeviceId || message[2] == kBroadcast) &&
           message[3] == kGsModel && message[4] == kDataSet;
}

// Address, data and checksum add up to a multiple of 128.
bool ChecksumHolds(std::span<const std::uint8_t> addressDataChecksum)
{
    return std::accumulate(addressDataChecksum.begin(), addressDataChecksum.end(), 0) % 128 == 0;
}

bool IsGsReset(std::span<const std::uint8_t> address, std::span<const std::uint8_t> data)
{
    return address[0] == 0x40 && address[1] == 0x00 && address[2] == 0x7F && data.size() == 1 &&
           data[0] == 0x00;
}

bool IsScaleTuning(std::span<const std::uint8_t> address, std::span<const std::uint8_t> data)
{
    const int first = address[2] - kScaleTuningOfC;
    return address[0] == 0x40 && (address[1] & 0xF0) == 0x10 && first >= 0 &&
           first + static_cast<int>(data.size()) <= kPitchClasses;
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
    const auto addressDataChecksum = message.subspan(kAddressOffset, message.size() - kAddressOffset - 1);
    if (!ChecksumHolds(addressDataChecksum))
        return {};
    const auto address = message.subspan(kAddressOffset, 3);
    const auto data = message.subspan(kDataOffset, message.size() - kDataOffset - 2);
    if (IsGsReset(address, data))
        return GsReset{};
    if (!IsScaleTuning(address, data))
        return {};
    GsScaleTuning tuning{.channel = ChannelOfPartBlock(address[1] & 0x0F),
                         .firstPitchClass = address[2] - kScaleTuningOfC,
                         .cents = {}};
    for (std::uint8_t byte : data)
        tuning.cents.push_back(byte - kCentreByte);
    return tuning;
}

} // namespace synth
