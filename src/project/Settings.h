#pragma once
// What a project's settings file holds, with the values a run starts with,
// and how it is read and written: section "Setting" of an INI file in CP932,
// written key by key so that anything else in the file stays.

#include <QString>

#include <array>

namespace glyphreel::project {

struct Settings {
    bool normalText = true;                               // TextType: 1 normal text, 0 rich text
    QString normalFont = QStringLiteral("ＭＳ ゴシック"); // NormalFont
    int normalSize = 4;                                   // NormalSize, points
    int normalColor = 0x00FFFFFF;                         // NormalColor, 0x00BBGGRR: white text
    int previewHeight = 480;                              // PreviewHeight: the preview window's outer size
    int previewWidth = 640;                               // PreviewWidth
    int backColor = 0;                                    // BackColor: black
    int speed = 20;                                       // Speed: the preview's period in 10 ms steps, 1..99
    bool loop = true;                                     // Loop
    std::array<QString, 6> tracks;                        // Track1..6: bare sound file names
};

// Reads the settings file over the given values: a missing file, section or
// key, or a value that is not a whole number, keeps the given value; track
// names are emptied first and read as stored.
Settings readSettingsFile(const QString &tdPath, Settings current);

// Writes every key, TextType to Track6, in one write of the file (whole,
// under a temporary name, then renamed over it).
void writeSettingsFile(const QString &tdPath, const Settings &settings);
// What the file would hold with every key written, for a caller that
// writes it together with the table files.
std::string settingsFileBytes(const QString &tdPath, const Settings &settings);

// The nine keys of a new project (no track keys): the text type, the base
// font "ＭＳ ゴシック" 4 pt in white, and the preview size, background,
// speed and loop of the given settings. Returns the settings written and
// gives the file's new content.
Settings newProjectSettings(const QString &tdPath, bool normalText, const Settings &current, std::string &bytes);

} // namespace glyphreel::project
