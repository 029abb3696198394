// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file: finding sections and keys in the file's bytes, case-insensitive look-up,
// write-back that touches only the lines it writes, the atomic save, and where the file lives.
#include "game/IniDocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryFile>

#include <algorithm>
#include <charconv>
#include <optional>

namespace game {

namespace {

using Bytes = QByteArrayView;

bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// What QByteArrayView::trimmed() drops at the start of a line.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// One line: its text is [begin, end); the next line begins at `next`, after this one's ending.
struct Line {
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype next = 0;
};

// The line starting at `begin`, ended by CR LF, LF, CR or the end of the document.
Line LineAt(Bytes bytes, qsizetype begin)
{
    const auto endOfText = std::find_if(bytes.begin() + begin, bytes.end(), IsLineEnd);
    const qsizetype end = endOfText - bytes.begin();
    qsizetype next = end;
    if (next < bytes.size() && bytes[next++] == '\r' && next < bytes.size() && bytes[next] == '\n')
        ++next;
    return {begin, end, next};
}

Bytes TextOf(Bytes bytes, const Line& line)
{
    return bytes.sliced(line.begin, line.end - line.begin);
}

// Where the first line's text starts: after a UTF-8 byte-order mark, if any.
qsizetype StartOfText(Bytes bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
}

// The name of a section line, "[name]" with blanks allowed around the name and the brackets.
std::optional<Bytes> SectionName(Bytes text)
{
    text = text.trimmed();
    const qsizetype close = text.startsWith('[') ? text.indexOf(']') : -1;
    if (close < 0)
        return std::nullopt;
    return text.sliced(1, close - 1).trimmed();
}

// A key line: a name before an equals sign, blanks around both not counting. Comments and lines
// starting with a bracket are none.
struct KeyLine {
    Bytes name;
    Bytes value;
};
std::optional<KeyLine> KeyAndValue(Bytes text)
{
    text = text.trimmed();
    if (text.startsWith(';') || text.startsWith('#') || text.startsWith('['))
        return std::nullopt;
    const qsizetype equals = text.indexOf('=');
    if (equals <= 0)
        return std::nullopt;
    return KeyLine{text.first(equals).trimmed(), text.sliced(equals + 1).trimmed()};
}

// The first section line starting at or after the line start `from`. Looks only at brackets,
// so a file of millions of other lines is crossed at the speed of a byte search.
std::optional<Line> NextSection(Bytes bytes, qsizetype from)
{
    for (qsizetype bracket = bytes.indexOf('[', from); bracket >= 0;
         bracket = bytes.indexOf('[', bracket + 1)) {
        qsizetype begin = bracket;
        while (begin > from && IsBlank(bytes[begin - 1]))
            --begin;
        if (begin > from && !IsLineEnd(bytes[begin - 1]))
            continue; // not the first thing on its line
        const Line line = LineAt(bytes, begin);
        if (SectionName(TextOf(bytes, line)))
            return line;
        bracket = line.end - 1;
    }
    return std::nullopt;
}

// Text of the file: UTF-8 when it is valid UTF-8, else Shift-JIS, the character set of the
// game's Japanese texts and of settings files edited on Japanese systems. `exact` tells whether
// either fitted.
struct Text {
    QString text;
    bool exact = true;
};
Text Decoded(Bytes bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return {text};
    QStringDecoder shiftJis("Shift_JIS", QStringDecoder::Flag::Stateless);
    if (!shiftJis.isValid())
        return {text, false};
    text = shiftJis.decode(bytes);
    return {text, !shiftJis.hasError()};
}

// A name with bytes that are neither UTF-8 nor Shift-JIS matches no name of the program's.
bool SameName(Bytes name, QStringView wanted)
{
    const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return uchar(c) < 0x80; });
    if (ascii)
        return wanted.compare(QLatin1StringView(name), Qt::CaseInsensitive) == 0;
    const Text decoded = Decoded(name);
    return decoded.exact && wanted.compare(decoded.text, Qt::CaseInsensitive) == 0;
}

// Where a key lies: its line in the first section of that name, and the place just after the
// section's last key line (where a new key goes); -1 when there is no such section.
struct Place {
    std::optional<Line> key;
    qsizetype endOfKeys = -1;
};

Place Locate(Bytes bytes, QStringView section, QStringView key)
{
    Place place;
    std::optional<Line> header = NextSection(bytes, StartOfText(bytes));
    while (header && !SameName(*SectionName(TextOf(bytes, *header)), section))
        header = NextSection(bytes, header->next);
    if (!header)
        return place;
    place.endOfKeys = header->next;
    for (qsizetype at = header->next; at < bytes.size();) {
        const Line line = LineAt(bytes, at);
        at = line.next;
        const Bytes text = TextOf(bytes, line);
        if (SectionName(text))
            break;
        if (const auto keyLine = KeyAndValue(text)) {
            place.endOfKeys = line.next;
            if (!place.key && SameName(keyLine->name, key))
                place.key = line;
        }
    }
    return place;
}

std::optional<Bytes> ValueOf(Bytes bytes, QStringView section, QStringView key)
{
    const Place place = Locate(bytes, section, key);
    if (!place.key)
        return std::nullopt;
    return KeyAndValue(TextOf(bytes, *place.key))->value;
}

