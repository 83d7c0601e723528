#pragma once
// `glyphreel export PROJECT.td OUT.gif [--frame RENO] [--width W]
// [--height H] [--speed N]`: every frame with text as one animated GIF, or
// the frame numbered RENO as one picture, drawn as the editor shows them
// and written through the image kit. Needs no display.
//
// Defaults: the speed stored with the project (hundredths of a second per
// picture), and the text area of the preview window at its stored size:
// the width less the 80-pixel strip of controls, the whole height.

#include <QStringList>

#include <cstdio>

namespace glyphreel::app {

// Exit status: 0 done, 1 the project, the frame, the kit or the output
// failed, or no frame has text (nothing is left at OUT.gif then), 2 the
// command line is wrong.
int runExportCommand(const QStringList &arguments, std::FILE *err);

} // namespace glyphreel::app
