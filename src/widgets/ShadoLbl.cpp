#include "widgets/ShadoLbl.h"

#include "widgets/WindowLook.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPalette>

using glyphreel::widgets::ColorValue;
using glyphreel::widgets::toQColor;

TShadow::TShadow(ColorValue color, int offsetLeft, int offsetTop, QObject *parent)
    : QObject(parent), color_(color), offsetLeft_(offsetLeft), offsetTop_(offsetTop)
{
}

void TShadow::setVisible(bool v)
{
    if (visible_ == v)
        return;
    visible_ = v;
    emit OnChange();
}

void TShadow::setColor(ColorValue v)
{
    if (color_ == v)
        return;
    color_ = v;
    emit OnChange();
}

void TShadow::setOffsetLeft(int v)
{
    if (offsetLeft_ == v)
        return;
    offsetLeft_ = v;
    emit OnChange();
}

void TShadow::setOffsetTop(int v)
{
    if (offsetTop_ == v)
        return;
    offsetTop_ = v;
    emit OnChange();
}

void TShadow::assign(const TShadow &other)
{
    visible_ = other.visible_;
    color_ = other.color_;
    offsetLeft_ = other.offsetLeft_;
    offsetTop_ = other.offsetTop_;
    emit OnChange();
}

namespace glyphreel::widgets {

QImage gradientImage(int width, int height, const QColor &a, const QColor &b, bool vertical)
{
    if (width <= 0 || height <= 0)
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    const double dr = b.red() - a.red(), dg = b.green() - a.green(), db = b.blue() - a.blue();
    auto at = [&](double t) {
        return qRgb(static_cast<int>(dr * t + a.red()), static_cast<int>(dg * t + a.green()), static_cast<int>(db * t + a.blue()));
    };
    if (vertical) {
        for (int y = 0; y < height; ++y) {
            const QRgb c = at(height == 1 ? 0.0 : double(y) / (height - 1));
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < width; ++x)
                line[x] = c;
        }
    } else {
        auto *first = reinterpret_cast<QRgb *>(image.scanLine(0));
        for (int x = 0; x < width; ++x)
            first[x] = at(width == 1 ? 0.0 : double(x) / (width - 1));
        for (int y = 1; y < height; ++y)
            std::copy(first, first + width, reinterpret_cast<QRgb *>(image.scanLine(y)));
    }
    return image;
}

namespace {

// Bytes of a character in CP932: one for ASCII and half-width katakana.
int cp932Bytes(QChar c)
{
    const ushort u = c.unicode();
    return (u < 0x80 || (u >= 0xFF61 && u <= 0xFF9F)) ? 1 : 2;
}

} // namespace

int textGradationSplit(const QString &caption)
{
    int bytes = 0;
    for (QChar c : caption)
        bytes += cp932Bytes(c);
    int p = bytes / 2; // 1-based byte position ending run one
    // Byte p is the first byte of a double-byte character: move on one.
    int at = 0;
    for (int i = 0; i < caption.size(); ++i) {
        const int n = cp932Bytes(caption[i]);
        if (n == 2 && at + 1 == p) {
            ++p;
            break;
        }
        at += n;
        if (at >= p)
            break;
    }
    int characters = 0;
    at = 0;
    for (QChar c : caption) {
        if (at >= p)
            break;
        at += cp932Bytes(c);
        ++characters;
    }
    return characters;
}

} // namespace glyphreel::widgets

TShadowLabel::TShadowLabel(QWidget *parent)
    : QWidget(parent), shadow_(new TShadow(12632256, 1, 1, this)), highlight_(new TShadow(0xFFFFFF, -1, -1, this))
{
    connect(shadow_, &TShadow::OnChange, this, qOverload<>(&QWidget::update));
    connect(highlight_, &TShadow::OnChange, this, qOverload<>(&QWidget::update));
}

void TShadowLabel::setCaption(const QString &v) { set(caption_, v); }
void TShadowLabel::setAlignment(Qt::Alignment v) { set(alignment_, v); }
void TShadowLabel::setLayout(TTextLayout v) { set(layout_, v); }
void TShadowLabel::setTransparent(bool v) { set(transparent_, v); }
void TShadowLabel::setWordWrap(bool v) { set(wordWrap_, v); }
void TShadowLabel::setShowAccelChar(bool v) { set(showAccelChar_, v); }
void TShadowLabel::setColor(ColorValue v) { set(color_, v); }
void TShadowLabel::setFontColor(ColorValue v) { set(fontColor_, v); }
void TShadowLabel::setGradation(bool v) { set(gradation_, v); }
void TShadowLabel::setGradationColor(ColorValue v) { set(gradationColor_, v); }
void TShadowLabel::setGradateVert(bool v) { set(gradateVert_, v); }
void TShadowLabel::setTextGradation(TTextGradation v) { set(textGradation_, v); }
void TShadowLabel::setTextGradationColor(ColorValue v) { set(textGradationColor_, v, textGradation_ != tgNone); }
void TShadowLabel::setTextMidColor(ColorValue v) { set(textMidColor_, v, textGradation_ == tg3Colors); }
void TShadowLabel::setEllipsis(TEllipsis v) { set(ellipsis_, v); }
void TShadowLabel::setFlickerless(bool v) { set(flickerless_, v); }

