// SPDX-License-Identifier: GPL-3.0-or-later
// The window-system services the windows call: message box, clipboard, browser, sound clip. The
// program entry hands in the real one; tests hand in a recording desktop.
#pragma once

#include <QString>

namespace windows {

class Desktop {
public:
    virtual ~Desktop() = default;
    // A modal message box with an OK button: `text` as its first line, exactly, and below it the
    // plain explanation of what happened and what to do (none when empty); returns when dismissed.
    virtual void messageBox(const QString& text, const QString& explanation = {}) = 0;
    // Replaces the clipboard's content with plain text.
    virtual void setClipboardText(const QString& text) = 0;
    // Opens a web address in the browser without blocking; false when no browser could be started.
    virtual bool openUrl(const QString& address) = 0;
    // Starts the embedded wave clip from its beginning and returns at once; silent without audio.
    virtual void playClip() = 0;
};

// Opens `address` in the browser; when none can be started, a box says so and shows the address
// for the player to copy.
void OpenInBrowser(Desktop& desktop, const QString& address);

} // namespace windows
