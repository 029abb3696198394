// SPDX-License-Identifier: GPL-3.0-or-later
// The wall clock and the real wait.
#pragma once

#include "game/Clock.h"

namespace host {

class RealClock final : public game::Clock {
public:
    QDateTime now() override;
    void sleep(std::chrono::milliseconds wait) override;
};

} // namespace host
