// A JACK client of ours beside RtMidi's: it hears the server go away and counts its cycles.
#include "platform/RtMidiJackWatch.h"

#include "platform/QuietSoundLibraries.h"
#include "platform/RtMidiNames.h"

#include <thread>

namespace platform {

std::unique_ptr<JackServerWatch> JackServerWatch::Start()
{
    SilenceJack();
    const std::string name(kOwnClientName);
    auto watch = std::make_unique<JackServerWatch>();
    watch->client_.reset(jack_client_open(name.c_str(), JackNoStartServer, nullptr));
    if (!watch->client_)
        return nullptr;
    jack_on_shutdown(watch->client_.get(), &JackServerWatch::OnShutdown, watch.get());
    if (jack_set_process_callback(watch->client_.get(), &JackServerWatch::OnCycle, watch.get()) != 0 ||
        jack_activate(watch->client_.get()) != 0)
        return nullptr;
    return watch;
}

bool JackServerWatch::hasPort(const std::string& name) const
{
    return jack_port_by_name(client_.get(), name.c_str()) != nullptr;
}

void JackServerWatch::waitForCycles(std::uint64_t cycles, std::chrono::milliseconds limit) const
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (cyclesBegun_ < cycles && !serverGone_ && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void JackServerWatch::OnShutdown(void* watch)
{
    static_cast<JackServerWatch*>(watch)->serverGone_ = true;
}

int JackServerWatch::OnCycle(jack_nframes_t, void* watch)
{
    ++static_cast<JackServerWatch*>(watch)->cyclesBegun_;
    return 0;
}

} // namespace platform
