// SPDX-License-Identifier: GPL-3.0-or-later
// The real desktop: Qt's message box, clipboard and URL opener, and the clip through ALSA.
#pragma once

#include "desktop/ClipPlayer.h"
#include "platform/Desktop.h"

#include <memory>

namespace desktop {

class QtDesktop final : public platform::Desktop {
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

} // namespace desktop
