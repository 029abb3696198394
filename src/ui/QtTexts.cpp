// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's Japanese translations, from the folder Qt was built to read them from.
#include "ui/QtTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace ui {

bool InstallJapaneseQtTexts(QCoreApplication& application)
{
    auto translator = std::make_unique<QTranslator>();
    // "qtbase" holds the widgets' texts: file dialog, message box buttons, line edit menu.
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    // The application owns it from here: it outlives every window that shows its texts.
    translator->setParent(&application);
    return QCoreApplication::installTranslator(translator.release());
}

} // namespace ui
