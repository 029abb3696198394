// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's own services: the built-in synthesizer, ALSA-sequencer and JACK ports, the real clock.
#pragma once

#include "platform/System.h"

namespace desktop {

class DesktopSystem final : public platform::System {
public:
    std::vector<std::unique_ptr<platform::MidiOutDevice>> enumerateMidiOutDevices() override;
    void sleep(std::chrono::milliseconds wait) override;
    QDateTime now() override;
};

} // namespace desktop
