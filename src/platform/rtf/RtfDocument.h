#pragma once
// Formatted text as the rich edit control's RTF streams carry it: lines
// (paragraphs) of runs, each run one set of character formats.

#include <QColor>
#include <QString>

#include <string>
#include <string_view>
#include <vector>

namespace glyphreel::rtf {

struct RtfColor {
    enum class Kind { Unset, Auto, Rgb };
    Kind kind = Kind::Unset; // Unset: the stream never named a colour
    QColor rgb;
    bool operator==(const RtfColor &o) const { return kind == o.kind && (kind != Kind::Rgb || rgb == o.rgb); }
    bool isAuto() const { return kind != Kind::Rgb; }
};

struct RtfRun {
    QString text;
    QString font;
    double sizePt = 12.0;
    RtfColor color;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    // The same formats, whatever the text.
    bool sameFormat(const RtfRun &o) const
    {
        return font == o.font && sizePt == o.sizePt && color == o.color && bold == o.bold && italic == o.italic
            && underline == o.underline && strike == o.strike;
    }
};

struct RtfDocument {
    std::vector<std::vector<RtfRun>> paragraphs;
    // The text of every line, joined with line feeds.
    QString plainText() const;
};

// Reads any stream the control has written (RichEdit 1.0 to 4.1 and later).
// A memo that does not start with "{\rtf" is plain CP932 text with CR LF
// lines; a truncated stream keeps what was read.
RtfDocument readRtf(std::string_view bytes);

// Writes the 2.0/3.0 layout the control writes: CP932 fonts, changes only,
// a paragraph mark after every line, the last one included.
std::string writeRtf(const RtfDocument &document);

} // namespace glyphreel::rtf
