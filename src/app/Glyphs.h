#pragma once
// The pictures of the main tool bar's buttons, drawn here: 16 x 16, each
// with a greyed form for the disabled state.

#include <QIcon>

namespace glyphreel::app {

enum class Glyph { AddFrame, DeleteFrame, Preview };

QPixmap drawGlyph(Glyph glyph, bool greyed);
QIcon glyphIcon(Glyph glyph);

} // namespace glyphreel::app
