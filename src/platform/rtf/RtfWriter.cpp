#include "platform/rtf/RtfWriter.h"

#include "platform/rtf/RtfDocument.h"
#include "platform/text/Cp932.h"
#include "platform/text/Lines.h"

#include <QHash>

#include <optional>

namespace glyphreel::rtf {
namespace {

const char kHex[] = "0123456789abcdef";

void hexByte(std::string &out, unsigned char b)
{
    out += "\\'";
    out += kHex[b >> 4];
    out += kHex[b & 15];
}

bool isProportional(const QString &font)
{
    static const QStringList names{QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("MS PGothic"),
                                   QStringLiteral("MS PMincho"), QStringLiteral("MS UI Gothic"), QStringLiteral("Arial"),
                                   QStringLiteral("Times New Roman")};
    return names.contains(font);
}

// The CP932 bytes of one UTF-16 unit, or nothing when CP932 has none. Art
// repeats a handful of characters thousands of times, so each is converted
// once.
const std::string *cp932Of(char16_t u)
{
    thread_local QHash<char16_t, std::optional<std::string>> known;
    auto it = known.find(u);
    if (it == known.end()) {
        std::optional<std::string> bytes;
        if (!QChar::isSurrogate(u)) {
            try {
                bytes = text::encodeCp932(QString(QChar(u)));
                // Some characters go to CP932 one way only (U+00A2 becomes
                // the full-width cent sign): those are kept as \uN.
                if (text::decodeCp932(*bytes) != QString(QChar(u)))
                    bytes.reset();
            } catch (const text::EncodingError &) {
            }
        }
        it = known.insert(u, std::move(bytes));
    }
    return it->has_value() ? &**it : nullptr;
}

// Text as the control writes it: ASCII raw, every byte of a CP932
// character as \'hh, anything else as \uN? for each of its UTF-16 units (a
// character beyond the BMP is a surrogate pair, written as two escapes).
void writeText(std::string &out, const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u >= 0x20 && u < 0x7F) {
            out += static_cast<char>(u);
        } else if (const std::string *bytes = cp932Of(u)) {
            for (const char b : *bytes)
                hexByte(out, static_cast<unsigned char>(b));
        } else {
            out += "\\u" + std::to_string(static_cast<std::int16_t>(u)) + "?";
        }
    }
}

// Control words wait for what follows: a delimiter space goes in unless the
// next output starts with a backslash.
class Output {
public:
    void word(const std::string &w)
    {
        out_ += w;
        pending_ = true;
    }
    void text(const QString &t)
    {
        std::string bytes;
        writeText(bytes, t);
        raw(bytes);
    }
    void raw(const std::string &bytes)
    {
        if (bytes.empty())
            return;
        if (pending_ && bytes.front() != '\\')
            out_ += ' ';
        pending_ = false;
        out_ += bytes;
    }
    // The line break before \par takes no delimiter.
    void lineBreak()
    {
        pending_ = false;
        out_ += "\r\n";
    }
    void paragraphMark()
    {
        out_ += "\\par ";
        pending_ = false;
    }
    void closeBrace()
    {
        out_ += '}';
        pending_ = false;
    }
    std::string &str() { return out_; }

private:
    std::string out_;
    bool pending_ = false;
};

} // namespace

