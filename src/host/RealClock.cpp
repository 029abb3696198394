// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/RealClock.h"

#include <QThread>

namespace host {

QDateTime RealClock::now()
{
    return QDateTime::currentDateTime();
}

void RealClock::sleep(std::chrono::milliseconds wait)
{
    QThread::msleep(static_cast<unsigned long>(wait.count()));
}

} // namespace host
