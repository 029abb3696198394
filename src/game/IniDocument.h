// The settings file: an INI document loaded whole, read and written by section and key with
// names matched regardless of letter case, and written back whole with everything it held.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace game {

class IniDocument {
public:
    // Parses `text`. Anything that is not a section or a key line is kept as it stands.
    static IniDocument fromText(const QString& text);
    // Loads the file at `path`; a missing or unreadable file reads as empty.
    static IniDocument load(const QString& path);

    // The integer at section/key: decimal, or hexadecimal after "0x"/"0X" when the value is
    // longer than two characters; `fallback` when missing or not a valid 32-bit integer.
    std::int32_t readInteger(const QString& section, const QString& key, std::int32_t fallback) const;
    QString readString(const QString& section, const QString& key, const QString& fallback) const;

    // Replaces the value of an existing key (keeping the letter case of its section and key),
    // or appends the key to the section, or appends the section to the document.
    void writeInteger(const QString& section, const QString& key, std::int32_t value);
    void writeString(const QString& section, const QString& key, const QString& value);

    // The whole document as text, lines ended by "\n".
    QString toText() const;
    // Writes the whole document to `path` atomically; false when the file cannot be written.
    bool save(const QString& path) const;

private:
    struct Line {
        QString text;    // the line as it will be written (as read, until a write changes it)
        QString section; // section name (section lines)
        QString key;     // key name (key lines)
        QString value;   // value (key lines)
        enum Kind { Other, Section, Key } kind = Other;
    };
    std::vector<Line> lines_;
};

// Where the settings live: beside the executable when a file is there (reading) or when that
// folder is writable (writing), else in the player's configuration folder.
struct SettingsLocation {
    QString besideExecutable; // the executable's path with its extension replaced by ".ini"
    QString inConfigFolder;   // <configuration folder>/<executable's base name>.ini

    QString pathToRead() const;  // besideExecutable if that file exists, else inConfigFolder
    QString pathToWrite() const; // besideExecutable if its folder is writable, else inConfigFolder
};

// The location for the running program (QCoreApplication::applicationFilePath(), AppConfigLocation).
SettingsLocation SettingsLocationOfThisProgram();

} // namespace game
