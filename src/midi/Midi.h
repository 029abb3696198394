// SPDX-License-Identifier: GPL-3.0-or-later
// The MIDI and Roland GS vocabulary every layer speaks: status bytes, controllers, short-message
// words, system-exclusive framing and the GS data set with its checksum. Sender and readers share
// it, so they cannot drift apart. Depends on the standard library alone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace midi {

// Channel messages: the kind in the high four bits, the channel (0 = MIDI channel 1) in the low four.
constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kNoteOn = 0x90; // velocity 0 is a note off
constexpr std::uint8_t kKeyPressure = 0xA0;
constexpr std::uint8_t kControlChange = 0xB0;
constexpr std::uint8_t kProgramChange = 0xC0;
constexpr std::uint8_t kChannelPressure = 0xD0;
constexpr std::uint8_t kPitchBend = 0xE0;
constexpr std::uint8_t kSystemExclusive = 0xF0;
constexpr std::uint8_t kEndOfExclusive = 0xF7;

constexpr int kChannels = 16;
constexpr int kKeys = 128;
constexpr int kPitchClasses = 12; // C, C#, ... B
constexpr std::uint8_t kHighestData = 0x7F;

// The built-in synthesizer's own instruments, after a bank select of kOwnBank: the tuning piano,
// one string per key, its partials exactly harmonic or as stiff as a real piano's. General MIDI's
// sounds are bank 0.
constexpr int kOwnBank = 1;
constexpr int kTuningPianoProgram = 0;
constexpr int kStiffTuningPianoProgram = 1;

constexpr std::uint8_t StatusOf(std::uint8_t kind, int channel)
{
    return std::uint8_t(kind | (channel & 0x0F));
}
constexpr std::uint8_t KindOf(std::uint8_t status)
{
    return status & 0xF0;
}
constexpr int ChannelOf(std::uint8_t status)
{
    return status & 0x0F;
}

// Controllers.
constexpr std::uint8_t kBankSelect = 0; // its most significant byte; a program change follows
constexpr std::uint8_t kDataEntry = 6;  // most significant byte; kDataEntryLsb the least
constexpr std::uint8_t kDataEntryLsb = 38;
constexpr std::uint8_t kRegisteredParameterLsb = 100;
constexpr std::uint8_t kRegisteredParameterMsb = 101;
constexpr std::uint8_t kSustainPedal = 64; // the damper pedal
constexpr std::uint8_t kSostenutoPedal = 66;
constexpr std::uint8_t kAllSoundOff = 120;
constexpr std::uint8_t kResetAllControllers = 121;
constexpr std::uint8_t kAllNotesOff = 123;

// General MIDI's registered parameter 0/1, a channel's fine tuning: 14 bits, 8192 for 0 cents,
// 0 ... 16383 for -100 ... +100 cents. Set by parameter number, two data entries, and the number
// put back to 127/127 (none) so that a stray data entry changes nothing.
constexpr int kFineTuningCentre = 8192;
constexpr int FineTuningValue(double cents)
{
    const double value = kFineTuningCentre + cents * kFineTuningCentre / 100;
    const int rounded = int(value < 0 ? value - 0.5 : value + 0.5);
    return rounded < 0 ? 0 : rounded > 16383 ? 16383 : rounded;
}
struct ControllerChange {
    std::uint8_t controller, value;
};
constexpr std::array<ControllerChange, 6> FineTuningControllers(double cents)
{
    const int value = FineTuningValue(cents);
    return {{{kRegisteredParameterMsb, 0},
             {kRegisteredParameterLsb, 1},
             {kDataEntry, std::uint8_t(value >> 7)},
             {kDataEntryLsb, std::uint8_t(value & 0x7F)},
             {kRegisteredParameterMsb, 127},
             {kRegisteredParameterLsb, 127}}};
}

// A short message's bytes, as many as its status calls for.
struct ShortMessage {
    std::array<std::uint8_t, 3> bytes{};
    std::size_t size = 0; // 0: not a short message
    std::span<const std::uint8_t> view() const { return {bytes.data(), size}; }
    bool operator==(const ShortMessage&) const = default;
};

// A note-on or a note-off.
constexpr bool IsNote(const ShortMessage& message)
{
    const int kind = KindOf(message.bytes[0]);
    return kind == kNoteOn || kind == kNoteOff;
}

// A note-off, or a note-on of velocity 0.
constexpr bool IsNoteOff(const ShortMessage& message)
{
    const int kind = KindOf(message.bytes[0]);
    return kind == kNoteOff || (kind == kNoteOn && message.bytes[2] == 0);
}

