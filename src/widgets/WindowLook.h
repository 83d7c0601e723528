#pragma once
// What the windows' controls share: the interface font and hints that show
// both as a tool tip and in the status bar.

#include <QFont>
#include <QRect>
#include <QString>
#include <QToolButton>
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

// A flat button with its text beside its picture, as the dialogs' OK and
// Cancel buttons on their gradient backgrounds.
inline QToolButton *flatButton(QWidget *parent, const char16_t *name, const QString &text, const QString &hint,
                               const QRect &geometry)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QString::fromUtf16(name));
    b->setAutoRaise(true);
    b->setText(text);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setGeometry(geometry);
    setHint(b, hint);
    return b;
}

} // namespace glyphreel::widgets
