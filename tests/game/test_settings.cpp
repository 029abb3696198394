// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file: values that cannot be used, damaged files, write-back, the atomic save,
// where the file lives, and where the window goes for the bounds it holds.
#include "game/IniDocument.h"
#include "game/SavedSettings.h"
#include "game/WindowPlacement.h"

#include <QtTest>

#include <cerrno>
#include <cstring>
#include <limits>
#include <random>

using game::IniDocument;

Q_DECLARE_METATYPE(game::WindowBounds)

namespace {

constexpr int kFallback = 246;

QString Write(const QDir& folder, const QString& name, const QByteArray& bytes)
{
    QFile file(folder.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return file.fileName();
}

// What the program writes at close.
void WriteCloseKeys(IniDocument& document, int map)
{
    document.writeInteger("window", "Height", 300);
    document.writeInteger("window", "Width", 400);
    document.writeInteger("window", "Top", 10);
    document.writeInteger("window", "Left", 20);
    document.writeInteger("dev", "dev_num", 2);
    document.writeString("dev", "gakki", "Synth A");
    document.writeInteger("dev", "map", map);
}

// Random bytes, line ends included, but no bracket: no section of ours can appear.
QByteArray Garbage(qsizetype size)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    QByteArray bytes(size, '\0');
    for (char& c : bytes)
        c = char(byte(random));
    return bytes.replace('[', '{');
}

constexpr char kBinary[] = "[win\0dow]\n\xff\xfe=\x80\n\0\0\0";

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void readInteger_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("decimal") << QByteArray("[window]\nheight=300") << 300;
        QTest::newRow("negative") << QByteArray("[window]\nheight=-5") << -5;
        QTest::newRow("names in other letter case") << QByteArray("[WINDOW]\nHEIGHT=300") << 300;
        QTest::newRow("blanks around the equals sign") << QByteArray("[window]\n  height = 300 \t") << 300;
        QTest::newRow("CR LF line ends") << QByteArray("[window]\r\nheight=300\r\n") << 300;
        QTest::newRow("CR line ends") << QByteArray("[window]\rwidth=1\rheight=300\r") << 300;
        QTest::newRow("mixed line ends") << QByteArray("[dev]\r\n[window]\r\r\nwidth=1\nheight=300") << 300;
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF[window]\nheight=300") << 300;
        QTest::newRow("hex") << QByteArray("[window]\nheight=0X1f") << 31;
        QTest::newRow("hex past 31 bits wraps") << QByteArray("[window]\nheight=0xFFFFFFFF") << -1;
        QTest::newRow("hex past 32 bits") << QByteArray("[window]\nheight=0x100000000") << kFallback;
        QTest::newRow("0x alone") << QByteArray("[window]\nheight=0x") << kFallback;
        QTest::newRow("0xZZ") << QByteArray("[window]\nheight=0xZZ") << kFallback;
        QTest::newRow("12abc") << QByteArray("[window]\nheight=12abc") << kFallback;
        QTest::newRow("NUL inside") << QByteArray("[window]\nheight=3\0"
                                                  "00",
                                                  20)
                                    << kFallback;
        QTest::newRow("no equals sign") << QByteArray("[window]\nheight\n300") << kFallback;
        QTest::newRow("empty value") << QByteArray("[window]\nheight=") << kFallback;
        QTest::newRow("huge") << QByteArray("[window]\nheight=99999999999") << kFallback;
        QTest::newRow("first of duplicate keys") << QByteArray("[window]\nheight=1\nHeight=2") << 1;
        QTest::newRow("only the first of duplicate sections")
            << QByteArray("[window]\nwidth=1\n[Window]\nheight=2") << kFallback;
        QTest::newRow("key before any section") << QByteArray("height=5\n[window]\n") << kFallback;
        QTest::newRow("no sections") << QByteArray("height=300\nwidth=5") << kFallback;
    }
    void readInteger()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, expected);
        QCOMPARE(IniDocument::fromBytes(text).readInteger("window", "height", kFallback), expected);
    }

    void damagedFilesReadDefaultsAndKeepTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("NUL bytes and invalid UTF-8") << QByteArray(kBinary, sizeof kBinary - 1);
        QTest::newRow("random bytes") << Garbage(1024 * 1024);
        QTest::newRow("10 MB of keys")
            << QByteArray("[junk]\n") + QByteArray("some key = some value\n").repeated(480'000);
        QTest::newRow("10 MB in one line") << QByteArray(10'000'000, 'x');
    }
    void damagedFilesReadDefaultsAndKeepTheirBytes()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir folder;
        const QString path = Write(QDir(folder.path()), "velmora.ini", bytes);

        IniDocument document = IniDocument::load(path);
        QCOMPARE(document.readInteger("window", "height", kFallback), kFallback);
        QCOMPARE(document.readString("dev", "gakki", "none"), QStringLiteral("none"));
        WriteCloseKeys(document, 4);

        QVERIFY(document.bytes().startsWith(bytes)); // the new sections come after it all
        const IniDocument reread = IniDocument::fromBytes(document.bytes());
        QCOMPARE(reread.readInteger("window", "height", kFallback), 300);
        QCOMPARE(reread.readString("dev", "gakki", "none"), QStringLiteral("Synth A"));
    }

    // Lines not rewritten keep their bytes and their own line ends; new lines take the ending of
    // the line before them; a second write-back changes nothing.
    void writeBackTouchesOnlyItsOwnLines_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("deviceName");
        QTest::newRow("Shift-JIS, CR LF")
            << QByteArray(
                   "; "
                   "\x90\xdd\x92\xe8\r\n[window]\r\nheight=1\r\n[dev]\r\ngakki=\x83\x84\x83\x7d\x83\x6e\r\n")
            << QByteArray("; \x90\xdd\x92\xe8\r\n[window]\r\nheight=300\r\nWidth=400\r\nTop=10\r\nLeft=20\r\n"
                          "[dev]\r\ngakki=Synth A\r\ndev_num=2\r\nmap=4\r\n")
            << QStringLiteral("ヤマハ");
        QTest::newRow("CR alone, CR CR LF, and no end at the end")
            << QByteArray("[window]\rheight=1\r\r\n; note\n[dev]\rgakki=UTF-8 \xe9\x9f\xb3")
            << QByteArray("[window]\rheight=300\rWidth=400\rTop=10\rLeft=20\r\r\n; note\n"
                          "[dev]\rgakki=Synth A\rdev_num=2\rmap=4\r")
            << QStringLiteral("UTF-8 音");
    }
    void writeBackTouchesOnlyItsOwnLines()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QString, deviceName);
        IniDocument document = IniDocument::fromBytes(before);
        QCOMPARE(document.readString("dev", "gakki", {}), deviceName);
        WriteCloseKeys(document, 4);
        QCOMPARE(document.bytes(), after);
        WriteCloseKeys(document, 4);
        QCOMPARE(document.bytes(), after);
    }

    void fileFirstCreatedAtClose()
    {
        IniDocument document = IniDocument::load("/nonexistent/velmora.ini");
        WriteCloseKeys(document, 4);
        QCOMPARE(document.bytes(), QByteArray("[window]\nHeight=300\nWidth=400\nTop=10\nLeft=20\n"
                                              "[dev]\ndev_num=2\ngakki=Synth A\nmap=4\n"));
    }

    void writeBackKeepsLetterCaseOrderAndForeignLines()
    {
        IniDocument document = IniDocument::fromText("; written by hand\n"
                                                     "[Window]\nLEFT=1\nHEIGHT = 2\nextra=keep\n"
                                                     "not a key line\n\n"
                                                     "[Dev]\nDev_num=0x3\ngakki=Old Synth\nMAP=0x7\n"
                                                     "[other]\nx=y\n");
        QCOMPARE(document.readInteger("Dev", "Dev_num", 0), 3);
        const int map = document.readInteger("dev", "map", 4);
        WriteCloseKeys(document, map);
        QCOMPARE(document.bytes(), QByteArray("; written by hand\n"
                                              "[Window]\nLEFT=20\nHEIGHT=300\nextra=keep\n"
                                              "Width=400\nTop=10\n"
                                              "not a key line\n\n"
                                              "[Dev]\nDev_num=2\ngakki=Synth A\nMAP=7\n"
                                              "[other]\nx=y\n"));
    }

    // The eight values under the names the file has always had: read in one letter case,
    // written in another.
    void savedSettingsKeepTheFilesNames()
    {
        const game::SavedSettings read = game::ReadSavedSettings(IniDocument::fromText(
            "[window]\nheight=300\nwidth=400\ntop=10\nleft=20\n[Dev]\nDev_num=2\ngakki=Synth A\nmap=7\n"));
        QCOMPARE(read.window, (game::WindowBounds{.left = 20, .top = 10, .width = 400, .height = 300}));
        QCOMPARE(read.deviceNumber, 2);
        QCOMPARE(read.deviceName, QStringLiteral("Synth A"));
        QCOMPARE(read.mapValue, 7);
        QCOMPARE(read.referencePitch, 440); // none in the file
        IniDocument written;
        game::WriteSavedSettings(written, read);
        QCOMPARE(written.bytes(), QByteArray("[window]\nHeight=300\nWidth=400\nTop=10\nLeft=20\n"
                                             "[dev]\ndev_num=2\ngakki=Synth A\nmap=7\n[tuning]\na4=440\n"));
    }

    // Only the pitches on offer are taken; anything else starts at the standard 440 Hz.
    void referencePitchOnlyFromTheOffer()
    {
        const auto pitchOf = [](const char* text) {
            return game::ReadSavedSettings(IniDocument::fromText(text)).referencePitch;
        };
        QCOMPARE(pitchOf("[tuning]\na4=443\n"), 443);
        QCOMPARE(pitchOf("[tuning]\na4=445\n"), 440);
        QCOMPARE(pitchOf("[tuning]\na4=x\n"), 440);
    }

    void valueWithLineBreaksCannotAddLines()
    {
        IniDocument document;
        document.writeString("dev", "gakki", "Synth\n[window]\r\nheight=1");
        const IniDocument reread = IniDocument::fromBytes(document.bytes());
        QCOMPARE(reread.readString("dev", "gakki", {}), QStringLiteral("Synth [window]  height=1"));
        QCOMPARE(reread.readInteger("window", "height", kFallback), kFallback);
    }

    void saveWritesWholeFilesOrReportsFailure()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("new/folder/velmora.ini");
        IniDocument document;
        WriteCloseKeys(document, 4);
        QVERIFY(document.save(path));
        document.writeString("dev", "gakki", "Synth B");
        QVERIFY(document.save(path));
        QCOMPARE(IniDocument::load(path).bytes(), document.bytes());
        QCOMPARE(QDir(folder.filePath("new/folder")).entryList(QDir::Files), QStringList{"velmora.ini"});

        QVERIFY(!Write(QDir(folder.path()), "file", "keep").isEmpty());
        // No folder can be made there; then a folder, not a file. Each failure says why.
        QCOMPARE(document.save(folder.filePath("file/velmora.ini")).failure,
                 QString::fromLocal8Bit(std::strerror(ENOTDIR)));
        QVERIFY(!document.save(folder.filePath("new")).failure.isEmpty());
        QCOMPARE(IniDocument::load(folder.filePath("file")).bytes(), QByteArray("keep"));
    }

    void locationChoosesWhereToReadAndWrite_data()
    {
        QTest::addColumn<bool>("fileBeside");
        QTest::addColumn<bool>("folderTakesFiles");
        QTest::addColumn<bool>("readBeside");
        QTest::addColumn<bool>("writeBeside");
        QTest::newRow("file beside") << true << true << true << true;
        QTest::newRow("no file beside yet") << false << true << true << true;
        QTest::newRow("folder that cannot exist") << false << false << false << false;
    }
    void locationChoosesWhereToReadAndWrite()
    {
        QFETCH(bool, fileBeside);
        QFETCH(bool, folderTakesFiles);
        QFETCH(bool, readBeside);
        QFETCH(bool, writeBeside);
        QTemporaryDir root;
        QVERIFY(!Write(QDir(root.path()), "file", "").isEmpty());
        // Nobody, not even root, can make a folder under a regular file.
        const QString programFolder = root.filePath(folderTakesFiles ? "bin" : "file/bin");
        if (folderTakesFiles)
            QVERIFY(QDir().mkpath(programFolder));
        if (fileBeside)
            QVERIFY(!Write(QDir(programFolder), "velmora.ini", "[dev]\n").isEmpty());
        const game::SettingsLocation location{programFolder + "/velmora.ini",
                                              root.filePath("config/velmora.ini")};
        QCOMPARE(location.pathToRead(), readBeside ? location.besideExecutable : location.inConfigFolder);
        QCOMPARE(location.pathToWrite(), writeBeside ? location.besideExecutable : location.inConfigFolder);
    }

    // A file beside the program in a folder that takes no new files: the first run reads it, saves
    // to the configuration folder, and every later run reads what it saved there.
    void readOnlyFolderRoundTrip()
    {
        QTemporaryDir root;
        QTemporaryFile installed;
        QVERIFY(installed.open());
        installed.write("[window]\nleft=120\n; installed\n");
        installed.flush();
        // A readable file in a folder where nobody, not even root, can create one.
        const QString beside = QStringLiteral("/proc/self/fd/%1").arg(installed.handle());
        const game::SettingsLocation location{beside, root.filePath("config/velmora.ini")};

        QCOMPARE(location.pathToRead(), beside);
        IniDocument first = IniDocument::load(location.pathToRead());
        QCOMPARE(first.readInteger("window", "left", 0), 120);
        first.writeInteger("window", "Left", 700);
        QCOMPARE(location.pathToWrite(), location.inConfigFolder);
        QVERIFY(first.save(location.pathToWrite()));

        QCOMPARE(location.pathToRead(), location.inConfigFolder);
        QCOMPARE(IniDocument::load(location.pathToRead()).bytes(),
                 QByteArray("[window]\nleft=700\n; installed\n"));
    }

    void locationOfThisProgramIsNamedAfterIt()
    {
        const auto location = game::SettingsLocationOfThisProgram();
        QCOMPARE(location.besideExecutable, QCoreApplication::applicationDirPath() + "/test_settings.ini");
        QVERIFY(location.inConfigFolder.endsWith("/test_settings.ini"));
    }

    // Any 32-bit bounds give a window wholly on a screen, frame included, between its minimum size
    // and what the screen holds.
    void placementKeepsTheWindowOnAScreen_data()
    {
        using game::WindowBounds;
        QTest::addColumn<WindowBounds>("wanted");
        QTest::addColumn<QMargins>("frame");
        QTest::addColumn<WindowBounds>("placed");
        constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
        constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
        const QMargins none;
        const QMargins titleBar(1, 30, 1, 1);
        QTest::newRow("on the first screen")
            << WindowBounds{30, 20, 400, 300} << none << WindowBounds{30, 20, 400, 300};
        QTest::newRow("mostly on the second screen")
            << WindowBounds{1000, 100, 400, 300} << none << WindowBounds{1000, 100, 400, 300};
        QTest::newRow("across both, more on the second")
            << WindowBounds{700, 100, 400, 300} << none << WindowBounds{800, 100, 400, 300};
        QTest::newRow("far above") << WindowBounds{30, kMin, 400, 300} << none
                                   << WindowBounds{30, 0, 400, 300};
        QTest::newRow("far right, huge")
            << WindowBounds{kMax, kMax, kMax, kMax} << none << WindowBounds{0, 0, 800, 576};
        QTest::newRow("negative and tiny size")
            << WindowBounds{30, 20, -5, 3} << none << WindowBounds{30, 20, 120, 80};
        QTest::newRow("off every screen")
            << WindowBounds{900, 1000, 100, 100} << none << WindowBounds{680, 476, 120, 100};
        // The frame is 2 px wider and 31 px taller than the inside: 800 - 2 and 576 - 31 remain.
        QTest::newRow("taller than the screen, with a title bar")
            << WindowBounds{0, 0, 700, kMax} << titleBar << WindowBounds{0, 0, 700, 545};
        QTest::newRow("at the bottom edge, with a title bar")
            << WindowBounds{30, 500, 400, 300} << titleBar << WindowBounds{30, 245, 400, 300};
        QTest::newRow("fits with its title bar")
            << WindowBounds{30, 20, 400, 300} << titleBar << WindowBounds{30, 20, 400, 300};
    }
    void placementKeepsTheWindowOnAScreen()
    {
        QFETCH(game::WindowBounds, wanted);
        QFETCH(QMargins, frame);
        QFETCH(game::WindowBounds, placed);
        // A 800 x 576 primary screen (a panel below) and a 1024 x 768 screen to its right.
        const std::vector<QRect> screens = {{0, 0, 800, 576}, {800, 0, 1024, 768}};
        QCOMPARE(game::PlacedOnScreen(wanted, {120, 80}, frame, screens), placed);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
