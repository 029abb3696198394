// SPDX-License-Identifier: GPL-3.0-or-later
// The window-system services the windows call: message box, clipboard, browser, sound clip.
// Tests install a recording desktop instead of the real one.
#pragma once

#include <QString>

#include <functional>

namespace platform {

class Desktop {
public:
    virtual ~Desktop() = default;
    // A modal message box with an OK button: `text` as its first line, exactly, and below it the
    // plain explanation of what happened and what to do (none when empty); returns when dismissed.
    virtual void messageBox(const QString& text, const QString& explanation) = 0;
    // Replaces the clipboard's content with plain text.
    virtual void setClipboardText(const QString& text) = 0;
    // Opens a web address in the browser without blocking; false when no browser could be started.
    virtual bool openUrl(const QString& address) = 0;
    // Starts the embedded wave clip from its beginning and returns at once; silent without audio.
    virtual void playClip() = 0;
};

// The desktop in force: the one the program entry, a benchmark or a test has put in force.
Desktop& CurrentDesktop();

// Puts `desktop` in force while it lasts and the previous one back afterwards. The desktop is
// owned by the caller: the program entry keeps the real one below the application object, so
// that every Qt object it holds dies before the application does.
class DesktopInForce {
public:
    explicit DesktopInForce(Desktop& desktop);
    ~DesktopInForce();
    DesktopInForce(const DesktopInForce&) = delete;
    DesktopInForce& operator=(const DesktopInForce&) = delete;

private:
    Desktop* previous_;
};

inline void ShowMessage(const QString& text, const QString& explanation = {})
{
    CurrentDesktop().messageBox(text, explanation);
}

// How code that is also loaded as a module of its own tells the player: the program's ShowMessage,
// handed in, since a module's copy of this layer has no desktop in force.
using SayToPlayer = std::function<void(const QString& text, const QString& explanation)>;

// Opens `address` in the browser; when none can be started, a box says so and shows the address
// for the player to copy.
void OpenInBrowser(const QString& address);

} // namespace platform
