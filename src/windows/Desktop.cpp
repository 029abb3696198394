// SPDX-License-Identifier: GPL-3.0-or-later
// What the player reads when no browser starts.
#include "windows/Desktop.h"

namespace windows {

void OpenInBrowser(Desktop& desktop, const QString& address)
{
    if (!desktop.openUrl(address))
        desktop.messageBox(QStringLiteral("ブラウザーを起動できませんでした。\n%1").arg(address),
                           QStringLiteral("このアドレスをコピーして、ブラウザーで開いてください。"));
}

} // namespace windows
