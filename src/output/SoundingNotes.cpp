// SPDX-License-Identifier: GPL-3.0-or-later
// The notes sounding through an external port, and the messages that silence it.
#include "output/SoundingNotes.h"

namespace output {
namespace {

midi::ShortMessage Message(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    return {{status, data1, data2}, 3};
}

} // namespace

void SoundingNotes::track(const midi::ShortMessage& message)
{
    if (message.size != 3 || message.bytes[0] >= midi::kSystemExclusive)
        return;
    const std::uint8_t kind = midi::KindOf(message.bytes[0]);
    auto& channel = sounding_[midi::ChannelOf(message.bytes[0])];
    const std::uint8_t data1 = message.bytes[1];
    if (kind == midi::kNoteOn)
        channel.set(data1, message.bytes[2] > 0);
    else if (kind == midi::kNoteOff)
        channel.reset(data1);
    else if (kind == midi::kControlChange && (data1 == midi::kAllNotesOff || data1 == midi::kAllSoundOff))
        channel.reset();
}

void SoundingNotes::appendNoteOffs(int channel, std::vector<midi::ShortMessage>& messages) const
{
    for (int note = 0; note < midi::kKeys; ++note)
        if (sounding_[channel].test(note))
            messages.push_back(Message(midi::StatusOf(midi::kNoteOff, channel), note, 0));
}

std::vector<midi::ShortMessage> SoundingNotes::noteOffs() const
{
    std::vector<midi::ShortMessage> messages;
    for (int channel = 0; channel < midi::kChannels; ++channel)
        appendNoteOffs(channel, messages);
    return messages;
}

std::vector<midi::ShortMessage> SoundingNotes::silencingMessages() const
{
    std::vector<midi::ShortMessage> messages;
    for (int channel = 0; channel < midi::kChannels; ++channel) {
        appendNoteOffs(channel, messages);
        messages.push_back(Message(midi::StatusOf(midi::kControlChange, channel), midi::kSustainPedal, 0));
        messages.push_back(Message(midi::StatusOf(midi::kControlChange, channel), midi::kAllNotesOff, 0));
    }
    return messages;
}

} // namespace output
