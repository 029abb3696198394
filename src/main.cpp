// SPDX-License-Identifier: GPL-3.0-or-later
// Program entry: hands the machine's real services to the program object and runs the event loop
// until the main window closes.
#include "host/QtDesktop.h"
#include "host/RealClock.h"
#include "host/SystemDevices.h"
#include "ui/Accessibility.h"
#include "ui/QtTexts.h"
#include "windows/Program.h"

#include <QApplication>
#include <QIcon>

#include <random>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora"));
    QApplication::setDesktopFileName(QStringLiteral("velmora"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/velmora.png")));
    ui::InstallJapaneseQtTexts(app);
    ui::InstallAccessibility();
    // The main window's close ends the run; the other windows only hide.
    QApplication::setQuitOnLastWindowClosed(false);

    // Below the application object: the desktop's Qt objects (the clip's player) die before it.
    host::QtDesktop desktop;
    host::RealClock clock;
    host::SystemDevices devices([&desktop](const QString& text, const QString& explanation) {
        desktop.messageBox(text, explanation);
    });
    windows::Program program({.clock = clock,
                              .desktop = desktop,
                              .listDevices = [&devices] { return devices.list(); },
                              .randomSeed = std::random_device{}()});
    if (program.ended())
        return 0;
    program.showMainWindow();
    return QApplication::exec();
}
