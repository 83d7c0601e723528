#include "app/Glyphs.h"

#include "widgets/ButtonGlyph.h"

#include <QPainter>
#include <QPainterPath>

namespace glyphreel::app {
namespace {

// A sheet of paper with a folded corner: a frame of the movie.
void drawPage(QPainter &p, const QColor &paper, const QColor &edge)
{
    QPainterPath page;
    page.moveTo(2.5, 1.5);
    page.lineTo(9.5, 1.5);
    page.lineTo(12.5, 4.5);
    page.lineTo(12.5, 14.5);
    page.lineTo(2.5, 14.5);
    page.closeSubpath();
    p.setPen(QPen(edge, 1));
    p.setBrush(paper);
    p.drawPath(page);
    p.drawLine(QPointF(9.5, 1.5), QPointF(9.5, 4.5));
    p.drawLine(QPointF(9.5, 4.5), QPointF(12.5, 4.5));
}

} // namespace

namespace {

void paintGlyph(Glyph glyph, QPainter &p, const widgets::GlyphInk &ink)
{
    switch (glyph) {
    case Glyph::AddFrame: {
        drawPage(p, ink.paper, ink.edge);
        const QColor plus = ink.tint(QColor(0, 128, 0));
        p.fillRect(QRect(9, 8, 7, 3), plus);
        p.fillRect(QRect(11, 6, 3, 7), plus);
        break;
    }
    case Glyph::DeleteFrame:
        drawPage(p, ink.paper, ink.edge);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(ink.tint(QColor(192, 0, 0)), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 7), QPointF(14, 13));
        p.drawLine(QPointF(14, 7), QPointF(8, 13));
        break;
    case Glyph::Preview: {
        // A screen with a play mark.
        p.setPen(QPen(ink.edge, 1));
        p.setBrush(ink.tint(QColor(0, 0, 0), QColor(160, 160, 160)));
        p.drawRect(QRectF(0.5, 2.5, 15, 11));
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(ink.tint(QColor(255, 255, 255), QColor(220, 220, 220)));
        QPainterPath play;
        play.moveTo(6, 5);
        play.lineTo(11.5, 8);
        play.lineTo(6, 11);
        play.closeSubpath();
        p.drawPath(play);
        break;
    }
    }
}

} // namespace

QPixmap drawGlyph(Glyph glyph, bool greyed)
{
    return widgets::drawButtonGlyph([glyph](QPainter &p, const widgets::GlyphInk &ink) { paintGlyph(glyph, p, ink); },
                                    greyed);
}

QIcon glyphIcon(Glyph glyph)
{
    return widgets::buttonGlyphIcon([glyph](QPainter &p, const widgets::GlyphInk &ink) { paintGlyph(glyph, p, ink); });
}

} // namespace glyphreel::app
