#pragma once
// Colour values as the windows and project files keep them: 0x00BBGGRR, or
// a system colour constant 0x800000nn standing for a colour of the desktop's
// palette.

#include <QColor>

#include <cstdint>

namespace glyphreel::widgets {

using ColorValue = std::uint32_t;

constexpr ColorValue kSystemColorFlag = 0x80000000u;
constexpr int kSystemColorCount = 25; // scroll bar (0) to tooltip background (24)

constexpr ColorValue rgbValue(int r, int g, int b)
{
    return static_cast<ColorValue>(r) | (static_cast<ColorValue>(g) << 8) | (static_cast<ColorValue>(b) << 16);
}

// The colour a value stands for now; system colours come from the
// application's palette.
QColor toQColor(ColorValue value);
ColorValue fromQColor(const QColor &color);

} // namespace glyphreel::widgets
