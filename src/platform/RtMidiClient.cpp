// One RtMidi output client of ours on one backend, which never prints and never throws.
#include "platform/RtMidiClient.h"

#include "platform/QuietSoundLibraries.h"
#include "platform/RtMidiJackWatch.h"

#include <iostream>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace platform {
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

// Tells the leak checker of the sanitizer builds that `object` stays allocated on purpose.
void LeftAllocatedOnPurpose([[maybe_unused]] const void* object)
{
#if defined(__SANITIZE_ADDRESS__)
    __lsan_ignore_object(object);
#endif
}

} // namespace

std::unique_ptr<RtMidiClient> RtMidiClient::Connect(RtMidi::Api api)
{
    // The watch asks first: RtMidi's JACK client leaks its ring buffer when no server answers.
    std::unique_ptr<JackServerWatch> jackWatch;
    if (api == RtMidi::UNIX_JACK && !(jackWatch = JackServerWatch::Start()))
        return nullptr;
    std::unique_ptr<RtMidiOut> out;
    try {
        const AlsaMessagesSilenced alsaQuiet;
        const CerrMuted muted;
        out = std::make_unique<RtMidiOut>(api, std::string(kOwnClientName));
    } catch (...) { // no sequencer: RtMidi throws a driver error
        return nullptr;
    }
    std::unique_ptr<RtMidiClient> client(new RtMidiClient(api, std::move(out), std::move(jackWatch)));
    // A JACK server gone in the meantime: RtMidi only warns, and tries again on every call.
    if (!client->attempt([&] { client->out_->getPortCount(); }))
        return nullptr;
    return client;
}

RtMidiClient::RtMidiClient(RtMidi::Api api, std::unique_ptr<RtMidiOut> out,
                           std::unique_ptr<JackServerWatch> jackWatch)
    : api_(api), jackWatch_(std::move(jackWatch)), out_(std::move(out))
{
    out_->setErrorCallback(&RtMidiClient::RecordError, this);
}

RtMidiClient::~RtMidiClient()
{
    // RtMidi's closing races with its process callback and can drop what was sent just before.
    if (out_ && cycleAtLastSend_)
        waitForJackCycles(*cycleAtLastSend_);
}

// Three cycles begun after `cycle`: by then JACK has applied a graph change made before it (it
// does so at a cycle boundary), and RtMidi's process callback has handed on what was sent before.
void RtMidiClient::waitForJackCycles(std::uint64_t cycle) const
{
    jackWatch_->waitForCycles(cycle + 3, std::chrono::milliseconds(500));
}

template <typename Calls> bool RtMidiClient::attempt(Calls&& calls)
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

bool RtMidiClient::backendThere()
{
    if (out_ && jackWatch_ && jackWatch_->serverGone()) {
        // Once a JACK server has gone away, the next jack_client_open anywhere in the process
        // deletes every client still open, and closing one of them afterwards crashes. So both
        // dead clients, and what their callbacks point to, stay as they are, on purpose: a few
        // kilobytes, once per server lost.
        LeftAllocatedOnPurpose(out_.get());
        LeftAllocatedOnPurpose(jackWatch_.get());
        (void)out_.release();
        (void)jackWatch_.release();
    }
    return out_ != nullptr;
}

std::vector<std::string> RtMidiClient::portNames()
{
    std::vector<std::string> names;
    if (!backendThere())
        return names;
    attempt([&] {
        const unsigned count = out_->getPortCount();
        for (unsigned index = 0; index < count; ++index) {
            const std::string name = out_->getPortName(index);
            names.push_back(api_ == RtMidi::LINUX_ALSA ? StableAlsaPortName(name) : name);
        }
    });
    return names;
}

bool RtMidiClient::isListed(const PortAddress& address)
{
    if (!backendThere())
        return false;
    // JACK port names are unique: one lookup instead of RtMidi's listing, which asks JACK for
    // every port once per position.
    if (jackWatch_)
        return address.occurrence == 0 && jackWatch_->hasPort(address.name);
    return FindPort(portNames(), address).has_value();
}

bool RtMidiClient::open(unsigned index)
{
    if (!backendThere() || !attempt([&] { out_->openPort(index, "out"); }))
        return false;
    // A message sent before the new connection is part of the graph would go nowhere.
    if (jackWatch_)
        waitForJackCycles(jackWatch_->cyclesBegun());
    return true;
}

bool RtMidiClient::send(std::span<const std::uint8_t> bytes)
{
    if (!backendThere())
        return false;
    if (jackWatch_)
        cycleAtLastSend_ = jackWatch_->cyclesBegun();
    return attempt([&] { out_->sendMessage(bytes.data(), bytes.size()); });
}

} // namespace platform
