#pragma once
// The pieces the tool box and the batch font window share, so that the two
// look and behave alike: the black group panels under their shadow
// labels, the colour boxes, the four style buttons.

#include "widgets/ColorComboBox.h"
#include "widgets/ColorValue.h"
#include "widgets/FontNameComboBox.h"
#include "widgets/ShadoLbl.h"

#include <QFrame>
#include <QRect>
#include <QToolButton>

#include <array>

namespace glyphreel::tools {

// A black lowered panel framing one group of tools.
QFrame *groupPanel(QWidget *parent, const char16_t *name, const QRect &geometry);

// The shadow label over a group.
TShadowLabel *groupLabel(QWidget *parent, const char16_t *name, const QString &caption, const QRect &geometry);

// A colour box as the tool's colour rows have it: the extra colours, a
// custom colour that is not kept, 16 rows, black names on white.
TColorComboBox *colourBox(QWidget *parent, const QString &name, widgets::ColorValue value, const QString &hint,
                          const QRect &geometry);

// The font name box: 12 rows, "ＭＳ ゴシック" to begin with, on white.
TFontNameComboBox *fontBox(QWidget *parent, int width);

// The toggles 太字, 斜体, 下線, 消線 (SpeedButton1, 2, 20, 21), each in its
// own style, side by side from x = 3 at y = 27.
std::array<QToolButton *, 4> styleButtons(QWidget *parent, int width, int step);

} // namespace glyphreel::tools
