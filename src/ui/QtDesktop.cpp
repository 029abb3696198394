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

void QtDesktop::messageBox(const QString& text, const QString& explanation)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Velmora"), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setInformativeText(explanation);
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
Desktop* inForce = nullptr; // not owned
} // namespace

Desktop& CurrentDesktop()
{
    if (!inForce)
        qFatal("No desktop is in force");
    return *inForce;
}

DesktopInForce::DesktopInForce(Desktop& desktop) : previous_(std::exchange(inForce, &desktop))
{
}

DesktopInForce::~DesktopInForce()
{
    inForce = previous_;
}

} // namespace ui
