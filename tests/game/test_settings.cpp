// The settings file: values that cannot be used, damaged files, write-back, the atomic save and
// where the file lives.
#include "game/IniDocument.h"

#include <QtTest>

#include <random>

using game::IniDocument;

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

QByteArray Garbage(qsizetype size)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    QByteArray bytes(size, '\0');
    for (char& c : bytes)
        c = char(byte(random));
    bytes.replace('\r', 'r'); // keeps the expected text free of line-end conversion
    return bytes;
}

constexpr char kBinary[] = "[win\0dow]\n\xff\xfe=\x80\n\0\0\0";

// Every line of `before` is still in `after`, in the same order.
bool KeepsAllLines(const QString& before, const QString& after)
{
    const QStringList kept = after.split(u'\n');
    auto next = kept.begin();
    for (const QString& line : before.split(u'\n', Qt::SkipEmptyParts)) {
        next = std::find(next, kept.end(), line);
        if (next == kept.end())
            return false;
        ++next;
    }
    return true;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void readInteger_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("decimal") << "[window]\nheight=300" << 300;
        QTest::newRow("negative") << "[window]\nheight=-5" << -5;
        QTest::newRow("names in other letter case") << "[WINDOW]\nHEIGHT=300" << 300;
        QTest::newRow("blanks around the equals sign") << "[window]\n  height = 300 \t" << 300;
        QTest::newRow("CR LF line ends") << "[window]\r\nheight=300\r\n" << 300;
        QTest::newRow("hex") << "[window]\nheight=0X1f" << 31;
        QTest::newRow("hex past 31 bits wraps") << "[window]\nheight=0xFFFFFFFF" << -1;
        QTest::newRow("hex past 32 bits") << "[window]\nheight=0x100000000" << kFallback;
        QTest::newRow("0x alone") << "[window]\nheight=0x" << kFallback;
        QTest::newRow("0xZZ") << "[window]\nheight=0xZZ" << kFallback;
        QTest::newRow("12abc") << "[window]\nheight=12abc" << kFallback;
        QTest::newRow("empty value") << "[window]\nheight=" << kFallback;
        QTest::newRow("huge") << "[window]\nheight=99999999999" << kFallback;
        QTest::newRow("first of duplicate keys") << "[window]\nheight=1\nHeight=2" << 1;
        QTest::newRow("only the first of duplicate sections")
            << "[window]\nwidth=1\n[Window]\nheight=2" << kFallback;
        QTest::newRow("key before any section") << "height=5\n[window]\n" << kFallback;
        QTest::newRow("no sections") << "height=300\nwidth=5" << kFallback;
    }
    void readInteger()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(IniDocument::fromText(text).readInteger("window", "height", kFallback), expected);
    }

    void damagedFilesReadDefaultsAndKeepTheirText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("NUL bytes and invalid UTF-8") << QByteArray(kBinary, sizeof kBinary - 1);
        QTest::newRow("random bytes") << Garbage(64 * 1024);
        QTest::newRow("lines without equals sign") << QByteArray("[window]\nheight\n300\n[dev\nmap 4\n");
        QTest::newRow("10 MB of keys")
            << QByteArray("[junk]\n") + QByteArray("some key = some value\n").repeated(480'000);
        QTest::newRow("10 MB in one line") << QByteArray(10'000'000, 'x');
    }
    void damagedFilesReadDefaultsAndKeepTheirText()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir folder;
        const QString path = Write(QDir(folder.path()), "velmora.ini", bytes);

        IniDocument document = IniDocument::load(path);
        QCOMPARE(document.readInteger("window", "height", kFallback), kFallback);
        QCOMPARE(document.readString("dev", "gakki", "none"), QStringLiteral("none"));
        WriteCloseKeys(document, 4); // a load that grew faster than the file would hit CTest's time-out

        const QString after = document.toText();
        QVERIFY(KeepsAllLines(QString::fromUtf8(bytes), after));
        const IniDocument reread = IniDocument::fromText(after);
        QCOMPARE(reread.toText(), after);
        QCOMPARE(reread.readInteger("window", "height", kFallback), 300);
        QCOMPARE(reread.readString("dev", "gakki", "none"), QStringLiteral("Synth A"));
    }

    void fileFirstCreatedAtClose()
    {
        IniDocument document = IniDocument::load("/nonexistent/velmora.ini");
        WriteCloseKeys(document, 4);
        QCOMPARE(document.toText(), QStringLiteral("[window]\nHeight=300\nWidth=400\nTop=10\nLeft=20\n"
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
        QCOMPARE(document.toText(), QStringLiteral("; written by hand\n"
                                                   "[Window]\nLEFT=20\nHEIGHT=300\nextra=keep\n"
                                                   "Width=400\nTop=10\n"
                                                   "not a key line\n\n"
                                                   "[Dev]\nDev_num=2\ngakki=Synth A\nMAP=7\n"
                                                   "[other]\nx=y\n"));
    }

    void valueWithLineBreaksCannotAddLines()
    {
        IniDocument document;
        document.writeString("dev", "gakki", "Synth\n[window]\r\nheight=1");
        const IniDocument reread = IniDocument::fromText(document.toText());
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
        QCOMPARE(IniDocument::load(path).toText(), document.toText());
        QCOMPARE(QDir(folder.filePath("new/folder")).entryList(QDir::Files), QStringList{"velmora.ini"});

        QVERIFY(!Write(QDir(folder.path()), "file", "keep").isEmpty());
        QVERIFY(!document.save(folder.filePath("file/velmora.ini"))); // no folder can be made there
        QVERIFY(!document.save(folder.filePath("new")));              // a folder, not a file
        QCOMPARE(IniDocument::load(folder.filePath("file")).toText(), QStringLiteral("keep\n"));
    }

    void locationChoosesWhereToReadAndWrite_data()
    {
        QTest::addColumn<bool>("fileBeside");
        QTest::addColumn<QString>("folderState");
        QTest::addColumn<bool>("readBeside");
        QTest::addColumn<bool>("writeBeside");
        QTest::newRow("file beside") << true << "writable" << true << true;
        QTest::newRow("no file beside yet") << false << "writable" << false << true;
        QTest::newRow("folder gone") << false << "missing" << false << false;
        QTest::newRow("read-only folder with file") << true << "read-only" << true << false;
    }
    void locationChoosesWhereToReadAndWrite()
    {
        QFETCH(bool, fileBeside);
        QFETCH(QString, folderState);
        QFETCH(bool, readBeside);
        QFETCH(bool, writeBeside);
        QTemporaryDir root;
        const QString programFolder = root.filePath("bin");
        if (folderState != "missing")
            QVERIFY(QDir().mkpath(programFolder));
        if (fileBeside)
            QVERIFY(!Write(QDir(programFolder), "velmora.ini", "[dev]\n").isEmpty());
        const game::SettingsLocation location{programFolder + "/velmora.ini",
                                              root.filePath("config/velmora.ini")};
        if (folderState == "read-only") {
            QFile::setPermissions(programFolder, QFile::ReadOwner | QFile::ExeOwner);
            if (QFileInfo(programFolder).isWritable()) {
                QFile::setPermissions(programFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                QSKIP("running as root: permissions do not stop writing");
            }
        }
        QCOMPARE(location.pathToRead(), readBeside ? location.besideExecutable : location.inConfigFolder);
        QCOMPARE(location.pathToWrite(), writeBeside ? location.besideExecutable : location.inConfigFolder);
        QFile::setPermissions(programFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void locationOfThisProgramIsNamedAfterIt()
    {
        const auto location = game::SettingsLocationOfThisProgram();
        QCOMPARE(location.besideExecutable, QCoreApplication::applicationDirPath() + "/test_settings.ini");
        QVERIFY(location.inConfigFolder.endsWith("/test_settings.ini"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
