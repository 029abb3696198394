// SPDX-License-Identifier: GPL-3.0-or-later
// The external MIDI output ports: ALSA-sequencer ports through RtMidi, then JACK MIDI input ports
// through libjack.
#include "output/ExternalDevices.h"

#include "output/ExternalClient.h"
#include "output/JackMidiClient.h"
#include "output/RtMidiClient.h"
#include "output/SoundingNotes.h"

namespace output {

std::unique_ptr<ExternalClient> ConnectExternalClient(Backend backend)
{
    return backend == Backend::Jack ? ConnectJackClient() : ConnectAlsaClient();
}

namespace {

// An open external port. Before every send it makes sure the port it was opened on still hears
// us, since neither backend reports a message sent to a vanished port.
class ExternalOutPort final : public Port {
public:
    ExternalOutPort(Backend backend, std::unique_ptr<ExternalClient> client, PortAddress target)
        : backend_(backend), client_(std::move(client)), target_(std::move(target))
    {
    }

    // A closed port leaves no note hanging on the device: what still sounds (the check run cut
    // short by the exit, a reference A) is released before the client goes.
    ~ExternalOutPort() override
    {
        if (client_->reaches(target_))
            for (const auto& message : sounding_.noteOffs())
                client_->send(message.view());
    }

    Result sendShort(const midi::ShortMessage& message) override
    {
        if (message.size == 0)
            return Result::Refused;
        if (!deliver(message.view()))
            return Result::Gone;
        sounding_.track(message);
        return Result::Ok;
    }

    Result sendSysex(std::span<const std::uint8_t> bytes) override
    {
        if (!midi::IsCompleteSystemExclusive(bytes))
            return Result::Refused;
        return deliver(bytes) ? Result::Ok : Result::Gone;
    }

    Result reset() override
    {
        if (!client_->reaches(target_))
            return Result::Gone;
        bool delivered = true;
        for (const auto& message : sounding_.silencingMessages())
            delivered = client_->send(message.view()) && delivered;
        sounding_.clear();
        return delivered ? Result::Ok : Result::Gone;
    }

    // The port found again by its stable name, through a new client when the old one's JACK
    // server has gone away. Notes that sounded there are gone with it.
    bool reconnect() override
    {
        if (client_->reaches(target_))
            return false;
        if (!client_->alive()) {
            auto fresh = ConnectExternalClient(backend_);
            if (!fresh)
                return false;
            client_ = std::move(fresh);
        }
        if (client_->open(target_) != Result::Ok)
            return false;
        sounding_.clear();
        return true;
    }

private:
    bool deliver(std::span<const std::uint8_t> bytes)
    {
        return client_->reaches(target_) && client_->send(bytes);
    }

    Backend backend_;
    std::unique_ptr<ExternalClient> client_;
    PortAddress target_;
    SoundingNotes sounding_;
};

// A listed external port, found again by its stable name when opened: port numbers may have
// moved since the list was made.
class ExternalOutDevice final : public Device {
public:
    ExternalOutDevice(Backend backend, PortAddress address) : backend_(backend), address_(std::move(address))
    {
    }

    std::string name() const override { return address_.name; }

    Result open(std::unique_ptr<Port>& port) override
    {
        auto client = ConnectExternalClient(backend_);
        if (!client)
            return Result::Missing;
        if (const Result result = client->open(address_); result != Result::Ok)
            return result;
        port = std::make_unique<ExternalOutPort>(backend_, std::move(client), address_);
        return Result::Ok;
    }

private:
    Backend backend_;
    PortAddress address_;
};

std::vector<std::unique_ptr<Device>> EnumeratePorts(Backend backend)
{
    std::vector<std::unique_ptr<Device>> devices;
    if (auto client = ConnectExternalClient(backend))
        for (auto& address : ForeignPortAddresses(client->portNames()))
            devices.push_back(std::make_unique<ExternalOutDevice>(backend, std::move(address)));
    return devices;
}

} // namespace

std::vector<std::unique_ptr<Device>> EnumerateAlsaSequencerPorts()
{
    return EnumeratePorts(Backend::AlsaSequencer);
}

std::vector<std::unique_ptr<Device>> EnumerateJackPorts()
{
    return EnumeratePorts(Backend::Jack);
}

} // namespace output
