#pragma once
// `glyphreel convert PICTURE [--pixel-width N] [--half-width] [--no-invert]
// [--encoding cp932|utf-8]`: the conversion for batch work, without a display.

#include <QStringList>

#include <cstdio>

namespace glyphreel::convert {

// Runs the command on the arguments that follow "convert". Writes the art to
// out and a one-line message to err on failure. Returns the exit status:
// 0 done, 1 the picture could not be read, 2 the command line is wrong.
int runConvertCommand(const QStringList &arguments, std::FILE *out, std::FILE *err);

} // namespace glyphreel::convert
