#include "widgets/ColorValue.h"

#include <QApplication>
#include <QPalette>

namespace glyphreel::widgets {
namespace {

// The palette role that plays each system colour's part.
QColor systemColor(int index)
{
    const QPalette pal = QApplication::palette();
    using P = QPalette;
    switch (index) {
    case 0: return pal.color(P::Button);                    // scroll bar
    case 1: return pal.color(P::Dark);                      // desktop
    case 2: return pal.color(P::Active, P::Highlight);      // active title bar
    case 3: return pal.color(P::Mid);                       // inactive title bar
    case 4: return pal.color(P::Window);                    // menu
    case 5: return pal.color(P::Base);                      // window background
    case 6: return pal.color(P::Shadow);                    // window frame
    case 7: return pal.color(P::WindowText);                // menu text
    case 8: return pal.color(P::Text);                      // window text
    case 9: return pal.color(P::HighlightedText);           // title bar text
    case 10: return pal.color(P::Button);                   // active border
    case 11: return pal.color(P::Button);                   // inactive border
    case 12: return pal.color(P::Mid);                      // application workspace
    case 13: return pal.color(P::Highlight);                // selection
    case 14: return pal.color(P::HighlightedText);          // selected text
    case 15: return pal.color(P::Button);                   // button face
    case 16: return pal.color(P::Dark);                     // button shadow
    case 17: return pal.color(P::Disabled, P::Text);        // grey text
    case 18: return pal.color(P::ButtonText);               // button text
    case 19: return pal.color(P::Inactive, P::WindowText);  // inactive title text
    case 20: return pal.color(P::Light);                    // button highlight
    case 21: return pal.color(P::Shadow);                   // 3D dark shadow
    case 22: return pal.color(P::Midlight);                 // 3D light
    case 23: return pal.color(P::ToolTipText);              // tooltip text
    case 24: return pal.color(P::ToolTipBase);              // tooltip background
    default: return QColor(0, 0, 0);
    }
}

} // namespace

QColor toQColor(ColorValue value)
{
    if (value & kSystemColorFlag)
        return systemColor(static_cast<int>(value & 0xFF));
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF), static_cast<int>((value >> 16) & 0xFF));
}

ColorValue fromQColor(const QColor &color)
{
    return rgbValue(color.red(), color.green(), color.blue());
}

} // namespace glyphreel::widgets