std::string writeRtf(const RtfDocument &document)
{
    // Fonts and colours in order of first use; a colour frame has a colour
    // per character, so both are looked up by hash.
    const QString defaultFont = QStringLiteral("ＭＳ ゴシック");
    std::vector<QString> fonts;
    std::vector<QColor> colors;
    QHash<QString, int> fontIndexes;
    QHash<QRgb, int> colorIndexes;
    for (const auto &para : document.paragraphs)
        for (const RtfRun &r : para) {
            const QString &font = r.font.isEmpty() ? defaultFont : r.font;
            if (!fontIndexes.contains(font)) {
                fontIndexes.insert(font, static_cast<int>(fonts.size()));
                fonts.push_back(font);
            }
            if (r.color.kind == RtfColor::Kind::Rgb && !colorIndexes.contains(r.color.rgb.rgb())) {
                colorIndexes.insert(r.color.rgb.rgb(), static_cast<int>(colors.size()) + 1);
                colors.push_back(r.color.rgb);
            }
        }
    if (fonts.empty()) {
        fontIndexes.insert(defaultFont, 0);
        fonts.push_back(defaultFont);
    }

    Output o;
    std::string head = "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1033\\deflangfe1041{\\fonttbl";
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        head += "{\\f" + std::to_string(i) + (isProportional(fonts[i]) ? "\\fswiss\\fprq2" : "\\fmodern\\fprq1") + "\\fcharset128 ";
        std::string name;
        try {
            name = text::encodeCp932(fonts[i]);
        } catch (const text::EncodingError &) {
            name = fonts[i].toLatin1().toStdString();
        }
        for (std::size_t k = 0; k < name.size(); ++k) {
            const auto b = static_cast<unsigned char>(name[k]);
            const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
            if (lead && k + 1 < name.size()) {
                hexByte(head, b); // both bytes of a double-byte character
                hexByte(head, static_cast<unsigned char>(name[++k]));
            } else if (b >= 0x80 || b < 0x20 || b == ';') {
                hexByte(head, b); // ';' would end the entry
            } else if (b == '\\' || b == '{' || b == '}') {
                head += '\\';
                head += static_cast<char>(b);
            } else {
                head += static_cast<char>(b);
            }
        }
        head += ";}";
    }
    head += "}\r\n";
    if (!colors.empty()) {
        head += "{\\colortbl ;";
        for (const QColor &c : colors)
            head += "\\red" + std::to_string(c.red()) + "\\green" + std::to_string(c.green()) + "\\blue" + std::to_string(c.blue()) + ";";
        head += "}\r\n";
    }
    head += "\\viewkind4\\uc1\\pard";
    o.raw(head);

    auto fontIndex = [&](const RtfRun &r) { return fontIndexes.value(r.font.isEmpty() ? defaultFont : r.font); };
    auto colorIndex = [&](const RtfRun &r) {
        return r.color.kind == RtfColor::Kind::Rgb ? colorIndexes.value(r.color.rgb.rgb()) : 0;
    };

    bool first = true;
    RtfRun current;
    int currentFont = -1, currentColor = 0;
    auto writeFormat = [&](const RtfRun &r) {
        const int f = fontIndex(r), c = colorIndex(r);
        if (first) {
            if (c != 0)
                o.word("\\cf" + std::to_string(c));
            o.word("\\lang1041");
            if (r.underline)
                o.word("\\ul");
            if (r.bold)
                o.word("\\b");
            if (r.italic)
                o.word("\\i");
            if (r.strike)
                o.word("\\strike");
            o.word("\\f" + std::to_string(f));
            o.word("\\fs" + std::to_string(static_cast<int>(r.sizePt * 2 + 0.5)));
            first = false;
        } else {
            if (c != currentColor)
                o.word("\\cf" + std::to_string(c));
            if (r.underline != current.underline)
                o.word(r.underline ? "\\ul" : "\\ulnone");
            if (r.bold != current.bold)
                o.word(r.bold ? "\\b" : "\\b0");
            if (r.italic != current.italic)
                o.word(r.italic ? "\\i" : "\\i0");
            if (r.strike != current.strike)
                o.word(r.strike ? "\\strike" : "\\strike0");
            if (f != currentFont)
                o.word("\\f" + std::to_string(f));
            if (static_cast<int>(r.sizePt * 2 + 0.5) != static_cast<int>(current.sizePt * 2 + 0.5))
                o.word("\\fs" + std::to_string(static_cast<int>(r.sizePt * 2 + 0.5)));
        }
        current = r;
        currentFont = f;
        currentColor = c;
    };

    if (document.paragraphs.empty()) {
        RtfRun r;
        r.sizePt = 4;
        writeFormat(r);
    }
    for (const auto &para : document.paragraphs) {
        for (const RtfRun &r : para) {
            writeFormat(r);
            o.text(r.text);
        }
        if (first) { // an empty first line still sets the format
            RtfRun r;
            r.sizePt = 4;
            writeFormat(r);
        }
        // The 2.0/3.0 layout: CR LF, then \par and always its space.
        o.lineBreak();
        o.paragraphMark();
    }
    o.closeBrace();
    std::string out = std::move(o.str());
    out += "\r\n";
    out += '\0';
    return out;
}

std::string plainTextToRtf(const std::string &cp932Text, int pointSize)
{
    const QString text = text::toLineFeeds(text::decodeCp932(cp932Text));
    RtfDocument doc;
    for (const QString &line : text.split(u'\n')) {
        doc.paragraphs.emplace_back();
        if (!line.isEmpty()) {
            RtfRun r;
            r.text = line;
            r.font = QStringLiteral("ＭＳ ゴシック");
            r.sizePt = pointSize;
            doc.paragraphs.back().push_back(r);
        }
    }
    // A text that ends with a line break has no last line of its own.
    if (doc.paragraphs.size() > 1 && doc.paragraphs.back().empty())
        doc.paragraphs.pop_back();
    return writeRtf(doc);
}

} // namespace glyphreel::rtf
