#pragma once
// The project commands of `glyphreel`, for backups, inspection and scripts:
//   glyphreel create PROJECT.td [--rich] [TEXTFILE...]
//   glyphreel frames PROJECT.td
//   glyphreel dump PROJECT.td DIR

#include <QStringList>

#include <cstdio>
#include <functional>
#include <unistd.h>
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

// "処理中 k / n" on one line of err that rewrites itself, for a person
// watching; nothing when err is not a terminal.
class CommandProgress {
public:
    CommandProgress(std::FILE *err, long long total) : err_(err), total_(total), shown_(isatty(fileno(err)) != 0) {}
    ~CommandProgress()
    {
        if (shown_ && drawn_)
            std::fputs("\n", err_);
    }
    CommandProgress(const CommandProgress &) = delete;
    CommandProgress &operator=(const CommandProgress &) = delete;
    void step(long long done)
    {
        if (!shown_)
            return;
        std::fprintf(err_, "\r処理中 %lld / %lld", done, total_);
        std::fflush(err_);
        drawn_ = true;
    }

private:
    std::FILE *err_;
    long long total_;
    bool shown_;
    bool drawn_ = false;
};

} // namespace glyphreel::project