// "0x1F" style: more than two characters, then hex digits only. Values above 0x7FFFFFFF wrap
// like a 32-bit read (0xFFFFFFFF is -1); more than 32 bits do not fit and are rejected.
// Anything else must be a decimal 32-bit integer and nothing more (a NUL byte ends nothing).
std::optional<std::int32_t> ParseInteger(Bytes value)
{
    const bool hex = value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
    if (hex)
        value = value.sliced(2);
    else if (value.startsWith('+') && !value.sliced(1).startsWith('-'))
        value = value.sliced(1);
    std::uint32_t magnitude = 0;
    std::int32_t decimal = 0;
    const auto [end, error] = hex ? std::from_chars(value.begin(), value.end(), magnitude, 16)
                                  : std::from_chars(value.begin(), value.end(), decimal);
    if (error != std::errc() || end != value.end())
        return std::nullopt;
    return hex ? std::int32_t(magnitude) : decimal;
}

// A name or value must stay on its own line, or it would smuggle new lines into the file.
QByteArray OnOneLine(const QString& text)
{
    return text.toUtf8().replace('\r', ' ').replace('\n', ' ');
}

// The line ending of lines inserted at `at`: that of the line before, so that an inserted CR
// never meets a following LF; after a last line without one, the document's first ending, or LF.
QByteArray EndingOfNewLinesAt(Bytes bytes, qsizetype at)
{
    if (at > 0 && bytes[at - 1] == '\n')
        return at > 1 && bytes[at - 2] == '\r' ? "\r\n" : "\n";
    if (at > 0 && bytes[at - 1] == '\r')
        return "\r";
    const Line first = LineAt(bytes, 0);
    const Bytes ending = bytes.sliced(first.end, first.next - first.end);
    return ending.isEmpty() ? QByteArray("\n") : ending.toByteArray();
}

// Whether a new file can be made in `folder`, as the atomic save needs. Tried for real: the
// permission bits tell nothing about root, read-only mounts or special file systems.
bool TakesNewFiles(const QString& folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".settings-probe-XXXXXX")));
    return probe.open();
}

} // namespace

IniDocument IniDocument::fromBytes(QByteArray bytes)
{
    IniDocument document;
    document.bytes_ = std::move(bytes);
    return document;
}

IniDocument IniDocument::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Room for the lines written at close, so that writing them never copies a large file.
    QByteArray bytes;
    bytes.reserve(file.size() + 4096);
    bytes.resize(file.size());
    bytes.resize(std::max<qint64>(file.read(bytes.data(), bytes.size()), 0));
    bytes += file.readAll(); // what a file of unknown size (a pipe, /proc) still holds
    return fromBytes(std::move(bytes));
}

std::int32_t IniDocument::readInteger(const QString& section, const QString& key, std::int32_t fallback) const
{
    const auto value = ValueOf(bytes_, section, key);
    return value ? ParseInteger(*value).value_or(fallback) : fallback;
}

QString IniDocument::readString(const QString& section, const QString& key, const QString& fallback) const
{
    const auto value = ValueOf(bytes_, section, key);
    return value ? Decoded(*value).text : fallback;
}

void IniDocument::writeInteger(const QString& section, const QString& key, std::int32_t value)
{
    writeString(section, key, QString::number(value));
}

void IniDocument::writeString(const QString& section, const QString& key, const QString& value)
{
    const QByteArray text = OnOneLine(value);
    const Place place = Locate(bytes_, section, key);
    if (place.key) {
        const Line line = *place.key;
        const QByteArray name = KeyAndValue(TextOf(bytes_, line))->name.toByteArray();
        bytes_.replace(line.begin, line.end - line.begin, name + '=' + text);
        return;
    }
    const qsizetype at = place.endOfKeys >= 0 ? place.endOfKeys : bytes_.size();
    const QByteArray ending = EndingOfNewLinesAt(bytes_, at);
    QByteArray lines = OnOneLine(key) + '=' + text + ending;
    if (place.endOfKeys < 0)
        lines.prepend('[' + OnOneLine(section) + ']' + ending);
    if (at > 0 && !IsLineEnd(bytes_[at - 1]))
        lines.prepend(ending); // the last line had no ending of its own
    bytes_.insert(at, lines);
}

WriteOutcome IniDocument::save(const QString& path) const
{
    return WriteWholeFile(path, bytes_);
}

QString SettingsLocation::pathToRead() const
{
    const QString written = pathToWrite();
    for (const QString& path : {written, besideExecutable, inConfigFolder})
        if (!path.isEmpty() && QFileInfo::exists(path))
            return path;
    return written;
}

QString SettingsLocation::pathToWrite() const
{
    const bool beside =
        !besideExecutable.isEmpty() && TakesNewFiles(QFileInfo(besideExecutable).absolutePath());
    return beside ? besideExecutable : inConfigFolder;
}

SettingsLocation SettingsLocationOfThisProgram()
{
    const QFileInfo executable(QCoreApplication::applicationFilePath());
    const QString fileName = executable.completeBaseName() + QStringLiteral(".ini");
    QString configFolder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (configFolder.isEmpty())
        configFolder = QDir::homePath() + QStringLiteral("/.config");
    return {
        .besideExecutable = executable.fileName().isEmpty() ? QString() : executable.dir().filePath(fileName),
        .inConfigFolder = QDir(configFolder).filePath(fileName),
    };
}

} // namespace game