// Two notes of one key of one channel.
constexpr bool SameKey(const ShortMessage& a, const ShortMessage& b)
{
    return IsNote(a) && IsNote(b) && ChannelOf(a.bytes[0]) == ChannelOf(b.bytes[0]) &&
           a.bytes[1] == b.bytes[1];
}

// The message of this status and data: 2 bytes for program change and channel pressure, 3 for the
// other channel messages. Size 0 for a status no short message has (a data byte, system
// exclusive, undefined) or a data byte of 128 or more.
ShortMessage ShortMessageOf(int status, int data1, int data2 = 0);

// Whether `bytes` is one whole system-exclusive message: F0, data bytes below 128, F7.
bool IsCompleteSystemExclusive(std::span<const std::uint8_t> bytes);

} // namespace midi

// Roland GS data sets: F0 41 <device> 42 12, three address bytes, data, checksum, F7.
namespace midi::gs {

constexpr std::uint8_t kRoland = 0x41;
constexpr std::uint8_t kDeviceId = 0x10; // the device ID a GS module answers to by default
constexpr std::uint8_t kBroadcast = 0x7F;
constexpr std::uint8_t kModel = 0x42;
constexpr std::uint8_t kDataSet = 0x12;
constexpr std::array<std::uint8_t, 5> kHeader = {kSystemExclusive, kRoland, kDeviceId, kModel, kDataSet};

constexpr std::size_t kAddressOffset = kHeader.size();
constexpr std::size_t kDataOffset = kAddressOffset + 3;
using Address = std::array<std::uint8_t, 3>;
// The first address byte of the patch parameters, where both messages below live.
constexpr std::uint8_t kPatchParameters = 0x40;

// 40 00 7F, data 00: every part back to its defaults.
constexpr Address kResetAddress = {kPatchParameters, 0x00, 0x7F};
constexpr std::uint8_t kResetValue = 0x00;

// The master tune: 40 00 00, four data bytes each carrying a nibble of a 16-bit value, 0x0400 for
// 0 cents, a tenth of a cent per unit, 0x0018 ... 0x07E8 for -100 ... +100 cents.
constexpr Address kMasterTuneAddress = {kPatchParameters, 0x00, 0x00};
constexpr std::uint16_t kMasterTuneCentre = 0x0400;
constexpr std::array<std::uint8_t, 4> MasterTuneData(double cents)
{
    const double units = kMasterTuneCentre + cents * 10;
    int value = int(units < 0 ? units - 0.5 : units + 0.5);
    value = value < 0x18 ? 0x18 : value > 0x7E8 ? 0x7E8 : value;
    return {std::uint8_t(value >> 12 & 0xF), std::uint8_t(value >> 8 & 0xF), std::uint8_t(value >> 4 & 0xF),
            std::uint8_t(value & 0xF)};
}

// The scale tuning of a part: 40 1x 40 (C) ... 40 1x 4B (B), x the part's address block; one data
// byte per pitch class, kScaleTuningCentre for 0 cents, each step one cent.
constexpr std::uint8_t kScaleTuningOfC = 0x40;
constexpr std::uint8_t kScaleTuningCentre = 0x40;
constexpr int kPart1Block = 1; // the part that plays MIDI channel 1
constexpr Address ScaleTuningAddress(int block)
{
    return {kPatchParameters, std::uint8_t(0x10 | block), kScaleTuningOfC};
}
constexpr bool IsPartBlock(std::uint8_t addressByte1)
{
    return (addressByte1 & 0xF0) == 0x10;
}

// The Roland checksum: the value that brings the sum of address and data bytes to a multiple of
// 128; 0 (never 128) when the sum already is one.
constexpr std::uint8_t RolandChecksum(int sumOfAddressAndData)
{
    return std::uint8_t((128 - sumOfAddressAndData % 128) % 128);
}
constexpr std::uint8_t ChecksumOf(std::span<const std::uint8_t> addressAndData)
{
    int sum = 0;
    for (std::uint8_t byte : addressAndData)
        sum += byte;
    return RolandChecksum(sum);
}

// The whole data set to our device ID: header, address, data, checksum, F7.
template <std::size_t N>
constexpr std::array<std::uint8_t, kDataOffset + N + 2>
DataSetMessage(const Address& address, const std::array<std::uint8_t, N>& data)
{
    std::array<std::uint8_t, kDataOffset + N + 2> message{};
    std::size_t at = 0;
    for (std::uint8_t byte : kHeader)
        message[at++] = byte;
    for (std::uint8_t byte : address)
        message[at++] = byte;
    for (std::uint8_t byte : data)
        message[at++] = byte;
    message[at] = ChecksumOf(std::span(message).subspan(kAddressOffset, 3 + N));
    message[at + 1] = kEndOfExclusive;
    return message;
}

} // namespace midi::gs
