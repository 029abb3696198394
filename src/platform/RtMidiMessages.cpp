// The bytes behind a short-message word, and the messages that silence an external port.
#include "platform/RtMidiMessages.h"

#include <algorithm>

namespace platform {
namespace {

constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kNoteOn = 0x90;
constexpr std::uint8_t kControlChange = 0xB0;
constexpr std::uint8_t kDamperPedal = 64;
constexpr std::uint8_t kAllSoundOff = 120;
constexpr std::uint8_t kAllNotesOff = 123;

// Bytes in a message with this status, the status included; 0 where no short message has it.
std::size_t MessageLength(std::uint8_t status)
{
    if (status < 0x80)
        return 0;
    if (status < 0xF0) {
        const std::uint8_t kind = status & 0xF0;
        return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
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

ShortMessage Message(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    return {{status, data1, data2}, 3};
}

} // namespace

std::optional<ShortMessage> UnpackShortMessage(DWORD word)
{
    ShortMessage message;
    message.size = MessageLength(word & 0xFF);
    if (message.size == 0)
        return std::nullopt;
    for (std::size_t i = 0; i < message.size; ++i) {
        message.bytes[i] = (word >> (8 * i)) & 0xFF;
        if (i > 0 && message.bytes[i] >= 0x80)
            return std::nullopt;
    }
    return message;
}

bool IsCompleteSystemExclusive(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= 2 && bytes.front() == 0xF0 && bytes.back() == 0xF7 &&
           std::all_of(bytes.begin() + 1, bytes.end() - 1, [](std::uint8_t byte) { return byte < 0x80; });
}

void SoundingNotes::track(const ShortMessage& message)
{
    if (message.size != 3 || message.bytes[0] >= 0xF0)
        return;
    const std::uint8_t kind = message.bytes[0] & 0xF0;
    auto& channel = sounding_[message.bytes[0] & 0x0F];
    const std::uint8_t data1 = message.bytes[1];
    if (kind == kNoteOn)
        channel.set(data1, message.bytes[2] > 0);
    else if (kind == kNoteOff)
        channel.reset(data1);
    else if (kind == kControlChange && (data1 == kAllNotesOff || data1 == kAllSoundOff))
        channel.reset();
}

std::vector<ShortMessage> SoundingNotes::silencingMessages() const
{
    std::vector<ShortMessage> messages;
    for (std::uint8_t channel = 0; channel < sounding_.size(); ++channel) {
        for (std::uint8_t note = 0; note < 128; ++note)
            if (sounding_[channel].test(note))
                messages.push_back(Message(kNoteOff | channel, note, 0));
        messages.push_back(Message(kControlChange | channel, kDamperPedal, 0));
        messages.push_back(Message(kControlChange | channel, kAllNotesOff, 0));
    }
    return messages;
}

} // namespace platform
