// The settings file: parsing, case-insensitive look-up, write-back that keeps what it did not
// understand, the atomic save, and where the file lives.
#include "game/IniDocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <optional>

namespace game {

namespace {

bool SameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool IsHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// "0x1F" style: more than two characters, then hex digits only. Values above 0x7FFFFFFF wrap
// like a 32-bit read (0xFFFFFFFF is -1); more than 32 bits do not fit and are rejected.
std::optional<std::int32_t> ParseHex(QStringView digits)
{
    if (!std::all_of(digits.begin(), digits.end(), IsHexDigit))
        return std::nullopt;
    bool ok = false;
    const qulonglong value = digits.toULongLong(&ok, 16);
    if (!ok || value > 0xFFFFFFFFull)
        return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// Blanks around a value are not part of it, as in any INI reader; a value that is not exactly a
// 32-bit integer (C locale, no group separators) is no integer at all.
std::optional<std::int32_t> ParseInteger(QStringView text)
{
    const QStringView value = text.trimmed();
    if (value.size() > 2 && value[0] == u'0' && (value[1] == u'x' || value[1] == u'X'))
        return ParseHex(value.sliced(2));
    bool ok = false;
    const int decimal = value.toInt(&ok, 10);
    return ok ? std::optional<std::int32_t>(decimal) : std::nullopt;
}

// A name or value must stay on its own line, or it would smuggle new lines into the file.
QString OnOneLine(QString text)
{
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

// Where a key lies: the first section of that name, the key within it, and the index just
// after the section's last key (where a new key goes). -1 for what is not there.
struct Place {
    qsizetype section = -1;
    qsizetype key = -1;
    qsizetype endOfKeys = -1;
};

// `Lines` is IniDocument's private line list; the first section and the first key of a name win.
template <typename Lines> Place Locate(const Lines& lines, const QString& section, const QString& key)
{
    using Line = typename Lines::value_type;
    Place place;
    for (qsizetype i = 0; i < qsizetype(lines.size()); ++i) {
        const Line& line = lines[std::size_t(i)];
        if (place.section < 0) {
            if (line.kind == Line::Section && SameName(line.section, section)) {
                place.section = i;
                place.endOfKeys = i + 1;
            }
            continue;
        }
        if (line.kind == Line::Section)
            break;
        if (line.kind == Line::Key) {
            place.endOfKeys = i + 1;
            if (place.key < 0 && SameName(line.key, key))
                place.key = i;
        }
    }
    return place;
}

// One line of the file. Keys before the first section belong to none and stay plain lines, as do
// comments and anything else without a name before an equals sign.
template <typename Line> Line ParsedLine(QStringView raw, bool& inSection)
{
    Line line;
    line.text = raw.toString();
    const QStringView trimmed = raw.trimmed();
    if (trimmed.startsWith(u'[')) {
        const qsizetype close = trimmed.indexOf(u']');
        if (close > 0) {
            line.kind = Line::Section;
            line.section = trimmed.sliced(1, close - 1).trimmed().toString();
            inSection = true;
        }
        return line;
    }
    const bool comment = trimmed.startsWith(u';') || trimmed.startsWith(u'#');
    const qsizetype equals = trimmed.indexOf(u'=');
    if (inSection && !comment && equals > 0) {
        line.kind = Line::Key;
        line.key = trimmed.first(equals).trimmed().toString();
        line.value = trimmed.sliced(equals + 1).trimmed().toString();
    }
    return line;
}

} // namespace

IniDocument IniDocument::fromText(const QString& text)
{
    IniDocument document;
    // Room for the lines plus the few keys a program adds before writing back.
    document.lines_.reserve(std::size_t(text.count(u'\n')) + 16);
    bool inSection = false;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        const QStringView raw = QStringView(text).sliced(start, end - start);
        start = end + 1;
        document.lines_.push_back(ParsedLine<Line>(raw.endsWith(u'\r') ? raw.chopped(1) : raw, inSection));
    }
    return document;
}

IniDocument IniDocument::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Invalid UTF-8 turns into replacement characters; a byte-order mark is dropped.
    return fromText(QString::fromUtf8(file.readAll()));
}

std::int32_t IniDocument::readInteger(const QString& section, const QString& key, std::int32_t fallback) const
{
    // A missing key and an empty value both end in the fallback.
    return ParseInteger(readString(section, key, QString())).value_or(fallback);
}

QString IniDocument::readString(const QString& section, const QString& key, const QString& fallback) const
{
    const Place place = Locate(lines_, section, key);
    return place.key >= 0 ? lines_[std::size_t(place.key)].value : fallback;
}

void IniDocument::writeInteger(const QString& section, const QString& key, std::int32_t value)
{
    writeString(section, key, QString::number(value));
}

void IniDocument::writeString(const QString& section, const QString& key, const QString& value)
{
    const QString text = OnOneLine(value);
    const Place place = Locate(lines_, section, key);
    if (place.key >= 0) {
        Line& line = lines_[std::size_t(place.key)];
        line.value = text;
        line.text = line.key + u'=' + text;
        return;
    }
    Line keyLine;
    keyLine.kind = Line::Key;
    keyLine.key = OnOneLine(key);
    keyLine.value = text;
    keyLine.text = keyLine.key + u'=' + text;
    if (place.section < 0) {
        Line sectionLine;
        sectionLine.kind = Line::Section;
        sectionLine.section = OnOneLine(section);
        sectionLine.text = u'[' + sectionLine.section + u']';
        lines_.push_back(std::move(sectionLine));
        lines_.push_back(std::move(keyLine));
        return;
    }
    lines_.insert(lines_.begin() + place.endOfKeys, std::move(keyLine));
}

QString IniDocument::toText() const
{
    qsizetype size = 0;
    for (const Line& line : lines_)
        size += line.text.size() + 1;
    QString text;
    text.reserve(size);
    for (const Line& line : lines_) {
        text += line.text;
        text += u'\n';
    }
    return text;
}

bool IniDocument::save(const QString& path) const
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = toText().toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString SettingsLocation::pathToRead() const
{
    return !besideExecutable.isEmpty() && QFileInfo::exists(besideExecutable) ? besideExecutable
                                                                              : inConfigFolder;
}

QString SettingsLocation::pathToWrite() const
{
    if (besideExecutable.isEmpty())
        return inConfigFolder;
    const QFileInfo folder(QFileInfo(besideExecutable).absolutePath());
    return folder.isDir() && folder.isWritable() ? besideExecutable : inConfigFolder;
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
