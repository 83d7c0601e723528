#pragma once

class QFont;

namespace glyphreel::app {

// Makes the Japanese font names that projects and windows use resolve to
// the metric-compatible IPA fonts.
void registerFontSubstitutions();

// Lays out and draws a line of art characters in the art font once, off
// screen: the font file, its shaping tables and the glyphs art uses are
// loaded before the first project is opened rather than while it is.
void warmUpArtFont(const QFont &font);

} // namespace glyphreel::app
