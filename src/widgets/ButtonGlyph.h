#pragma once
// The pictures of buttons, drawn in code: 16 x 16 on a clear ground, each
// with a greyed form for the disabled state.

#include <QColor>
#include <QIcon>
#include <QPainter>

#include <functional>

namespace glyphreel::widgets {

struct GlyphInk {
    bool greyed = false;
    QColor edge;  // outlines: black, or grey when greyed
    QColor paper; // white, or silver when greyed
    // A colour of the picture, grey in the greyed form.
    QColor tint(const QColor &normal, const QColor &grey = QColor(128, 128, 128)) const { return greyed ? grey : normal; }
};

using GlyphPainter = std::function<void(QPainter &, const GlyphInk &)>;

QPixmap drawButtonGlyph(const GlyphPainter &paint, bool greyed);
QIcon buttonGlyphIcon(const GlyphPainter &paint);

} // namespace glyphreel::widgets
