#pragma once
// An error of a project command, in words for the user: what failed and on
// which file.

#include <QString>

#include <stdexcept>

namespace glyphreel::project {

class ProjectError : public std::runtime_error {
public:
    explicit ProjectError(const QString &message) : std::runtime_error(message.toStdString()) {}
};

} // namespace glyphreel::project
