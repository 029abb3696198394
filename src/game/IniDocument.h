// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file: an INI document loaded whole, read and written by section and key with
// names matched regardless of letter case, and written back whole with everything it held.
#pragma once

#include "game/WholeFile.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace game {

// The document is the file's bytes themselves: reading walks them, writing a key replaces that
// one line's text in place. So memory stays near the file's size, and every line the program does
// not rewrite is written back byte for byte, whatever its encoding and line ending.
// Lines may end in CR LF, LF or CR.
class IniDocument {
public:
    static IniDocument fromBytes(QByteArray bytes);
    static IniDocument fromText(const QString& text) { return fromBytes(text.toUtf8()); }
    // Loads the file at `path`; a missing or unreadable file reads as empty.
    static IniDocument load(const QString& path);

    // The integer at section/key: decimal, or hexadecimal after "0x"/"0X" when the value is
    // longer than two characters; `fallback` when missing or not a valid 32-bit integer.
    std::int32_t readInteger(const QString& section, const QString& key, std::int32_t fallback) const;
    // A value is read as UTF-8, or as Shift-JIS when it is not valid UTF-8.
    QString readString(const QString& section, const QString& key, const QString& fallback) const;

    // Replaces the value of an existing key (keeping the letter case of its section and key and
    // its line ending), or adds the key at the end of the section, or adds the section at the end
    // of the document. Written text is UTF-8.
    void writeInteger(const QString& section, const QString& key, std::int32_t value);
    void writeString(const QString& section, const QString& key, const QString& value);

    // The whole document as it will be written.
    const QByteArray& bytes() const { return bytes_; }
    // Writes the whole document to `path` atomically; false, with the reason, when it cannot.
    WriteOutcome save(const QString& path) const;

private:
    QByteArray bytes_;
};

// Where the settings live: beside the executable when its folder takes new files, else in the
// player's configuration folder. The file read is the one written, seeded the first time from the
// other place.
struct SettingsLocation {
    QString besideExecutable; // the executable's path with its extension replaced by ".ini"
    QString inConfigFolder;   // <configuration folder>/<executable's base name>.ini

    // pathToWrite() if that file exists, else whichever of the two does, else pathToWrite().
    QString pathToRead() const;
    // besideExecutable if a new file can be made in its folder, else inConfigFolder.
    QString pathToWrite() const;
};

// The location for the running program (QCoreApplication::applicationFilePath(), AppConfigLocation).
SettingsLocation SettingsLocationOfThisProgram();

} // namespace game
