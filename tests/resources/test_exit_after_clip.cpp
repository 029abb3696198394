// SPDX-License-Identifier: GPL-3.0-or-later
// The run ends cleanly while the title clip plays: the program entry's order (application, then the
// real desktop, then the windows) torn down in reverse, through the real clip player, with or without
// an audio output. The sanitizers and the exit status are the verdict.
#include "Trace.h"
#include "host/QtDesktop.h"
#include "windows/Program.h"

#include <QApplication>
#include <QDeadlineTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    host::QtDesktop desktop;
    testing::TestBench bench; // the MIDI devices and clock only: the desktop is the real one
    {
        windows::Program program({.clock = bench.clock(),
                                  .desktop = desktop,
                                  .listDevices = bench.listDevices(),
                                  .randomSeed = 1});
        emit program.mainWindow()->creditLabel()->clicked();
        // Until the player has started the clip, or found there is no audio output.
        using State = host::ClipPlayer::State;
        const QDeadlineTimer deadline(10000);
        while (desktop.clip() && desktop.clip()->state() == State::Opening && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (!desktop.clip() || desktop.clip()->state() == State::Opening) {
            std::fprintf(stderr, "the clip never started\n");
            return 1;
        }
        program.mainWindow()->close();
    }
    return 0;
}
