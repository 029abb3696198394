// The window-system services the windows call: message box, clipboard, browser, sound clip.
// Tests install a recording desktop instead of the real one.
#pragma once

#include <QString>

#include <memory>

namespace ui {

class Desktop {
public:
    virtual ~Desktop() = default;
    // A modal message box with an OK button; returns when dismissed.
    virtual void messageBox(const QString& text) = 0;
    // Replaces the clipboard's content with plain text.
    virtual void setClipboardText(const QString& text) = 0;
    // Opens a web address in the browser without blocking; failures pass silently.
    virtual void openUrl(const QString& address) = 0;
    // Starts the embedded wave clip from its beginning and returns at once; silent without audio.
    virtual void playClip() = 0;
};

// The desktop in force: the real one until a test installs another.
Desktop& CurrentDesktop();
std::unique_ptr<Desktop> InstallDesktop(std::unique_ptr<Desktop> desktop);

inline void ShowMessage(const QString& text)
{
    CurrentDesktop().messageBox(text);
}

} // namespace ui
