// SPDX-License-Identifier: GPL-3.0-or-later
// Our ALSA-sequencer client for an external port, through RtMidi.
#include "output/RtMidiClient.h"

#include "output/QuietSoundLibraries.h"

#include <rtmidi/RtMidi.h>

#include <iostream>

namespace output {
namespace {

// RtMidi reports on std::cerr until it has our error callback, i.e. inside its constructor.
// Only the user-interface thread talks to RtMidi, so nothing else is lost meanwhile.
class CerrMuted {
public:
    CerrMuted() : previous_(std::cerr.rdbuf(nullptr)) {}
    ~CerrMuted() { std::cerr.rdbuf(previous_); }
    CerrMuted(const CerrMuted&) = delete;
    CerrMuted& operator=(const CerrMuted&) = delete;

private:
    std::streambuf* previous_;
};

class RtMidiClient final : public ExternalClient {
public:
    explicit RtMidiClient(std::unique_ptr<RtMidiOut> out) : out_(std::move(out))
    {
        out_->setErrorCallback(&RtMidiClient::RecordError, this);
    }

    std::vector<std::string> portNames() override { return StableAlsaPortNames(reportedNames()); }

    Result open(const PortAddress& address) override
    {
        const auto reported = reportedNames();
        const auto index = FindPort(StableAlsaPortNames(reported), address);
        if (!index)
            return Result::Missing;
        const bool opened = attempt([&] {
            out_->closePort();
            out_->openPort(*index, "out");
        });
        if (!opened)
            return Result::Failed;
        openedName_ = reported[*index];
        return Result::Ok;
    }

    bool reaches(const PortAddress& address) override
    {
        return IsStillTheOpenedAlsaPort(reportedNames(), address, openedName_);
    }

    bool alive() const override { return true; }

    bool send(std::span<const std::uint8_t> bytes) override
    {
        return attempt([&] { out_->sendMessage(bytes.data(), bytes.size()); });
    }

private:
    // The port names as RtMidi reports them, numbers included.
    std::vector<std::string> reportedNames()
    {
        std::vector<std::string> names;
        attempt([&] {
            const unsigned count = out_->getPortCount();
            for (unsigned index = 0; index < count; ++index)
                names.push_back(out_->getPortName(index));
        });
        return names;
    }

    // Runs RtMidi calls; false when they reported an error or threw.
    template <typename Calls> bool attempt(Calls&& calls)
    {
        const AlsaMessagesSilenced alsaQuiet;
        errorReported_ = false;
        try {
            calls();
        } catch (...) {
            return false;
        }
        return !errorReported_;
    }

    static void RecordError(RtMidiError::Type type, const std::string&, void* client)
    {
        if (type != RtMidiError::DEBUG_WARNING)
            static_cast<RtMidiClient*>(client)->errorReported_ = true;
    }

    std::unique_ptr<RtMidiOut> out_;
    bool errorReported_ = false;
    std::string openedName_;
};

} // namespace

std::unique_ptr<ExternalClient> ConnectAlsaClient()
{
    try {
        const AlsaMessagesSilenced alsaQuiet;
        const CerrMuted muted;
        return std::make_unique<RtMidiClient>(
            std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, std::string(kOwnClientName)));
    } catch (...) { // no sequencer: RtMidi throws a driver error
        return nullptr;
    }
}

} // namespace output
