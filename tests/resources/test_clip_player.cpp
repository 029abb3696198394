// SPDX-License-Identifier: GPL-3.0-or-later
// The clip's WAVE reader: the shipped clip as Python's wave module reads it, and chunks that claim
// more than the file holds taken only as far as it goes.
#include "host/ClipPlayer.h"

#include <QFile>
#include <QtTest>

namespace {

QByteArray Le(quint32 value, int bytes)
{
    QByteArray out(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<char>(value >> (8 * i));
    return out;
}

QByteArray Chunk(const char* id, const QByteArray& body, quint32 claimed = 0)
{
    return QByteArray(id, 4) + Le(claimed ? claimed : static_cast<quint32>(body.size()), 4) + body +
           (body.size() % 2 ? QByteArray(1, '\0') : QByteArray());
}

QByteArray Format(quint16 tag, quint16 channels, quint32 rate, quint16 bits)
{
    return Chunk("fmt ", Le(tag, 2) + Le(channels, 2) + Le(rate, 4) + Le(rate * channels * bits / 8, 4) +
                             Le(channels * bits / 8, 2) + Le(bits, 2));
}

QByteArray Wave(const QByteArray& chunks)
{
    return "RIFF" + Le(static_cast<quint32>(4 + chunks.size()), 4) + "WAVE" + chunks;
}

// The samples it finds point into `file`.
std::optional<host::Pcm16> Read(const QByteArray& file)
{
    return host::ReadWave(std::span(file.constData(), static_cast<std::size_t>(file.size())));
}

} // namespace

class ClipPlayerTest : public QObject {
    Q_OBJECT

private slots:
    void readsTheShippedClip()
    {
        QFile file(QStringLiteral(":/clip.wav"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray clip = file.readAll();
        const auto pcm = Read(clip);
        QVERIFY(pcm);
        // python3 -c "import wave; print(wave.open('resources/clip.wav').getparams())"
        QCOMPARE(pcm->channels, 1u);
        QCOMPARE(pcm->rate, 22050u);
        QCOMPARE(pcm->frames.size(), 88200u * 2);
    }

    void skipsOddChunksWithTheirPad()
    {
        const QByteArray samples("\x01\x02\x03\x04", 4);
        const QByteArray file = Wave(Chunk("LIST", "abc") + Format(1, 2, 44100, 16) + Chunk("data", samples));
        const auto pcm = Read(file);
        QVERIFY(pcm);
        QCOMPARE(pcm->channels, 2u);
        QCOMPARE(QByteArray(pcm->frames.data(), static_cast<qsizetype>(pcm->frames.size())), samples);
    }

    void takesAClaimedDataChunkOnlyAsFarAsTheFileGoes()
    {
        // A stereo frame and three bytes more, in a chunk that claims a megabyte.
        const QByteArray file =
            Wave(Format(1, 2, 44100, 16) + Chunk("data", QByteArray(7, '\x11'), 1u << 20)).chopped(1);
        const auto pcm = Read(file);
        QVERIFY(pcm);
        QCOMPARE(pcm->frames.size(), 4u);
    }

    void refusesWhatIsNot16BitPcm()
    {
        const QByteArray data = Chunk("data", QByteArray(8, '\0'));
        QVERIFY(!Read(Wave(Format(3, 1, 44100, 32) + data))); // floating point
        QVERIFY(!Read(Wave(Format(1, 1, 44100, 8) + data)));
        QVERIFY(!Read(Wave(Format(1, 0, 44100, 16) + data))); // no channel
        QVERIFY(!Read(Wave(data + Format(1, 1, 44100, 16)))); // samples before their format
        QVERIFY(!Read(Wave(Format(1, 1, 44100, 16)).replace(8, 4, "AVI ")));
        QVERIFY(!Read(QByteArray("RIFF")));
    }
};

QTEST_GUILESS_MAIN(ClipPlayerTest)
#include "test_clip_player.moc"