void TShadowLabel::setShadow(const TShadow *v)
{
    if (v)
        shadow_->assign(*v);
}

void TShadowLabel::setHighlight(const TShadow *v)
{
    if (v)
        highlight_->assign(*v);
}

void TShadowLabel::applyWindowLook(int pixelSize, ColorValue shadowColor)
{
    setFont(glyphreel::widgets::uiFont(pixelSize));
    setTransparent(true);
    setFontColor(0xFFFFFF);
    setLayout(tlCenter);
    highlight_->setVisible(false);
    shadow_->setColor(shadowColor);
    shadow_->setOffsetLeft(1);
    shadow_->setOffsetTop(1);
}

int TShadowLabel::textFlags() const
{
    int flags = static_cast<int>(alignment_ & Qt::AlignHorizontal_Mask) | Qt::TextExpandTabs;
    if (wordWrap_)
        flags |= Qt::TextWordWrap;
    if (showAccelChar_)
        flags |= Qt::TextShowMnemonic;
    return flags;
}

void TShadowLabel::paintEvent(QPaintEvent *)
{
    if (flickerless_ && !transparent_) {
        QImage off(size(), QImage::Format_RGB32);
        {
            QPainter p(&off);
            paintOn(p);
        }
        QPainter(this).drawImage(0, 0, off);
        return;
    }
    QPainter p(this);
    paintOn(p);
}

void TShadowLabel::paintOn(QPainter &p)
{
    QString text = caption_;
    if (text.isEmpty() || (showAccelChar_ && text == QStringLiteral("&")))
        text += u' ';
    const QRect client = rect();
    if (!transparent_) {
        if (gradation_)
            p.drawImage(client, glyphreel::widgets::gradientImage(client.width(), client.height(), toQColor(gradationColor_),
                                                                  toQColor(color_), gradateVert_));
        else
            p.fillRect(client, toQColor(color_));
    }
    p.setFont(font());
    const QFontMetrics fm(font());
    const int flags = textFlags();
    QString shown = text;
    if (ellipsis_ != elNone && !wordWrap_)
        shown = fm.elidedText(text, ellipsis_ == elEnd ? Qt::ElideRight : Qt::ElideMiddle, client.width(), flags);
    const int h = fm.boundingRect(client, flags, shown).height();
    QRect place = client;
    if (layout_ == tlCenter)
        place.translate(0, (height() - h) / 2);
    else if (layout_ == tlBottom)
        place.translate(0, height() - h);

    QColor shadowColor = toQColor(shadow_->Color()), highlightColor = toQColor(highlight_->Color()),
           textColor = toQColor(fontColor_);
    if (!isEnabled()) {
        shadowColor = QColor(128, 128, 128);
        highlightColor = toQColor(0x80000014); // button highlight
        textColor = toQColor(0x80000010);      // button shadow
    }
    auto draw = [&](const QRect &r, const QColor &c, const QString &s) {
        p.setPen(c);
        p.drawText(r, flags, s);
    };
    if (shadow_->Visible())
        draw(place.translated(shadow_->OffsetLeft(), shadow_->OffsetTop()), shadowColor, shown);
    if (highlight_->Visible())
        draw(place.translated(highlight_->OffsetLeft(), highlight_->OffsetTop()), highlightColor, shown);

    if (textGradation_ == tgNone || shown.size() < 2) {
        draw(place, textColor, shown);
        return;
    }
    // Text gradient, character by character from the left edge.
    const QColor fontColor = toQColor(fontColor_);
    QRect r = place;
    auto run = [&](const QString &part, const QColor &from, const QColor &to) {
        const int n = static_cast<int>(part.size());
        if (n == 1) {
            draw(r, from, part);
            r.setLeft(r.left() + fm.horizontalAdvance(part));
            return;
        }
        for (int k = 0; k < n; ++k) {
            const double t = double(k) / (n - 1);
            const QColor c(static_cast<int>(from.red() + (to.red() - from.red()) * t),
                           static_cast<int>(from.green() + (to.green() - from.green()) * t),
                           static_cast<int>(from.blue() + (to.blue() - from.blue()) * t));
            const QString ch = part.mid(k, 1);
            draw(r, c, ch);
            r.setLeft(r.left() + fm.horizontalAdvance(ch));
        }
    };
    if (textGradation_ == tg2Colors || shown.size() == 2) {
        run(shown, fontColor, toQColor(textGradationColor_));
        return;
    }
    const int split = glyphreel::widgets::textGradationSplit(shown);
    run(shown.left(split), fontColor, toQColor(textMidColor_));
    const QString rest = shown.mid(split);
    if (rest.size() == 1)
        draw(r, toQColor(textGradationColor_), rest);
    else
        run(rest, toQColor(textMidColor_), toQColor(textGradationColor_));
}
