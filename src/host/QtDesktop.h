// SPDX-License-Identifier: GPL-3.0-or-later
// The real desktop: Qt's message box, clipboard and URL opener, and the clip through ALSA.
#pragma once

#include "host/ClipPlayer.h"
#include "windows/Desktop.h"

#include <memory>

namespace host {

class QtDesktop final : public windows::Desktop {
public:
    QtDesktop();
    ~QtDesktop() override;
    void messageBox(const QString& text, const QString& explanation) override;
    void setClipboardText(const QString& text) override;
    bool openUrl(const QString& address) override;
    void playClip() override;
    // The clip's player once it has been asked to play.
    const ClipPlayer* clip() const { return clip_.get(); }

private:
    std::unique_ptr<ClipPlayer> clip_; // made on the first play
};

} // namespace host
