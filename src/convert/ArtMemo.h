#pragma once
// Art on its way from the conversion into a frame: the clipboard form that
// the conversion window copies (rich text in "ＭＳ ゴシック", 4 points,
// white, and plain text) and the stored form of a frame that holds only the
// art, byte for byte what pasting that clipboard into an empty frame stores.

#include <QString>

#include <string>
#include <string_view>

class QMimeData;

namespace glyphreel::convert {

// The art's text: CP932 decoded, lines ended by line feeds.
QString artText(std::string_view art);

// The art as the rich edit control copies it, an RTF stream.
std::string artRtf(std::string_view art);

// The clipboard's content for the art: the RTF stream and the plain text.
QMimeData *artMimeData(std::string_view art);

// MEM2 of a new frame holding the art: the CP932 bytes themselves in a
// normal-text project, the control's RTF in a rich-text one. The rich form
// is written straight from the art's bytes: a movie run stores hundreds of
// frames a second, too many to paste each one through an editor.
std::string artMemo(std::string_view art, bool richText);

} // namespace glyphreel::convert
