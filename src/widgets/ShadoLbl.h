#pragma once
// A label that draws its text with an offset shadow and an offset highlight,
// over an optional gradient background, and can colour its text as a
// gradient character by character.

#include "widgets/ColorValue.h"
#include "widgets/Property.h"

#include <QObject>
#include <QWidget>

class TShadow : public QObject {
    Q_OBJECT
public:
    TShadow(glyphreel::widgets::ColorValue color, int offsetLeft, int offsetTop, QObject *parent = nullptr);

    bool Visible() const { return visible_; }
    void setVisible(bool v);
    glyphreel::widgets::ColorValue Color() const { return color_; }
    void setColor(glyphreel::widgets::ColorValue v);
    int OffsetLeft() const { return offsetLeft_; }
    void setOffsetLeft(int v);
    int OffsetTop() const { return offsetTop_; }
    void setOffsetTop(int v);
    // Copies the four values of another shadow and changes once.
    void assign(const TShadow &other);

signals:
    void OnChange();

private:
    bool visible_ = true;
    glyphreel::widgets::ColorValue color_;
    int offsetLeft_;
    int offsetTop_;
};

enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TTextGradation { tgNone, tg2Colors, tg3Colors };
enum TEllipsis { elNone, elEnd, elPath };

class TShadowLabel : public QWidget {
    Q_OBJECT
public:
    explicit TShadowLabel(QWidget *parent = nullptr);

    QString Caption() const { return caption_; }
    void setCaption(const QString &v);
    Qt::Alignment Alignment() const { return alignment_; }
    void setAlignment(Qt::Alignment v);
    TTextLayout Layout() const { return layout_; }
    void setLayout(TTextLayout v);
    bool Transparent() const { return transparent_; }
    void setTransparent(bool v);
    bool WordWrap() const { return wordWrap_; }
    void setWordWrap(bool v);
    bool ShowAccelChar() const { return showAccelChar_; }
    void setShowAccelChar(bool v);
    glyphreel::widgets::ColorValue Color() const { return color_; }
    void setColor(glyphreel::widgets::ColorValue v);
    glyphreel::widgets::ColorValue FontColor() const { return fontColor_; }
    void setFontColor(glyphreel::widgets::ColorValue v);

    TShadow *Shadow() const { return shadow_; }
    void setShadow(const TShadow *v);
    TShadow *Highlight() const { return highlight_; }
    void setHighlight(const TShadow *v);
    bool Gradation() const { return gradation_; }
    void setGradation(bool v);
    glyphreel::widgets::ColorValue GradationColor() const { return gradationColor_; }
    void setGradationColor(glyphreel::widgets::ColorValue v);
    bool GradateVert() const { return gradateVert_; }
    void setGradateVert(bool v);
    TTextGradation TextGradation() const { return textGradation_; }
    void setTextGradation(TTextGradation v);
    glyphreel::widgets::ColorValue TextGradationColor() const { return textGradationColor_; }
    void setTextGradationColor(glyphreel::widgets::ColorValue v);
    glyphreel::widgets::ColorValue TextMidColor() const { return textMidColor_; }
    void setTextMidColor(glyphreel::widgets::ColorValue v);
    TEllipsis Ellipsis() const { return ellipsis_; }
    void setEllipsis(TEllipsis v);
    bool Flickerless() const { return flickerless_; }
    void setFlickerless(bool v);

    // The label as these settings make it, for the windows and the tests.
    void applyWindowLook(int pixelSize, glyphreel::widgets::ColorValue shadowColor);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    template <typename T>
    void set(T &field, const T &value, bool repaint = true)
    {
        glyphreel::widgets::setProperty(this, field, value, repaint);
    }
    void paintOn(QPainter &p);
    int textFlags() const;

    QString caption_;
    Qt::Alignment alignment_ = Qt::AlignLeft;
    TTextLayout layout_ = tlTop;
    bool transparent_ = false;
    bool wordWrap_ = false;
    bool showAccelChar_ = true;
    glyphreel::widgets::ColorValue color_ = 0x8000000F; // button face
    glyphreel::widgets::ColorValue fontColor_ = 0;
    TShadow *shadow_;
    TShadow *highlight_;
    bool gradation_ = false;
    glyphreel::widgets::ColorValue gradationColor_ = 16711680;
    bool gradateVert_ = false;
    TTextGradation textGradation_ = tgNone;
    glyphreel::widgets::ColorValue textGradationColor_ = 128;
    glyphreel::widgets::ColorValue textMidColor_ = 8388608;
    TEllipsis ellipsis_ = elNone;
    bool flickerless_ = true;
};

namespace glyphreel::widgets {

// The gradient of a label's background: colour a at the top or left, b at
// the bottom or right, each pixel truncated toward zero.
QImage gradientImage(int width, int height, const QColor &a, const QColor &b, bool vertical);

// Where tg3Colors splits a caption: the number of characters of the first
// run (the split falls at half the caption's CP932 bytes, never inside a
// double-byte character).
int textGradationSplit(const QString &caption);

} // namespace glyphreel::widgets
