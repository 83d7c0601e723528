#pragma once
// `glyphreel print PROJECT.td OUT.pdf [--frame RENO]`: every frame (or the
// one numbered RENO) through the printing path into one PDF, each frame
// from a new page, in the project's font. Needs no display.

#include <QStringList>

#include <cstdio>

namespace glyphreel::app {

// Exit status: 0 done, 1 the project, the frame or the output failed
// (nothing is left at OUT.pdf then), 2 the command line is wrong.
int runPrintCommand(const QStringList &arguments, std::FILE *err);

} // namespace glyphreel::app
