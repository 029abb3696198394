// SPDX-License-Identifier: GPL-3.0-or-later
// The hint window: the picture decoded with libjpeg and the text beneath it.
#include "windows/HintWindow.h"

#include "ui/Controls.h"
#include "ui/DesignLayout.h"
#include "ui/JpegImage.h"

#include <QFile>

namespace {

QByteArray ResourceBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The picture drawn at twice its size where a pixel has more than one device pixel: sharp at
// scale 2 and above.
QPixmap HintPicture(double devicePixelRatio)
{
    const bool dense = devicePixelRatio > 1;
    QPixmap pixmap = QPixmap::fromImage(ui::DecodeJpeg(
        ResourceBytes(dense ? QStringLiteral(":/hint@2x.jpg") : QStringLiteral(":/hint.jpg"))));
    pixmap.setDevicePixelRatio(dense ? 2 : 1);
    return pixmap;
}

} // namespace

HintWindow::HintWindow()
{
    setWindowTitle(QStringLiteral("ヒント"));
    setWindowFlags(Qt::Window);
    setFont(ui::FormFont());
    resize(947, 353);

    // The picture at its own size from the top-left corner, never stretched.
    picture = new QLabel(this);
    picture->setGeometry(0, 0, 937, 185);
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picture->setPixmap(HintPicture(devicePixelRatioF()));

    hintText = new QPlainTextEdit(this);
    hintText->setGeometry(0, 200, 937, 121);
    hintText->setFont(ui::FormFont(16));
    hintText->setReadOnly(true);
    hintText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    hintText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QString text = QString::fromUtf8(ResourceBytes(QStringLiteral(":/hint.txt")));
    if (text.endsWith('\n'))
        text.chop(1); // the file's last line end would be an empty line of its own
    hintText->setPlainText(text);
    ui::KeepDesign(this);
}
