// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file's sections and keys. Names match regardless of letter case, but the program has
// always read them in one case and written them in another ("height" read, "Height" written;
// "Dev"/"Dev_num" read, "dev"/"dev_num" written): a new file gets the written case, and both stay
// as they are, byte for byte.
#include "game/SavedSettings.h"

#include "game/ReferencePitch.h"

#include <QUrl>

namespace game {
namespace {

struct Name {
    const char* section;
    const char* key;
};

struct Setting {
    Name read;
    Name written;
};

constexpr Setting kHeight{{"window", "height"}, {"window", "Height"}};
constexpr Setting kWidth{{"window", "width"}, {"window", "Width"}};
constexpr Setting kTop{{"window", "top"}, {"window", "Top"}};
constexpr Setting kLeft{{"window", "left"}, {"window", "Left"}};
constexpr Setting kDeviceNumber{{"Dev", "Dev_num"}, {"dev", "dev_num"}};
constexpr Setting kDeviceName{{"dev", "gakki"}, {"dev", "gakki"}};
constexpr Setting kMap{{"dev", "map"}, {"dev", "map"}};
constexpr Setting kReferencePitch{{"tuning", "a4"}, {"tuning", "a4"}};
constexpr Name kBoardAddress{"board", "url"};

// Only a web address is opened: anything else in the file (a local file, a program's scheme)
// counts as no address.
QString WebAddress(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const bool web = url.isValid() && !url.host().isEmpty() &&
                     (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"));
    return web ? url.toString() : QString();
}

std::int32_t ReadInteger(const IniDocument& document, const Setting& setting, std::int32_t fallback)
{
    return document.readInteger(setting.read.section, setting.read.key, fallback);
}

void WriteInteger(IniDocument& document, const Setting& setting, std::int32_t value)
{
    document.writeInteger(setting.written.section, setting.written.key, value);
}

} // namespace

SavedSettings ReadSavedSettings(const IniDocument& document)
{
    SavedSettings settings;
    settings.window.height = ReadInteger(document, kHeight, 246);
    settings.window.width = ReadInteger(document, kWidth, 345);
    settings.window.top = ReadInteger(document, kTop, 159);
    settings.window.left = ReadInteger(document, kLeft, 193);
    settings.deviceNumber = ReadInteger(document, kDeviceNumber, 0);
    settings.deviceName = document.readString(kDeviceName.read.section, kDeviceName.read.key, "none");
    settings.mapValue = ReadInteger(document, kMap, kDefaultMapValue);
    const std::int32_t pitch = ReadInteger(document, kReferencePitch, kDefaultReferencePitch);
    settings.referencePitch = IsReferencePitch(pitch) ? pitch : kDefaultReferencePitch;
    return settings;
}

void WriteSavedSettings(IniDocument& document, const SavedSettings& settings)
{
    WriteInteger(document, kHeight, settings.window.height);
    WriteInteger(document, kWidth, settings.window.width);
    WriteInteger(document, kTop, settings.window.top);
    WriteInteger(document, kLeft, settings.window.left);
    WriteInteger(document, kDeviceNumber, settings.deviceNumber);
    document.writeString(kDeviceName.written.section, kDeviceName.written.key, settings.deviceName);
    WriteInteger(document, kMap, settings.mapValue);
    WriteInteger(document, kReferencePitch, settings.referencePitch);
}

QString ReadBoardAddress(const IniDocument& document)
{
    return WebAddress(document.readString(kBoardAddress.section, kBoardAddress.key, {}));
}

} // namespace game
