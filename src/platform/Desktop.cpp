// SPDX-License-Identifier: GPL-3.0-or-later
// The slot of the desktop in force, and what the player reads when no browser starts.
#include "platform/Desktop.h"

#include <QtGlobal>

#include <utility>

namespace platform {
namespace {
Desktop* inForce = nullptr; // not owned
} // namespace

Desktop& CurrentDesktop()
{
    if (!inForce)
        qFatal("No desktop is in force");
    return *inForce;
}

DesktopInForce::DesktopInForce(Desktop& desktop) : previous_(std::exchange(inForce, &desktop))
{
}

DesktopInForce::~DesktopInForce()
{
    inForce = previous_;
}

void OpenInBrowser(const QString& address)
{
    if (!CurrentDesktop().openUrl(address))
        ShowMessage(QStringLiteral("ブラウザーを起動できませんでした。\n%1").arg(address),
                    QStringLiteral("このアドレスをコピーして、ブラウザーで開いてください。"));
}

} // namespace platform
