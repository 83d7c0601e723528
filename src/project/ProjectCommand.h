#pragma once
// The project commands of `glyphreel`, for backups, inspection and scripts:
//   glyphreel create PROJECT.td [--rich] [TEXTFILE...]
//   glyphreel frames PROJECT.td
//   glyphreel dump PROJECT.td DIR

#include <QStringList>

#include <cstdio>

namespace glyphreel::project {

bool isProjectCommand(const QString &verb);

// Returns the exit status: 0 done, 1 the project or a file failed, 2 the
// command line is wrong. Failures write one line to err.
int runProjectCommand(const QString &verb, const QStringList &arguments, std::FILE *out, std::FILE *err);

} // namespace glyphreel::project
