// The external MIDI output ports, through RtMidi: ALSA-sequencer ports, then JACK MIDI input ports.
#include "platform/RtMidiDevices.h"

#include "platform/RtMidiClient.h"
#include "platform/RtMidiMessages.h"
#include "platform/RtMidiNames.h"

namespace platform {
namespace {

// An open external port. Before every send it makes sure the port it was opened on is still
// listed, since neither backend reports a message sent to a vanished port.
class RtMidiOutPort final : public MidiOutPort {
public:
    RtMidiOutPort(std::unique_ptr<RtMidiClient> client, PortAddress target)
        : client_(std::move(client)), target_(std::move(target))
    {
    }

    MMRESULT sendShort(DWORD word) override
    {
        const auto message = UnpackShortMessage(word);
        if (!message)
            return MMSYSERR_INVALPARAM;
        if (!deliver(message->view()))
            return MIDIERR_NOTREADY;
        sounding_.track(*message);
        return MMSYSERR_NOERROR;
    }

    MMRESULT sendLong(std::span<const std::uint8_t> bytes) override
    {
        if (!IsCompleteSystemExclusive(bytes))
            return MMSYSERR_INVALPARAM;
        return deliver(bytes) ? MMSYSERR_NOERROR : MIDIERR_NOTREADY;
    }

    MMRESULT reset() override
    {
        if (!targetListed())
            return MIDIERR_NOTREADY;
        bool delivered = true;
        for (const auto& message : sounding_.silencingMessages())
            delivered = client_->send(message.view()) && delivered;
        sounding_.clear();
        return delivered ? MMSYSERR_NOERROR : MIDIERR_NOTREADY;
    }

private:
    bool targetListed() { return client_->isListed(target_); }
    bool deliver(std::span<const std::uint8_t> bytes) { return targetListed() && client_->send(bytes); }

    std::unique_ptr<RtMidiClient> client_;
    PortAddress target_;
    SoundingNotes sounding_;
};

// A listed external port, found again by its stable name when opened: port numbers may have
// moved since the list was made.
class RtMidiOutDevice final : public MidiOutDevice {
public:
    RtMidiOutDevice(RtMidi::Api api, PortAddress address) : api_(api), address_(std::move(address)) {}

    std::string name() const override { return address_.name; }

    MMRESULT open(std::unique_ptr<MidiOutPort>& port) override
    {
        auto client = RtMidiClient::Connect(api_);
        if (!client)
            return MMSYSERR_NODRIVER;
        const auto index = FindPort(client->portNames(), address_);
        if (!index)
            return MMSYSERR_NODRIVER;
        if (!client->open(*index))
            return MMSYSERR_ERROR;
        port = std::make_unique<RtMidiOutPort>(std::move(client), address_);
        return MMSYSERR_NOERROR;
    }

private:
    RtMidi::Api api_;
    PortAddress address_;
};

std::vector<std::unique_ptr<MidiOutDevice>> EnumeratePorts(RtMidi::Api api)
{
    std::vector<std::unique_ptr<MidiOutDevice>> devices;
    if (auto client = RtMidiClient::Connect(api))
        for (auto& address : ForeignPortAddresses(client->portNames()))
            devices.push_back(std::make_unique<RtMidiOutDevice>(api, std::move(address)));
    return devices;
}

} // namespace

std::vector<std::unique_ptr<MidiOutDevice>> EnumerateAlsaSequencerPorts()
{
    return EnumeratePorts(RtMidi::LINUX_ALSA);
}

std::vector<std::unique_ptr<MidiOutDevice>> EnumerateJackPorts()
{
    return EnumeratePorts(RtMidi::UNIX_JACK);
}

} // namespace platform
