#include "widgets/ButtonGlyph.h"

#include <QPixmap>

namespace glyphreel::widgets {

QPixmap drawButtonGlyph(const GlyphPainter &paint, bool greyed)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    GlyphInk ink;
    ink.greyed = greyed;
    ink.edge = greyed ? QColor(128, 128, 128) : QColor(0, 0, 0);
    ink.paper = greyed ? QColor(192, 192, 192) : QColor(255, 255, 255);
    paint(p, ink);
    return pixmap;
}

QIcon buttonGlyphIcon(const GlyphPainter &paint)
{
    QIcon icon;
    icon.addPixmap(drawButtonGlyph(paint, false), QIcon::Normal);
    icon.addPixmap(drawButtonGlyph(paint, true), QIcon::Disabled);
    return icon;
}

} // namespace glyphreel::widgets
