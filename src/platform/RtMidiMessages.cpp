// System-exclusive framing, and the messages that silence an external port.
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

ShortMessage Message(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    return {{status, data1, data2}, 3};
}

} // namespace

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

void SoundingNotes::appendNoteOffs(std::uint8_t channel, std::vector<ShortMessage>& messages) const
{
    for (std::uint8_t note = 0; note < 128; ++note)
        if (sounding_[channel].test(note))
            messages.push_back(Message(kNoteOff | channel, note, 0));
}

std::vector<ShortMessage> SoundingNotes::noteOffs() const
{
    std::vector<ShortMessage> messages;
    for (std::uint8_t channel = 0; channel < sounding_.size(); ++channel)
        appendNoteOffs(channel, messages);
    return messages;
}

std::vector<ShortMessage> SoundingNotes::silencingMessages() const
{
    std::vector<ShortMessage> messages;
    for (std::uint8_t channel = 0; channel < sounding_.size(); ++channel) {
        appendNoteOffs(channel, messages);
        messages.push_back(Message(kControlChange | channel, kDamperPedal, 0));
        messages.push_back(Message(kControlChange | channel, kAllNotesOff, 0));
    }
    return messages;
}

} // namespace platform
