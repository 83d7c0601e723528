#pragma once
// Between RTF documents and Qt's text documents: what the editor shows and
// what the frame table stores.

#include "platform/richedit/RtfDocument.h"

class QTextDocument;

namespace glyphreel::richedit {

// Fills the document with the lines and runs; an auto colour leaves the
// text in the editor's own colour.
void toTextDocument(const RtfDocument &rtf, QTextDocument &document);

// The lines and runs of the document; text in the editor's own colour is
// written as the auto colour.
RtfDocument fromTextDocument(const QTextDocument &document);

// The stored form of a frame's text: an RTF stream for rich text, CP932
// bytes with CR LF lines for plain text. Throws text::EncodingError naming
// the character that CP932 cannot hold in plain text.
std::string memoBytes(const QTextDocument &document, bool plainText);
// Fills the document from a stored memo (RTF or plain CP932).
void loadMemo(const std::string &bytes, bool plainText, QTextDocument &document);

} // namespace glyphreel::richedit
