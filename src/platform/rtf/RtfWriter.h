#pragma once
// RTF streams in the form the rich edit control writes them for Japanese
// text: code page 932, one "ＭＳ ゴシック" font, \'hh escapes for every byte
// above 0x7F, a paragraph mark after every line, the final one included.

#include <string>

namespace glyphreel::rtf {

// The stream for plain CP932 text (lines separated by CR LF) in one font of
// the given size in points.
std::string plainTextToRtf(const std::string &cp932Text, int pointSize = 4);

} // namespace glyphreel::rtf
