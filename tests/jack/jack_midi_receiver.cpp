// SPDX-License-Identifier: GPL-3.0-or-later
// The end-to-end test's MIDI receiver: one JACK MIDI input port; every event it receives goes to
// stdout as a line of hex bytes, "ready" goes to stderr once the port is up. Runs until SIGTERM.
#include "JackHelperClient.h"

#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

struct FreeRingBuffer {
    void operator()(jack_ringbuffer_t* buffer) const { jack_ringbuffer_free(buffer); }
};

// What the process thread shares with the main thread: the port, and events as (size, bytes).
struct Receiver {
    jack_port_t* port = nullptr;
    std::unique_ptr<jack_ringbuffer_t, FreeRingBuffer> events{jack_ringbuffer_create(1 << 16)};
};

int Process(jack_nframes_t frames, void* data)
{
    auto& receiver = *static_cast<Receiver*>(data);
    void* buffer = jack_port_get_buffer(receiver.port, frames);
    const jack_nframes_t count = jack_midi_get_event_count(buffer);
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) != 0)
            continue;
        const std::size_t size = event.size;
        if (jack_ringbuffer_write_space(receiver.events.get()) < sizeof size + size)
            continue;
        jack_ringbuffer_write(receiver.events.get(), reinterpret_cast<const char*>(&size), sizeof size);
        jack_ringbuffer_write(receiver.events.get(), reinterpret_cast<const char*>(event.buffer), size);
    }
    return 0;
}

void PrintReceivedEvents(jack_ringbuffer_t* events)
{
    // The process thread writes the size and the bytes separately: wait for both.
    std::size_t size = 0;
    while (jack_ringbuffer_peek(events, reinterpret_cast<char*>(&size), sizeof size) == sizeof size &&
           jack_ringbuffer_read_space(events) >= sizeof size + size) {
        jack_ringbuffer_read_advance(events, sizeof size);
        std::vector<char> bytes(size);
        jack_ringbuffer_read(events, bytes.data(), size);
        for (std::size_t i = 0; i < size; ++i)
            std::printf(i == 0 ? "%02X" : " %02X", static_cast<unsigned char>(bytes[i]));
        std::printf("\n");
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const char* clientName = argc > 1 ? argv[1] : "receiver";
    sigset_t stopSignals = jackhelper::BlockStopSignals();
    const jackhelper::Client client = jackhelper::OpenClient(clientName, JackUseExactName);
    if (!client) {
        std::fprintf(stderr, "no JACK server\n");
        return 1;
    }
    Receiver receiver;
    receiver.port = jack_port_register(client.get(), "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (receiver.port == nullptr || jack_set_process_callback(client.get(), Process, &receiver) != 0 ||
        jack_activate(client.get()) != 0) {
        std::fprintf(stderr, "cannot set up the port\n");
        return 1;
    }
    std::fprintf(stderr, "ready\n");

    const timespec pollInterval{0, 5'000'000};
    while (sigtimedwait(&stopSignals, nullptr, &pollInterval) < 0)
        PrintReceivedEvents(receiver.events.get());
    jack_deactivate(client.get());
    PrintReceivedEvents(receiver.events.get());
    return 0;
}
