// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own texts (standard dialogs, context menus) in Japanese, like every text of ours.
#pragma once

class QCoreApplication;

namespace ui {

// Loads Qt's Japanese translations into `application`, whatever the system's language; false
// when they are not installed (Qt's texts then stay English).
bool InstallJapaneseQtTexts(QCoreApplication& application);

} // namespace ui
