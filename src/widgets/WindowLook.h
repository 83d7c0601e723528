#pragma once
// What the windows' controls share: the interface font and hints that show
// both as a tool tip and in the status bar.

#include <QFont>
#include <QString>
#include <QWidget>

namespace glyphreel::widgets {

// "ＭＳ Ｐゴシック" at a height in pixels.
inline QFont uiFont(int pixels)
{
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(pixels);
    return font;
}

inline void setHint(QWidget *widget, const QString &hint)
{
    widget->setToolTip(hint);
    widget->setStatusTip(hint);
}

} // namespace glyphreel::widgets
