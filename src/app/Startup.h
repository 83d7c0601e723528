#pragma once

class GlyphreelApplication;

namespace glyphreel::app {

// Creates the eight windows in their order, the main window first and the
// hidden conversion window last, each kept in its global reference.
void createForms(GlyphreelApplication &application);

// The whole start-up: fonts, title, windows, message loop. An error that
// escapes it is shown in the standard exception box. Returns 0.
int runApplication(int argc, char **argv);

} // namespace glyphreel::app
