// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target of the settings reader: any bytes read as a settings file, the seven settings
// written back as the program does at close, and the result read again must give the same values
// and keep every line that was not rewritten, byte for byte and in order.
#include "game/IniDocument.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <cstdlib>

namespace {

struct Settings {
    std::int32_t height, width, top, left, device, map;
    QString deviceName;
    bool operator==(const Settings&) const = default;
};

Settings Read(const game::IniDocument& document)
{
    return {document.readInteger("window", "height", 246), document.readInteger("window", "width", 345),
            document.readInteger("window", "top", 159),    document.readInteger("window", "left", 193),
            document.readInteger("Dev", "Dev_num", 0),     document.readInteger("dev", "map", 4),
            document.readString("dev", "gakki", "none")};
}

void Write(game::IniDocument& document, const Settings& settings)
{
    document.writeInteger("window", "Height", settings.height);
    document.writeInteger("window", "Width", settings.width);
    document.writeInteger("window", "Top", settings.top);
    document.writeInteger("window", "Left", settings.left);
    document.writeInteger("dev", "dev_num", settings.device);
    document.writeString("dev", "gakki", settings.deviceName);
    document.writeInteger("dev", "map", settings.map);
}

// The lines of `bytes`, each with its ending (CR LF, LF or CR), split without the reader's help.
QList<QByteArray> Lines(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        lines.append(bytes.mid(start, i + 1 - start));
        start = i + 1;
    }
    if (start < bytes.size())
        lines.append(bytes.mid(start));
    return lines;
}

// A line the write-back may replace: one naming one of the seven keys.
bool MayBeRewritten(const QByteArray& line)
{
    const QByteArray name = line.left(line.indexOf('=')).trimmed().toLower();
    for (const char* key : {"height", "width", "top", "left", "dev_num", "gakki", "map"})
        if (name == key)
            return true;
    return false;
}

// Every line of `before` that is not a key of ours is in `after`, in order; the last line may
// have gained an ending.
bool KeepsForeignLines(const QByteArray& before, const QByteArray& after)
{
    const QList<QByteArray> kept = Lines(after);
    auto next = kept.begin();
    for (const QByteArray& line : Lines(before)) {
        if (MayBeRewritten(line))
            continue;
        const bool ended = line.endsWith('\r') || line.endsWith('\n');
        next = std::find_if(next, kept.end(), [&](const QByteArray& candidate) {
            const QByteArray rest = candidate.startsWith(line) ? candidate.sliced(line.size()) : "?";
            return rest.isEmpty() || (!ended && (rest == "\n" || rest == "\r\n" || rest == "\r"));
        });
        if (next == kept.end())
            return false;
        ++next;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    game::IniDocument document = game::IniDocument::fromBytes(input);
    const Settings read = Read(document);
    Write(document, read);
    if (Read(game::IniDocument::fromBytes(document.bytes())) != read)
        std::abort();
    if (!KeepsForeignLines(input, document.bytes()))
        std::abort();
    return 0;
}
