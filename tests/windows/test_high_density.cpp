// SPDX-License-Identifier: GPL-3.0-or-later
// At scale 2 the hint picture is drawn pixel for pixel from its source made at twice the size,
// never the ordinary one blown up.
#include "ui/JpegImage.h"
#include "windows/HintWindow.h"

#include <QApplication>
#include <QFile>
#include <QTest>

class TestHighDensity : public QObject {
    Q_OBJECT
private slots:
    void hintPictureComesFromTheDenseSource()
    {
        windows::HintWindow hint; // at its designed size the picture has room at its own size
        hint.show();
        QVERIFY(QTest::qWaitForWindowExposed(&hint));
        QFile file(QStringLiteral(":/hint@2x.jpg"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QImage source = ui::DecodeJpeg(file.readAll()).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(source.size(), QSize(1872, 368));
        const QImage drawn = hint.picture()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(drawn.devicePixelRatio(), 2.0);
        QVERIFY(drawn.width() >= source.width() && drawn.height() >= source.height());
        QVERIFY(drawn.copy(source.rect()) == source);
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication application(argc, argv);
    TestHighDensity test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_high_density.moc"
