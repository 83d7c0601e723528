#include "project/Settings.h"

#include "platform/text/ProfileFile.h"
#include "project/ProjectFiles.h"

namespace glyphreel::project {
namespace {

using Pairs = std::vector<std::pair<QString, QString>>;

QString boolText(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

// The nine keys from TextType to Loop, in their order.
Pairs baseKeys(const Settings &s)
{
    return {{keys::textType, boolText(s.normalText)},
            {keys::normalFont, s.normalFont},
            {keys::normalSize, QString::number(s.normalSize)},
            {keys::normalColor, QString::number(s.normalColor)},
            {keys::previewHeight, QString::number(s.previewHeight)},
            {keys::previewWidth, QString::number(s.previewWidth)},
            {keys::backColor, QString::number(s.backColor)},
            {keys::speed, QString::number(s.speed)},
            {keys::loop, boolText(s.loop)}};
}

Pairs allKeys(const Settings &s)
{
    Pairs pairs = baseKeys(s);
    for (int n = 1; n <= 6; ++n)
        pairs.emplace_back(keys::track(n), s.tracks[static_cast<std::size_t>(n - 1)]);
    return pairs;
}

} // namespace

Settings readSettingsFile(const QString &tdPath, Settings s)
{
    const text::ProfileFile ini(tdPath);
    s.normalText = ini.readBool(keys::section, keys::textType, s.normalText);
    s.normalFont = ini.readString(keys::section, keys::normalFont, s.normalFont);
    s.normalSize = ini.readInteger(keys::section, keys::normalSize, s.normalSize);
    s.normalColor = ini.readInteger(keys::section, keys::normalColor, s.normalColor);
    s.previewHeight = ini.readInteger(keys::section, keys::previewHeight, s.previewHeight);
    s.previewWidth = ini.readInteger(keys::section, keys::previewWidth, s.previewWidth);
    s.backColor = ini.readInteger(keys::section, keys::backColor, s.backColor);
    s.speed = ini.readInteger(keys::section, keys::speed, s.speed);
    s.loop = ini.readBool(keys::section, keys::loop, s.loop);
    for (int n = 1; n <= 6; ++n)
        s.tracks[static_cast<std::size_t>(n - 1)] = ini.readString(keys::section, keys::track(n), QString());
    return s;
}

void writeSettingsFile(const QString &tdPath, const Settings &s)
{
    text::ProfileFile(tdPath).writeStrings(keys::section, allKeys(s));
}

std::string settingsFileBytes(const QString &tdPath, const Settings &s)
{
    text::ProfileFile ini(tdPath);
    ini.setStrings(keys::section, allKeys(s));
    return ini.bytes();
}

Settings newProjectSettings(const QString &tdPath, bool normalText, const Settings &current, std::string &bytes)
{
    Settings s = current;
    const Settings fresh;
    s.normalText = normalText;
    s.normalFont = fresh.normalFont;
    s.normalSize = fresh.normalSize;
    s.normalColor = fresh.normalColor;
    text::ProfileFile ini(tdPath);
    ini.setStrings(keys::section, baseKeys(s));
    bytes = ini.bytes();
    return s;
}

} // namespace glyphreel::project
