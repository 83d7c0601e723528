#pragma once
// The import commands of `glyphreel`, for batch work without a display:
//   glyphreel import-picture PROJECT.td PICTURE... [--pixel-width N] [--half-width] [--no-invert]
//   glyphreel import-movie PROJECT.td MOVIE [--start N] [--end N] [--step N]
//                          [--pixel-width N] [--half-width] [--no-invert]
// Each appends one frame per picture or movie position, with the bytes the
// import windows store, and saves the frame table.

#include <QStringList>

#include <cstdio>

namespace glyphreel::import {

bool isImportCommand(const QString &verb);

// Returns the exit status: 0 done, 1 a file failed (nothing appended, the
// table files untouched), 2 the command line is wrong. Failures write one
// line to err; a progress line goes to err when it is a terminal.
int runImportCommand(const QString &verb, const QStringList &arguments, std::FILE *err);

} // namespace glyphreel::import
