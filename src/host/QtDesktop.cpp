// SPDX-License-Identifier: GPL-3.0-or-later
// The real desktop services through Qt.
#include "host/QtDesktop.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QMessageBox>
#include <QUrl>

namespace host {

QtDesktop::QtDesktop() = default;
QtDesktop::~QtDesktop() = default;

void QtDesktop::messageBox(const QString& text, const QString& explanation)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Velmora"), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setInformativeText(explanation);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard); // to copy
    box.exec();
}

void QtDesktop::setClipboardText(const QString& text)
{
    QApplication::clipboard()->setText(text);
}

bool QtDesktop::openUrl(const QString& address)
{
    return QDesktopServices::openUrl(QUrl(address));
}

void QtDesktop::playClip()
{
    if (!clip_) {
        QFile wave(QStringLiteral(":/clip.wav"));
        wave.open(QIODevice::ReadOnly); // embedded: read whole or, failing that, silent
        clip_ = std::make_unique<ClipPlayer>(wave.readAll());
    }
    clip_->play();
}

} // namespace host
