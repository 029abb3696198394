// The real desktop services through Qt, and the slot that tests replace.
#include "ui/QtDesktop.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QMessageBox>
#include <QSoundEffect>
#include <QUrl>

namespace ui {

QtDesktop::QtDesktop() = default;
QtDesktop::~QtDesktop() = default;

void QtDesktop::messageBox(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Velmora"), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void QtDesktop::setClipboardText(const QString& text)
{
    QApplication::clipboard()->setText(text);
}

void QtDesktop::openUrl(const QString& address)
{
    QDesktopServices::openUrl(QUrl(address));
}

void QtDesktop::playClip()
{
    if (!clip_) {
        clip_ = std::make_unique<QSoundEffect>();
        clip_->setSource(QUrl(QStringLiteral("qrc:/clip.wav")));
    }
    clip_->stop();
    clip_->play();
}

namespace {
std::unique_ptr<Desktop>& installed()
{
    static std::unique_ptr<Desktop> desktop;
    return desktop;
}
} // namespace

Desktop& CurrentDesktop()
{
    if (!installed())
        installed() = std::make_unique<QtDesktop>();
    return *installed();
}

std::unique_ptr<Desktop> InstallDesktop(std::unique_ptr<Desktop> desktop)
{
    return std::exchange(installed(), std::move(desktop));
}

} // namespace ui
