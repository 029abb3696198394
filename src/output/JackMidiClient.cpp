// SPDX-License-Identifier: GPL-3.0-or-later
// Our JACK client for an external port, on libjack alone: one client per open port.
#include "output/JackMidiClient.h"

#include "output/QuietSoundLibraries.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace output {
namespace {

using MessageSize = std::uint32_t;
constexpr std::size_t kQueueBytes = 1 << 16;

// Tells the leak checker of the sanitizer builds that `object` stays allocated on purpose.
void LeftAllocatedOnPurpose([[maybe_unused]] const void* object)
{
#if defined(__SANITIZE_ADDRESS__)
    __lsan_ignore_object(object);
#endif
}

// What the client shares with libjack's threads: the callbacks' argument.
struct Shared {
    jack_client_t* client = nullptr;
    jack_port_t* output = nullptr;
    jack_ringbuffer_t* queue = nullptr; // messages as (size, bytes), written whole by one thread
    std::atomic<bool> serverGone = false;
    std::atomic<std::uint64_t> cyclesBegun = 0;

    ~Shared()
    {
        if (client)
            jack_client_close(client);
        if (queue)
            jack_ringbuffer_free(queue);
    }
};

void OnShutdown(void* shared)
{
    static_cast<Shared*>(shared)->serverGone = true;
}

// Moves every queued message that fits into this cycle's buffer of our port; the rest waits for
// the next cycle.
int OnCycle(jack_nframes_t frames, void* data)
{
    auto& shared = *static_cast<Shared*>(data);
    ++shared.cyclesBegun;
    void* buffer = jack_port_get_buffer(shared.output, frames);
    jack_midi_clear_buffer(buffer);
    MessageSize size = 0;
    while (jack_ringbuffer_peek(shared.queue, reinterpret_cast<char*>(&size), sizeof size) == sizeof size &&
           jack_ringbuffer_read_space(shared.queue) >= sizeof size + size) {
        jack_midi_data_t* event = jack_midi_event_reserve(buffer, 0, size);
        if (event == nullptr)
            break;
        jack_ringbuffer_read_advance(shared.queue, sizeof size);
        jack_ringbuffer_read(shared.queue, reinterpret_cast<char*>(event), size);
    }
    return 0;
}

class JackMidiClient final : public ExternalClient {
public:
    explicit JackMidiClient(std::unique_ptr<Shared> shared) : shared_(std::move(shared)) {}

    ~JackMidiClient() override
    {
        if (!alive()) {
            // Once a JACK server has gone away, the next jack_client_open anywhere in the process
            // deletes every client still open, and closing one of them afterwards crashes. So the
            // dead client, and what its callbacks point to, stay as they are, on purpose: a few
            // kilobytes, once per server lost.
            LeftAllocatedOnPurpose(shared_.release());
            return;
        }
        // Closing would drop what is still queued or in this cycle's buffer.
        waitForCycles(lastSendCycle_ + kCyclesToTakeEffect);
    }

    std::vector<std::string> portNames() override
    {
        std::vector<std::string> names;
        if (!alive())
            return names;
        const char** ports =
            jack_get_ports(shared_->client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput);
        for (const char** port = ports; port && *port; ++port)
            names.emplace_back(*port);
        jack_free(ports);
        return names;
    }

    Result open(const PortAddress& address) override
    {
        // JACK port names are unique: there are no twins to tell apart.
        if (!alive() || address.occurrence != 0 ||
            jack_port_by_name(shared_->client, address.name.c_str()) == nullptr)
            return Result::Missing;
        jack_port_disconnect(shared_->client, shared_->output);
        const int result =
            jack_connect(shared_->client, jack_port_name(shared_->output), address.name.c_str());
        if (result != 0 && result != EEXIST)
            return Result::Failed;
        // A message sent before the new connection is part of the graph would go nowhere.
        waitForCycles(shared_->cyclesBegun + kCyclesToTakeEffect);
        return Result::Ok;
    }

    bool reaches(const PortAddress& address) override
    {
        return alive() && jack_port_connected_to(shared_->output, address.name.c_str()) != 0;
    }

    bool alive() const override { return !shared_->serverGone; }

    bool send(std::span<const std::uint8_t> bytes) override
    {
        const MessageSize size = MessageSize(bytes.size());
        if (!alive() || jack_ringbuffer_write_space(shared_->queue) < sizeof size + size)
            return false;
        // One write: the process callback never sees half a message.
        std::vector<char> record(sizeof size + size);
        std::memcpy(record.data(), &size, sizeof size);
        std::memcpy(record.data() + sizeof size, bytes.data(), size);
        jack_ringbuffer_write(shared_->queue, record.data(), record.size());
        lastSendCycle_ = shared_->cyclesBegun;
        return true;
    }

private:
    // Cycles begun after a change before JACK has applied it (it does so at a cycle boundary) and
    // our process callback has handed on what was queued.
    static constexpr std::uint64_t kCyclesToTakeEffect = 3;

    // Blocks until `cycles` cycles have begun, the server has gone, or half a second has passed.
    void waitForCycles(std::uint64_t cycles) const
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        while (shared_->cyclesBegun < cycles && alive() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    std::unique_ptr<Shared> shared_;
    std::uint64_t lastSendCycle_ = 0;
};

} // namespace

std::unique_ptr<ExternalClient> ConnectJackClient()
{
    SilenceJack();
    auto shared = std::make_unique<Shared>();
    shared->client = jack_client_open(std::string(kOwnClientName).c_str(), JackNoStartServer, nullptr);
    if (!shared->client)
        return nullptr;
    shared->queue = jack_ringbuffer_create(kQueueBytes);
    shared->output = jack_port_register(shared->client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (!shared->queue || !shared->output)
        return nullptr;
    jack_on_shutdown(shared->client, &OnShutdown, shared.get());
    if (jack_set_process_callback(shared->client, &OnCycle, shared.get()) != 0 ||
        jack_activate(shared->client) != 0)
        return nullptr;
    return std::make_unique<JackMidiClient>(std::move(shared));
}

} // namespace output
