// SPDX-License-Identifier: GPL-3.0-or-later
// TForm4, the hint window: the picture decoded with libjpeg and the text beneath it.
#include "tessalyUnit4.h"

#include "ui/Controls.h"
#include "ui/JpegImage.h"

#include <QFile>

TForm4* Form4 = nullptr;

namespace {

QByteArray ResourceBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TForm4::TForm4()
{
    setWindowTitle(QStringLiteral("ヒント"));
    setWindowFlags(Qt::Window);
    setFont(ui::FormFont());
    ui::SetBounds(this, {65, 384, 947, 353});

    // The picture at its own size from the top-left corner, never stretched.
    Image1 = new QLabel(this);
    Image1->setGeometry(0, 0, 937, 185);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(QPixmap::fromImage(ui::DecodeJpeg(ResourceBytes(QStringLiteral(":/hint.jpg")))));

    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(0, 200, 937, 121);
    Memo1->setFont(ui::FormFont(16));
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QString text = QString::fromUtf8(ResourceBytes(QStringLiteral(":/hint.txt")));
    if (text.endsWith('\n'))
        text.chop(1); // the file's last line end would be an empty line of its own
    Memo1->setPlainText(text);
}
