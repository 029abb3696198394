// SPDX-License-Identifier: GPL-3.0-or-later
// The embedded resources: the title clip's wave format and its quiet ends, the hint text, the icon.
#include <QFile>
#include <QImage>
#include <QStringDecoder>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <cstdlib>

namespace {

QByteArray ResourceBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray LittleEndian(quint32 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
    return out;
}

constexpr int kHeaderBytes = 44;
constexpr int kSamples = 88200;

std::vector<qint16> ClipSamples()
{
    const QByteArray wave = ResourceBytes(QStringLiteral(":/clip.wav"));
    std::vector<qint16> samples;
    for (qsizetype at = kHeaderBytes; at + 1 < wave.size(); at += 2)
        samples.push_back(qFromLittleEndian<qint16>(wave.constData() + at));
    return samples;
}

int Loudest(std::vector<qint16>::const_iterator begin, std::vector<qint16>::const_iterator end)
{
    int loudest = 0;
    for (auto it = begin; it != end; ++it)
        loudest = std::max(loudest, std::abs(int(*it)));
    return loudest;
}

} // namespace

class TestResources : public QObject {
    Q_OBJECT

private slots:
    void clipHeader_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("RIFF") << 0 << QByteArray("RIFF");
        QTest::newRow("RIFF size") << 4 << LittleEndian(176444 - 8, 4);
        QTest::newRow("WAVE and fmt") << 8 << QByteArray("WAVEfmt ");
        QTest::newRow("fmt size") << 16 << LittleEndian(16, 4);
        QTest::newRow("PCM") << 20 << LittleEndian(1, 2);
        QTest::newRow("one channel") << 22 << LittleEndian(1, 2);
        QTest::newRow("22050 samples a second") << 24 << LittleEndian(22050, 4);
        QTest::newRow("bytes a second") << 28 << LittleEndian(44100, 4);
        QTest::newRow("block align") << 32 << LittleEndian(2, 2);
        QTest::newRow("16 bits") << 34 << LittleEndian(16, 2);
        QTest::newRow("data") << 36 << QByteArray("data");
        QTest::newRow("data size: 88200 samples") << 40 << LittleEndian(kSamples * 2, 4);
    }
    void clipHeader()
    {
        QFETCH(int, offset);
        QFETCH(QByteArray, expected);
        const QByteArray wave = ResourceBytes(QStringLiteral(":/clip.wav"));
        QCOMPARE(wave.size(), 176444);
        QCOMPARE(wave.mid(offset, expected.size()), expected);
    }

    void clipStartsAndEndsInSilenceWithHeadroom()
    {
        const std::vector<qint16> samples = ClipSamples();
        QCOMPARE(int(samples.size()), kSamples);
        // No click: the first and the last 20 ms are near silence (below -50 dBFS at the edges).
        QVERIFY(std::abs(int(samples.front())) < 100);
        QVERIFY(Loudest(samples.end() - 441, samples.end()) < 100);
        QCOMPARE(int(samples.back()), 0);
        // The peak sits near -6 dBFS.
        const int peak = Loudest(samples.begin(), samples.end());
        QVERIFY2(peak > 14600 && peak < 18400, qPrintable(QString::number(peak)));
    }

    void hintTextIsThirtyEightLinesOfUtf8()
    {
        const QByteArray text = ResourceBytes(QStringLiteral(":/hint.txt"));
        QVERIFY(!text.isEmpty());
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString decoded = decoder(text);
        QVERIFY(!decoder.hasError());
        QVERIFY(!text.startsWith("\xEF\xBB\xBF"));
        QVERIFY(!text.contains('\r'));
        QVERIFY(text.endsWith('\n'));
        QCOMPARE(text.count('\n'), 38);
    }

    void iconIsAPicture()
    {
        const QImage icon(QStringLiteral(":/velmora.png"));
        QCOMPARE(icon.size(), QSize(256, 256));
    }
};

QTEST_GUILESS_MAIN(TestResources)
#include "test_resources.moc"
