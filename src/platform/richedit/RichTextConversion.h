#pragma once
// Between RTF documents and Qt's text documents: what the editor shows and
// what the frame table stores.

#include "platform/richedit/RtfDocument.h"

class QFont;
class QTextDocument;

namespace glyphreel::richedit {

// A font's size in points; a size given in pixels is converted at this
// resolution and rounded to whole points.
double pointSizeOf(const QFont &font, double dotsPerInch);

// Text with every paragraph and line separator as a line feed.
QString withLineFeeds(QString text);

// Fills the document with the lines and runs; an auto colour leaves the
// text in the editor's own colour.
void toTextDocument(const RtfDocument &rtf, QTextDocument &document);

// The lines and runs of the document; text in the editor's own colour is
// written as the auto colour, text in its own size at defaultSizePt (when
// not given: the document's default font, a pixel size taken at 96 dpi).
RtfDocument fromTextDocument(const QTextDocument &document, double defaultSizePt = 0);

// The stored form of a frame's text: an RTF stream for rich text, CP932
// bytes with CR LF lines for plain text. Throws text::EncodingError naming
// the character that CP932 cannot hold in plain text.
std::string memoBytes(const QTextDocument &document, bool plainText, double defaultSizePt = 0);
// Fills the document from a stored memo (RTF or plain CP932).
void loadMemo(const std::string &bytes, bool plainText, QTextDocument &document);

} // namespace glyphreel::richedit
