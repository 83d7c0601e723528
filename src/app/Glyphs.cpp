#include "app/Glyphs.h"

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

QPixmap drawGlyph(Glyph glyph, bool greyed)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    const QColor edge = greyed ? QColor(128, 128, 128) : QColor(0, 0, 0);
    const QColor paper = greyed ? QColor(192, 192, 192) : QColor(255, 255, 255);
    switch (glyph) {
    case Glyph::AddFrame: {
        drawPage(p, paper, edge);
        const QColor plus = greyed ? QColor(128, 128, 128) : QColor(0, 128, 0);
        p.fillRect(QRect(9, 8, 7, 3), plus);
        p.fillRect(QRect(11, 6, 3, 7), plus);
        break;
    }
    case Glyph::DeleteFrame: {
        drawPage(p, paper, edge);
        const QColor cross = greyed ? QColor(128, 128, 128) : QColor(192, 0, 0);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(cross, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 7), QPointF(14, 13));
        p.drawLine(QPointF(14, 7), QPointF(8, 13));
        break;
    }
    case Glyph::Preview: {
        // A screen with a play mark.
        p.setPen(QPen(edge, 1));
        p.setBrush(greyed ? QColor(160, 160, 160) : QColor(0, 0, 0));
        p.drawRect(QRectF(0.5, 2.5, 15, 11));
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(greyed ? QColor(220, 220, 220) : QColor(255, 255, 255));
        QPainterPath play;
        play.moveTo(6, 5);
        play.lineTo(11.5, 8);
        play.lineTo(6, 11);
        play.closeSubpath();
        p.drawPath(play);
        break;
    }
    }
    return pixmap;
}

QIcon glyphIcon(Glyph glyph)
{
    QIcon icon;
    icon.addPixmap(drawGlyph(glyph, false), QIcon::Normal);
    icon.addPixmap(drawGlyph(glyph, true), QIcon::Disabled);
    return icon;
}

} // namespace glyphreel::app
