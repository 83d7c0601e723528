#pragma once
// A painted box with a 256-band colour gradient, an optional outline and an
// optional caption with a shadow or 3D look: the background of every
// secondary window.

#include "widgets/ColorValue.h"
#include "widgets/Property.h"

#include <QWidget>

#include <array>

enum TGradStyle { gsTopBottom, gsBottomTop, gsLeftRight, gsRightLeft, gsNone };
enum TFont3DStyle { fsLowShadow, fsRaiseShadow, fsLow3D, fsRaise3D };

class TGradBox : public QWidget {
    Q_OBJECT
public:
    explicit TGradBox(QWidget *parent = nullptr);

    glyphreel::widgets::ColorValue TopColor() const { return topColor_; }
    void setTopColor(glyphreel::widgets::ColorValue v);
    glyphreel::widgets::ColorValue LastColor() const { return lastColor_; }
    void setLastColor(glyphreel::widgets::ColorValue v);
    TGradStyle GradStyle() const { return gradStyle_; }
    void setGradStyle(TGradStyle v);
    bool DrawOutLine() const { return drawOutLine_; }
    void setDrawOutLine(bool v);
    glyphreel::widgets::ColorValue OutLineColor() const { return outLineColor_; }
    void setOutLineColor(glyphreel::widgets::ColorValue v);
    int CaptionLeft() const { return captionLeft_; }
    void setCaptionLeft(int v);
    int CaptionTop() const { return captionTop_; }
    void setCaptionTop(int v);
    bool Font3D() const { return font3D_; }
    void setFont3D(bool v);
    TFont3DStyle Style3D() const { return style3D_; }
    void setStyle3D(TFont3DStyle v);
    int FontDepth() const { return fontDepth_; }
    void setFontDepth(int v);
    glyphreel::widgets::ColorValue BackFont() const { return backFont_; }
    void setBackFont(glyphreel::widgets::ColorValue v);
    QString Caption() const { return caption_; }
    void setCaption(const QString &v);
    // The font's colour for the caption.
    glyphreel::widgets::ColorValue FontColor() const { return fontColor_; }
    void setFontColor(glyphreel::widgets::ColorValue v);

    // The 256 band colours for the current colours and style (empty for
    // gsNone), as a paint computes them.
    std::vector<QColor> bandColors() const;

signals:
    void OnPaint();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    template <typename T>
    void set(T &field, const T &value, bool repaint = true)
    {
        glyphreel::widgets::setProperty(this, field, value, repaint);
    }

    glyphreel::widgets::ColorValue topColor_ = 32768;
    glyphreel::widgets::ColorValue lastColor_ = 65280;
    TGradStyle gradStyle_ = gsTopBottom;
    bool drawOutLine_ = false;
    glyphreel::widgets::ColorValue outLineColor_ = 0;
    int captionLeft_ = 10;
    int captionTop_ = 10;
    bool font3D_ = false;
    TFont3DStyle style3D_ = fsRaise3D;
    int fontDepth_ = 1;
    glyphreel::widgets::ColorValue backFont_ = 65535;
    glyphreel::widgets::ColorValue fontColor_ = 0;
    QString caption_;
};
