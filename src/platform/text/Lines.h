#pragma once
// The one rule for line ends. Frames, settings and clipboard text on Windows
// end their lines with CR LF; the editor and Qt's documents use a paragraph
// or line separator, and files from elsewhere may use LF alone.

#include <QString>

namespace glyphreel::text {

// Every line end (CR LF, LF, U+2028, U+2029) as one line feed; a CR
// without LF stays as it is.
QString toLineFeeds(QString text);

// Every line end as CR LF, the form frames are stored and copied in.
QString toCrLf(const QString &text);

} // namespace glyphreel::text
