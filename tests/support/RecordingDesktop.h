// SPDX-License-Identifier: GPL-3.0-or-later
// The bench's desktop: boxes, the clipboard, the browser and the clip land in the bench's trace.
#pragma once

#include "Trace.h"
#include "windows/Desktop.h"

namespace testing {

class RecordingDesktop final : public windows::Desktop {
public:
    explicit RecordingDesktop(TestBench& bench) : bench_(bench) {}
    void messageBox(const QString& text, const QString& explanation) override
    {
        bench_.record("box " + text);
        bench_.explanations_ << explanation;
    }
    void setClipboardText(const QString& text) override
    {
        bench_.clipboard_ = text;
        bench_.record(QStringLiteral("clipboard"));
    }
    bool openUrl(const QString& address) override
    {
        bench_.record("url " + address);
        return bench_.browserStarts;
    }
    void playClip() override { bench_.record(QStringLiteral("clip")); }

private:
    TestBench& bench_;
};

} // namespace testing
