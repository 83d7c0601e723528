#pragma once
// Between RTF documents and Qt's text documents: what the editor shows and
// what the frame table stores.

#include "platform/rtf/RtfDocument.h"

class QFont;
class QTextDocument;

namespace glyphreel::rtf {

// A font's size in points; a size given in pixels is converted at this
// resolution and rounded to whole points.
double pointSizeOf(const QFont &font, double dotsPerInch);

// Replaces the document's content with the lines and runs, in one step: a
// colour frame has a run per character, and inserting them one by one into
// a document that keeps undo steps and lays itself out after each costs
// seconds. The document's undo history is cleared. An auto colour leaves
// the text in the editor's own colour. A run in the document's own font
// family and size (defaultSizePt; when not given, its default font's size,
// a pixel size taken at 96 dpi) carries no font of its own: text laid out
// in one font is laid out far faster than each character in a copy of it.
void toTextDocument(const RtfDocument &rtf, QTextDocument &document, double defaultSizePt = 0);

// The lines and runs of the document; text in the editor's own colour is
// written as the auto colour, text in its own size at defaultSizePt (when
// not given: the document's default font, a pixel size taken at 96 dpi).
RtfDocument fromTextDocument(const QTextDocument &document, double defaultSizePt = 0);

// The stored form of a frame's text: an RTF stream for rich text, CP932
// bytes with CR LF lines for plain text. Throws text::EncodingError naming
// the character that CP932 cannot hold in plain text.
std::string memoBytes(const QTextDocument &document, bool plainText, double defaultSizePt = 0);

// Replaces the document's content with a stored memo, in one step and
// without undo history: RTF for rich text, CP932 text for plain text (a
// plain frame is never read as RTF, whatever it starts with).
void loadMemo(const std::string &bytes, bool plainText, QTextDocument &document, double defaultSizePt = 0);

} // namespace glyphreel::rtf
