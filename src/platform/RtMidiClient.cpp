// One RtMidi output client of ours on one backend, which never prints and never throws.
#include "platform/RtMidiClient.h"

#include "platform/RtMidiNames.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>

#include <iostream>

namespace platform {
namespace {

void IgnoreAlsaError(const char*, int, const char*, int, const char*, va_list) {}
void IgnoreJackMessage(const char*) {}

// Keeps libasound's own messages (e.g. a missing /dev/snd/seq) off the terminal for this thread
// while it lasts.
class AlsaMessagesSilenced {
public:
    AlsaMessagesSilenced() : previous_(snd_lib_error_set_local(IgnoreAlsaError)) {}
    ~AlsaMessagesSilenced() { snd_lib_error_set_local(previous_); }
    AlsaMessagesSilenced(const AlsaMessagesSilenced&) = delete;
    AlsaMessagesSilenced& operator=(const AlsaMessagesSilenced&) = delete;

private:
    snd_local_error_handler_t previous_;
};

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

// libjack prints its errors itself, also later from its own threads (a server that went away),
// so its messages stay off for the life of the program once we use JACK.
void SilenceJack()
{
    jack_set_error_function(IgnoreJackMessage);
    jack_set_info_function(IgnoreJackMessage);
}

} // namespace

std::unique_ptr<RtMidiClient> RtMidiClient::Connect(RtMidi::Api api)
{
    if (api == RtMidi::UNIX_JACK)
        SilenceJack();
    std::unique_ptr<RtMidiOut> out;
    try {
        const AlsaMessagesSilenced alsaQuiet;
        const CerrMuted muted;
        out = std::make_unique<RtMidiOut>(api, std::string(kOwnClientName));
    } catch (...) { // no sequencer: RtMidi throws a driver error
        return nullptr;
    }
    std::unique_ptr<RtMidiClient> client(new RtMidiClient(api, std::move(out)));
    // Without a JACK server RtMidi only warns and keeps trying to connect on every call.
    if (!client->attempt([&] { client->out_->getPortCount(); }))
        return nullptr;
    return client;
}

RtMidiClient::RtMidiClient(RtMidi::Api api, std::unique_ptr<RtMidiOut> out) : api_(api), out_(std::move(out))
{
    out_->setErrorCallback(&RtMidiClient::RecordError, this);
}

template <typename Calls>
bool RtMidiClient::attempt(Calls&& calls)
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

void RtMidiClient::RecordError(RtMidiError::Type type, const std::string&, void* client)
{
    if (type != RtMidiError::DEBUG_WARNING)
        static_cast<RtMidiClient*>(client)->errorReported_ = true;
}

std::vector<std::string> RtMidiClient::portNames()
{
    std::vector<std::string> names;
    attempt([&] {
        const unsigned count = out_->getPortCount();
        for (unsigned index = 0; index < count; ++index) {
            const std::string name = out_->getPortName(index);
            names.push_back(api_ == RtMidi::LINUX_ALSA ? StableAlsaPortName(name) : name);
        }
    });
    return names;
}

bool RtMidiClient::open(unsigned index)
{
    return attempt([&] { out_->openPort(index, "out"); });
}

bool RtMidiClient::send(std::span<const std::uint8_t> bytes)
{
    return attempt([&] { out_->sendMessage(bytes.data(), bytes.size()); });
}

} // namespace platform
