#pragma once
// The pictures of the tool box's clipboard and brush buttons, drawn here:
// 16 x 16, each with a greyed form for the disabled state.

#include <QIcon>

namespace glyphreel::tools {

enum class ToolGlyph { Cut, Copy, Paste, Erase, Brush, OpenFile };

QPixmap drawToolGlyph(ToolGlyph glyph, bool greyed);
QIcon toolGlyphIcon(ToolGlyph glyph);

} // namespace glyphreel::tools
