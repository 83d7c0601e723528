#include "tools/ToolGlyphs.h"

#include "widgets/ButtonGlyph.h"

#include <QPainter>
#include <QPainterPath>

namespace glyphreel::tools {
namespace {

void drawSheet(QPainter &p, const QRectF &r, const QColor &paper, const QColor &edge)
{
    p.setPen(QPen(edge, 1));
    p.setBrush(paper);
    p.drawRect(r);
    for (qreal y = r.top() + 3; y < r.bottom() - 1; y += 2)
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

void paintToolGlyph(ToolGlyph glyph, QPainter &p, const widgets::GlyphInk &ink)
{
    const QColor &edge = ink.edge;
    const QColor &paper = ink.paper;
    const QColor accent = ink.tint(QColor(0, 0, 128));
    switch (glyph) {
    case ToolGlyph::Cut: {
        // Scissors: two blades crossing above two rings.
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(edge, 1.2));
        p.drawLine(QPointF(5, 1), QPointF(10, 10));
        p.drawLine(QPointF(11, 1), QPointF(6, 10));
        p.setPen(QPen(accent, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(4.5, 12.5), 2.5, 2.5);
        p.drawEllipse(QPointF(11.5, 12.5), 2.5, 2.5);
        break;
    }
    case ToolGlyph::Copy:
        drawSheet(p, QRectF(1.5, 1.5, 8, 10), paper, edge);
        drawSheet(p, QRectF(6.5, 4.5, 8, 10), paper, accent);
        break;
    case ToolGlyph::Paste:
        // A clipboard with a sheet on it.
        p.setPen(QPen(edge, 1));
        p.setBrush(ink.tint(QColor(160, 112, 48), QColor(160, 160, 160)));
        p.drawRect(QRectF(1.5, 2.5, 10, 12));
        p.setBrush(ink.tint(QColor(96, 96, 96)));
        p.drawRect(QRectF(4.5, 0.5, 4, 3));
        drawSheet(p, QRectF(6.5, 6.5, 8, 9), paper, accent);
        break;
    case ToolGlyph::Erase: {
        // An eraser lying on a slant.
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath body;
        body.moveTo(2, 10);
        body.lineTo(9, 3);
        body.lineTo(14, 8);
        body.lineTo(8, 14);
        body.lineTo(5, 14);
        body.closeSubpath();
        p.setPen(QPen(edge, 1));
        p.setBrush(ink.tint(QColor(255, 160, 176), QColor(192, 192, 192)));
        p.drawPath(body);
        p.drawLine(QPointF(5.5, 6.5), QPointF(10.5, 11.5));
        p.drawLine(QPointF(1, 15), QPointF(15, 15));
        break;
    }
    case ToolGlyph::Brush: {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(ink.tint(QColor(128, 64, 0)), 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(14, 2), QPointF(8, 8));
        p.setPen(QPen(edge, 1));
        p.setBrush(ink.tint(QColor(64, 64, 64), QColor(192, 192, 192)));
        QPainterPath tip;
        tip.moveTo(8.5, 6.5);
        tip.lineTo(10, 9);
        tip.cubicTo(7, 13, 4, 14, 1.5, 14.5);
        tip.cubicTo(2, 12, 3, 9, 7, 7);
        tip.closeSubpath();
        p.drawPath(tip);
        break;
    }
    case ToolGlyph::OpenFile: {
        // An open folder with a note on it.
        p.setPen(QPen(edge, 1));
        p.setBrush(ink.tint(QColor(224, 192, 96), QColor(192, 192, 192)));
        p.drawRect(QRectF(0.5, 4.5, 13, 10));
        p.drawRect(QRectF(0.5, 2.5, 5, 2));
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(accent);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(7, 12), 2, 1.6);
        p.fillRect(QRectF(8.2, 6, 1.2, 6), accent);
        p.fillRect(QRectF(8.2, 6, 3.5, 1.2), accent);
        break;
    }
    }
}

} // namespace

QPixmap drawToolGlyph(ToolGlyph glyph, bool greyed)
{
    return widgets::drawButtonGlyph(
        [glyph](QPainter &p, const widgets::GlyphInk &ink) { paintToolGlyph(glyph, p, ink); }, greyed);
}

QIcon toolGlyphIcon(ToolGlyph glyph)
{
    return widgets::buttonGlyphIcon([glyph](QPainter &p, const widgets::GlyphInk &ink) { paintToolGlyph(glyph, p, ink); });
}

} // namespace glyphreel::tools
