// SPDX-License-Identifier: GPL-3.0-or-later
// The hint window: the picture_ decoded with libjpeg and the text beneath it.
#include "windows/HintWindow.h"

#include "ui/Controls.h"
#include "ui/JpegImage.h"

#include <QFile>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace windows {

namespace {

QByteArray ResourceBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A picture_ decoded from the resources, `scale` device pixels to each of its pixels.
QPixmap ResourcePicture(const QString& path, int scale)
{
    QPixmap pixmap = QPixmap::fromImage(ui::DecodeJpeg(ResourceBytes(path)));
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

// How far the picture_ may shrink in a small window: a third of its size keeps the tuning order
// legible; less would leave a stripe.
constexpr int kSmallestPictureShare = 3;

} // namespace

FittedPicture::FittedPicture(QPixmap normal, std::function<QPixmap()> decodeDense, QWidget* parent)
    : ui::Picture(parent), normal_(std::move(normal)), decodeDense_(std::move(decodeDense))
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleName(QStringLiteral("調律の順序の図"));
}

const QPixmap& FittedPicture::pixmap() const
{
    if (devicePixelRatioF() <= 1)
        return normal_;
    if (decodeDense_)
        dense_ = std::exchange(decodeDense_, nullptr)();
    return dense_.isNull() ? normal_ : dense_;
}

QSize FittedPicture::sizeHint() const
{
    return normal_.size();
}

QSize FittedPicture::minimumSizeHint() const
{
    return normal_.size() / kSmallestPictureShare;
}

// As tall as the picture_ drawn at that width, never taller than its own height.
int FittedPicture::heightForWidth(int width) const
{
    const QSize natural = normal_.size();
    return natural.isEmpty() ? 0 : std::min(natural.height(), natural.height() * width / natural.width());
}

void FittedPicture::paintEvent(QPaintEvent*)
{
    const QPixmap& source = pixmap();
    const QSize natural = source.deviceIndependentSize().toSize();
    const QSize drawn = natural.scaled(size().boundedTo(natural), Qt::KeepAspectRatio);
    QPainter painter(this);
    if (drawn == natural) {
        painter.drawPixmap(0, 0, source); // pixel for pixel: sharp
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QRect(QPoint(0, 0), drawn), source);
}

HintWindow::HintWindow()
{
    setWindowTitle(QStringLiteral("ヒント"));
    setWindowFlags(Qt::Window);
    setFont(ui::FormFont());
    resize(947, 353);
    ui::CloseOnEscape(this);

    picture_ = new FittedPicture(
        ResourcePicture(QStringLiteral(":/hint.jpg"), 1),
        [] { return ResourcePicture(QStringLiteral(":/hint@2x.jpg"), 2); }, this);
    hintText_ = new QPlainTextEdit(this);
    hintText_->setFont(ui::FormFont(16));
    hintText_->setReadOnly(true);
    hintText_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    hintText_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QString text = QString::fromUtf8(ResourceBytes(QStringLiteral(":/hint.txt")));
    if (text.endsWith('\n'))
        text.chop(1); // the file's last line end would be an empty line of its own
    hintText_->setPlainText(text);
    hintText_->setAccessibleName(QStringLiteral("調律の順序の説明"));
    // The picture_ above the text; in a smaller window the picture_ shrinks in proportion and the
    // text keeps three lines (it scrolls).
    constexpr int kLeastLines = 3;
    hintText_->setMinimumHeight(hintText_->fontMetrics().lineSpacing() * kLeastLines +
                                2 * hintText_->frameWidth());
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 10, 10);
    column->setSpacing(15);
    column->addWidget(picture_);
    column->addWidget(hintText_, 1);
}

} // namespace windows
