// SPDX-License-Identifier: GPL-3.0-or-later
// How a helper program of the tests and benchmarks joins a JACK server: SIGTERM and SIGINT blocked
// first (JACK's threads inherit the mask, so only the program's sigtimedwait sees them), then a
// client on the running server, never one it starts.
#pragma once

#include <jack/jack.h>

#include <pthread.h>
#include <signal.h>

#include <memory>

namespace jackhelper {

struct CloseClient {
    void operator()(jack_client_t* client) const { jack_client_close(client); }
};
using Client = std::unique_ptr<jack_client_t, CloseClient>;

// The signals that stop the program, blocked in this thread and every thread started after.
inline sigset_t BlockStopSignals()
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    return stopSignals;
}

// Null when no server runs.
inline Client OpenClient(const char* name, jack_options_t options = JackNullOption)
{
    return Client(jack_client_open(name, JackOptions(JackNoStartServer | options), nullptr));
}

} // namespace jackhelper
