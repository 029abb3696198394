// SPDX-License-Identifier: GPL-3.0-or-later
// Peak memory and time of reading a 100 MB settings file, changing the seven settings and saving
// it, for a file of empty lines and one of long lines. Each file is measured in a process of its
// own, since the peak resident set only ever grows. Prints tab-separated rows: what, value, unit.
#include "Rows.h"
#include "game/IniDocument.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

using bench::Row;

namespace {

constexpr qsizetype kFileSize = 100 * 1024 * 1024;

double PeakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024;
}

// The files are written a piece at a time: a child's peak resident set starts from the
// parent's, which must stay small.
bool WriteEmptyLines(const QString& path)
{
    QFile file(path);
    const QByteArray piece(1024 * 1024, '\n');
    bool written = file.open(QIODevice::WriteOnly);
    while (written && file.size() < kFileSize)
        written = file.write(piece) == piece.size();
    return written;
}

// A few settings of ours before a long section of 1 KB key lines, so every look-up crosses it.
bool WriteLongLines(const QString& path)
{
    QFile file(path);
    const QByteArray value(1000, 'x');
    bool written = file.open(QIODevice::WriteOnly) && file.write("[window]\nheight=300\n[notes]\n") > 0;
    for (int key = 0; written && file.size() < kFileSize; ++key)
        written = file.write("note" + QByteArray::number(key) + '=' + value + '\n') > 0;
    return written;
}

// Start-up's reads and close's writes and save, as the program does them.
void ReadChangeAndSave(const QString& path)
{
    game::IniDocument document = game::IniDocument::load(path);
    const int height = document.readInteger("window", "height", 246);
    const int width = document.readInteger("window", "width", 345);
    const int top = document.readInteger("window", "top", 159);
    const int left = document.readInteger("window", "left", 193);
    const int device = document.readInteger("Dev", "Dev_num", 0);
    const QString name = document.readString("dev", "gakki", "none");
    const int map = document.readInteger("dev", "map", 4);
    document.writeInteger("window", "Height", height + 1);
    document.writeInteger("window", "Width", width);
    document.writeInteger("window", "Top", top);
    document.writeInteger("window", "Left", left);
    document.writeInteger("dev", "dev_num", device);
    document.writeString("dev", "gakki", name == "none" ? QStringLiteral("Bench") : name);
    document.writeInteger("dev", "map", map);
    if (!document.save(path + ".saved"))
        std::fprintf(stderr, "cannot save beside %s\n", qPrintable(path));
}

void Measure(const QString& path, const char* what)
{
    const auto start = std::chrono::steady_clock::now();
    ReadChangeAndSave(path);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const QByteArray label = QByteArray("100 MB settings file of ") + what;
    Row(QByteArray(label + ", peak resident memory").constData(), PeakResidentMegabytes(), "MB");
    Row(QByteArray(label + ", read, changed and saved").constData(), seconds * 1000, "ms");
}

// Runs this program again on one file and waits for it.
void MeasureInChild(const QString& path, const char* what)
{
    const QByteArray file = QFile::encodeName(path);
    char* arguments[] = {const_cast<char*>("bench_settings"), const_cast<char*>(file.constData()),
                         const_cast<char*>(what), nullptr};
    std::fflush(stdout);
    pid_t child = 0;
    int status = 0;
    if (posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, arguments, environ) != 0 ||
        waitpid(child, &status, 0) != child || status != 0)
        std::fprintf(stderr, "measuring %s failed\n", what);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 3) {
        Measure(QFile::decodeName(argv[1]), argv[2]);
        return 0;
    }
    QTemporaryDir folder;
    const QString emptyLines = folder.filePath("empty-lines.ini");
    const QString longLines = folder.filePath("long-lines.ini");
    if (!WriteEmptyLines(emptyLines) || !WriteLongLines(longLines))
        return 1;
    MeasureInChild(emptyLines, "empty lines");
    MeasureInChild(longLines, "1 KB lines");
    return 0;
}
