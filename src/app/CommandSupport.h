#pragma once
// What the picture commands (print, export) share: their options, the
// project they read, and a GUI application without a display for fonts.

#include <QString>
#include <QStringList>

#include <functional>

namespace glyphreel::project {
class Project;
} // namespace glyphreel::project

namespace glyphreel::app {

// The whole number after the option at arguments[i], within min..max;
// moves i onto it. Throws UsageError naming the option otherwise.
int integerOption(const QStringList &arguments, qsizetype &i, int min, int max, const QString &meaning);

// Opens the project at path (absolute). Throws ProjectError in one line
// when it is missing or its frame table does not open.
void openForCommand(project::Project &project, const QString &path);

// Runs the command inside a GUI application on the offscreen platform
// (unless another is asked for), with the application's font
// substitutions: text is laid out with the fonts the editor uses.
int withFonts(const std::function<int()> &command);

} // namespace glyphreel::app
