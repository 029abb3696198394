// SPDX-License-Identifier: GPL-3.0-or-later
// The time of the run, handed to what needs it: the real clock in the program, a virtual one in
// tests, so that waits and dates are exact there.
#pragma once

#include <QDateTime>

#include <chrono>

namespace game {

class Clock {
public:
    virtual ~Clock() = default;
    // The local date and time.
    virtual QDateTime now() = 0;
    // Blocks the calling (user-interface) thread for `wait`.
    virtual void sleep(std::chrono::milliseconds wait) = 0;
};

} // namespace game
