#pragma once
// The project commands of `glyphreel`, for backups, inspection and scripts:
//   glyphreel create PROJECT.td [--rich] [TEXTFILE...]
//   glyphreel frames PROJECT.td
//   glyphreel dump PROJECT.td DIR

#include <QStringList>

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>

namespace glyphreel::project {

bool isProjectCommand(const QString &verb);

// Returns the exit status: 0 done, 1 the project or a file failed, 2 the
// command line is wrong. Failures write one line to err.
int runProjectCommand(const QString &verb, const QStringList &arguments, std::FILE *out, std::FILE *err);

// A wrong command line.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const QString &message) : std::runtime_error(message.toStdString()) {}
};

// Runs a command, its failures told in one line on err that starts with
// the command's name: a UsageError with the usage and status 2, any other
// error with status 1.
int runReportingFailures(const std::string &name, const QString &usage, std::FILE *err, const std::function<int()> &command);

} // namespace glyphreel::project
