// The desktop's own services: the built-in synthesizer, ALSA-sequencer and JACK ports, the real clock.
#pragma once

#include "platform/System.h"

namespace platform {

class DesktopSystem final : public System {
public:
    std::vector<std::unique_ptr<MidiOutDevice>> enumerateMidiOutDevices() override;
    void sleep(DWORD milliseconds) override;
    QDateTime now() override;
};

} // namespace platform
