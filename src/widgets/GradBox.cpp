#include "widgets/GradBox.h"

#include <QPainter>

using glyphreel::widgets::ColorValue;
using glyphreel::widgets::toQColor;

TGradBox::TGradBox(QWidget *parent) : QWidget(parent)
{
    resize(200, 100);
}

void TGradBox::setTopColor(ColorValue v) { set(topColor_, v); }
void TGradBox::setLastColor(ColorValue v) { set(lastColor_, v); }
void TGradBox::setGradStyle(TGradStyle v) { set(gradStyle_, v); }
void TGradBox::setDrawOutLine(bool v) { set(drawOutLine_, v); }
void TGradBox::setOutLineColor(ColorValue v) { set(outLineColor_, v, drawOutLine_); }
void TGradBox::setCaptionLeft(int v) { set(captionLeft_, v); }
void TGradBox::setCaptionTop(int v) { set(captionTop_, v); }
void TGradBox::setFont3D(bool v) { set(font3D_, v); }
void TGradBox::setStyle3D(TFont3DStyle v) { set(style3D_, v); }
void TGradBox::setFontDepth(int v) { set(fontDepth_, v, font3D_); }
void TGradBox::setBackFont(ColorValue v) { set(backFont_, v, font3D_); }
void TGradBox::setCaption(const QString &v) { set(caption_, v); }
void TGradBox::setFontColor(ColorValue v) { set(fontColor_, v); }

std::vector<QColor> TGradBox::bandColors() const
{
    if (gradStyle_ == gsNone)
        return {};
    const bool swapped = gradStyle_ == gsBottomTop || gradStyle_ == gsRightLeft;
    const QColor first = toQColor(swapped ? lastColor_ : topColor_);
    const QColor last = toQColor(swapped ? topColor_ : lastColor_);
    std::vector<QColor> table(256);
    table[0] = first;
    table[255] = last;
    // Stepped from the first colour in real numbers,
    // each entry truncated toward zero.
    double r = first.red(), g = first.green(), b = first.blue();
    const double dr = (first.red() - last.red()) / 255.0;
    const double dg = (first.green() - last.green()) / 255.0;
    const double db = (first.blue() - last.blue()) / 255.0;
    for (int i = 1; i <= 254; ++i) {
        r -= dr;
        g -= dg;
        b -= db;
        table[static_cast<std::size_t>(i)] = QColor(static_cast<int>(r), static_cast<int>(g), static_cast<int>(b));
    }
    return table;
}

void TGradBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int w = width(), h = height();
    const std::vector<QColor> table = bandColors();
    if (!table.empty()) {
        const bool vertical = gradStyle_ == gsTopBottom || gradStyle_ == gsBottomTop;
        const double step = (vertical ? h : w) / 255.0;
        const int band = static_cast<int>(step + 1);
        int at = 0;
        for (int j = 0; j <= 255; ++j) {
            if (vertical)
                p.fillRect(QRect(0, at, w, band), table[static_cast<std::size_t>(j)]);
            else
                p.fillRect(QRect(at, 0, band, h), table[static_cast<std::size_t>(j)]);
            at = static_cast<int>(j * step);
        }
    }
    if (drawOutLine_) {
        p.setPen(QPen(toQColor(outLineColor_), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, w - 1, h - 1);
    }
    if (!caption_.isEmpty()) {
        p.setFont(font());
        const QRect area(captionLeft_, captionTop_, w - captionLeft_, h - captionTop_);
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs;
        auto text = [&](int dx, int dy, const QColor &c) {
            p.setPen(c);
            p.drawText(area.translated(dx, dy), flags, caption_);
        };
        if (!isEnabled()) {
            text(1, 1, Qt::white);
            text(0, 0, QColor(128, 128, 128));
        } else if (!font3D_) {
            text(0, 0, toQColor(fontColor_));
        } else {
            const int d = fontDepth_;
            const QColor back = toQColor(backFont_);
            switch (style3D_) {
            case fsLowShadow: text(d, d, back); break;
            case fsRaiseShadow: text(-d, -d, back); break;
            case fsLow3D:
                for (int i = 1; i <= d; ++i)
                    text(i, i, back);
                break;
            case fsRaise3D:
                for (int i = 1; i <= d; ++i)
                    text(-i, -i, back);
                break;
            }
            text(0, 0, toQColor(fontColor_));
        }
    }
    emit OnPaint();
}
