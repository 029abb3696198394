// SPDX-License-Identifier: GPL-3.0-or-later
// Program entry: creates the program object and runs the event loop until the main window closes.
#include "desktop/DesktopSystem.h"
#include "desktop/QtDesktop.h"
#include "platform/System.h"
#include "ui/Accessibility.h"
#include "ui/QtTexts.h"
#include "windows/Program.h"

#include <QApplication>
#include <QIcon>

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
    desktop::QtDesktop desktop;
    const platform::DesktopInForce desktopInForce(desktop);

    platform::InstallSystem(std::make_unique<desktop::DesktopSystem>());
    int result = 0;
    {
        Program program;
        if (!program.ended()) {
            program.showMainWindow();
            result = QApplication::exec();
        }
    }
    platform::InstallSystem(nullptr); // closes what is still open while the libraries are alive
    return result;
}
