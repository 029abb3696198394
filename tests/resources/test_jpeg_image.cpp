// SPDX-License-Identifier: GPL-3.0-or-later
// The libjpeg reader: the hint picture's header and pixels, pictures Qt writes, and damaged data
// refused quietly.
#include "StderrCapture.h"
#include "ui/JpegImage.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryFile>
#include <QtTest>

#include <unistd.h>

namespace {

QByteArray ResourceBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray HintPicture()
{
    return ResourceBytes(QStringLiteral(":/hint.jpg"));
}

// The hint picture with its frame header claiming a size it does not have.
QByteArray WithClaimedSize(QByteArray jpeg, quint16 width, quint16 height)
{
    const qsizetype frame = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    if (frame < 0)
        return {};
    // FF C0, length (2), precision (1), then height and width, big-endian.
    jpeg[frame + 5] = char(height >> 8);
    jpeg[frame + 6] = char(height & 0xFF);
    jpeg[frame + 7] = char(width >> 8);
    jpeg[frame + 8] = char(width & 0xFF);
    return jpeg;
}

QByteArray NoiseAfterStartOfImage()
{
    QByteArray noise("\xFF\xD8", 2);
    quint32 state = 12345;
    for (int i = 0; i < 4096; ++i) {
        state = state * 1103515245u + 12345u;
        noise.append(char(state >> 24));
    }
    return noise;
}

} // namespace

class TestJpegImage : public QObject {
    Q_OBJECT

private slots:
    void hintPictureHeader()
    {
        const std::optional<ui::JpegInfo> info = ui::ReadJpegInfo(HintPicture());
        QVERIFY(info);
        QCOMPARE(info->width, 936);
        QCOMPARE(info->height, 184);
        QCOMPARE(info->components, 3);
        QVERIFY(!info->progressive);
        QCOMPARE(info->maxHSampling, 1);
        QCOMPARE(info->maxVSampling, 1);
        QVERIFY(info->jfif);
        QCOMPARE(info->jfifMajor, 1);
        QCOMPARE(info->jfifMinor, 1);
        QCOMPARE(info->densityUnit, 2);
        QCOMPARE(info->xDensity, 37);
        QCOMPARE(info->yDensity, 37);
    }

    void hintPictureDecodes()
    {
        const QImage image = ui::DecodeJpeg(HintPicture());
        QCOMPARE(image.size(), QSize(936, 184));
        QCOMPARE(image.format(), QImage::Format_RGB888);
        // The bottom-left corner is background.
        QVERIFY(qGray(image.pixel(3, 180)) > 245);
    }

    void decodesWhatQtWrites_data()
    {
        QTest::addColumn<QImage>("source");
        QImage red(24, 16, QImage::Format_RGB32);
        red.fill(QColor(220, 30, 40));
        QImage grey(17, 9, QImage::Format_Grayscale8);
        grey.fill(QColor(90, 90, 90));
        QTest::newRow("colour, red stays red") << red;
        QTest::newRow("one grey component, odd size") << grey;
    }
    void decodesWhatQtWrites()
    {
        QFETCH(QImage, source);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        if (!source.save(&buffer, "JPG", 95))
            QSKIP("Qt's JPEG writer is not installed");

        const QImage decoded = ui::DecodeJpeg(jpeg);
        QCOMPARE(decoded.size(), source.size());
        const QColor expected = source.pixelColor(source.width() / 2, source.height() / 2);
        const QColor got = decoded.pixelColor(decoded.width() / 2, decoded.height() / 2);
        QVERIFY2(qAbs(got.red() - expected.red()) < 12 && qAbs(got.green() - expected.green()) < 12 &&
                     qAbs(got.blue() - expected.blue()) < 12,
                 qPrintable(got.name() + " instead of " + expected.name()));
    }

    void damagedDataIsRefusedQuietly_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("headerReadable");
        const QByteArray hint = HintPicture();
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("text") << QByteArray("not a picture at all") << false;
        QTest::newRow("start-of-image marker alone") << QByteArray("\xFF\xD8", 2) << false;
        QTest::newRow("noise after a start-of-image marker") << NoiseAfterStartOfImage() << false;
        QTest::newRow("cut inside the header") << hint.left(120) << false;
        QTest::newRow("cut in the middle of the scan") << hint.left(hint.size() / 2) << true;
        QTest::newRow("cut just before the end") << hint.left(hint.size() - 40) << true;
        QTest::newRow("claims 65000 × 65000 pixels") << WithClaimedSize(hint, 65000, 65000) << true;
        QTest::newRow("claims more rows than it has") << WithClaimedSize(hint, 936, 400) << true;
    }
    void damagedDataIsRefusedQuietly()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, headerReadable);
        testing::StderrCapture stderrText;
        QVERIFY(ui::DecodeJpeg(data).isNull());
        QCOMPARE(ui::ReadJpegInfo(data).has_value(), headerReadable);
        QCOMPARE(stderrText.text(), QString());
    }
};

QTEST_GUILESS_MAIN(TestJpegImage)
#include "test_jpeg_image.moc"
