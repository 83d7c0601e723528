#include "convert/ArtMemo.h"

#include "platform/richedit/RichEdit.h"
#include "platform/rtf/RtfDocument.h"
#include "platform/text/Cp932.h"
#include "platform/text/Lines.h"

#include <QMimeData>

#include <algorithm>

namespace glyphreel::convert {
namespace {

const QString &artFont()
{
    static const QString name = QStringLiteral("ＭＳ ゴシック");
    return name;
}

constexpr double kArtPointSize = 4.0;

} // namespace

QString artText(std::string_view art)
{
    return text::toLineFeeds(text::decodeCp932(std::string(art)));
}

namespace {

rtf::RtfRun artRun(const QString &text)
{
    rtf::RtfRun run;
    run.font = artFont();
    run.sizePt = kArtPointSize;
    run.color.kind = rtf::RtfColor::Kind::Rgb;
    run.color.rgb = Qt::white;
    run.text = text;
    return run;
}

// What the writer puts before the art's first character (header, font and
// colour tables, the run's formats) and after its last paragraph mark.
struct StreamFrame {
    std::string head;
    std::string tail;
};

const StreamFrame &streamFrame()
{
    static const StreamFrame frame = [] {
        rtf::RtfDocument doc;
        doc.paragraphs.push_back({artRun(QStringLiteral("X"))});
        const std::string whole = rtf::writeRtf(doc);
        const std::string_view line = " X\r\n\\par";
        const std::size_t text = whole.rfind(line);
        return StreamFrame{whole.substr(0, text), whole.substr(text + line.size())};
    }();
    return frame;
}

bool isLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

const char kHex[] = "0123456789abcdef";

} // namespace

std::string artRtf(std::string_view art)
{
    // Art without a character (a picture no pixel wide) has no run, and the
    // writer then writes no formats at all.
    if (art.find_first_not_of("\r\n") == std::string_view::npos) {
        rtf::RtfDocument doc;
        doc.paragraphs.resize(std::max<std::size_t>(1, static_cast<std::size_t>(std::count(art.begin(), art.end(), '\n'))));
        return rtf::writeRtf(doc);
    }
    // Written straight from the CP932 bytes, as the writer writes every
    // character of the density tables: a double-byte character as two \'hh,
    // ASCII as it is with \ { } escaped, a paragraph mark after each line.
    // The formats before the first line take a space before text that does
    // not start with a backslash; a paragraph mark takes one before
    // anything that follows it.
    const StreamFrame &frame = streamFrame();
    // Written through a cursor into room for five bytes of stream per byte
    // of art (a byte takes at most four, \'hh; a line end with its space
    // and paragraph mark seven for two), then cut to size.
    std::string out;
    out.resize(frame.head.size() + 5 * art.size() + 16 + frame.tail.size());
    char *o = out.data();
    o = std::copy(frame.head.begin(), frame.head.end(), o);
    bool afterWord = true;
    bool afterPar = false;
    auto text = [&](char first) {
        if (afterPar || (afterWord && first != '\\'))
            *o++ = ' ';
        afterWord = afterPar = false;
    };
    auto hexByte = [&](unsigned char c) {
        o[0] = '\\';
        o[1] = '\'';
        o[2] = kHex[c >> 4];
        o[3] = kHex[c & 15];
        o += 4;
    };
    std::size_t i = 0;
    const std::size_t n = art.size();
    while (i < n) {
        const auto b = static_cast<unsigned char>(art[i]);
        if (b == '\r' && i + 1 < n && art[i + 1] == '\n') {
            if (afterPar)
                *o++ = ' ';
            o = std::copy_n("\r\n\\par", 6, o);
            afterWord = afterPar = true;
            i += 2;
        } else if (isLeadByte(b) && i + 1 < n) {
            text('\\');
            hexByte(b);
            hexByte(static_cast<unsigned char>(art[i + 1]));
            i += 2;
        } else if (b == '\\' || b == '{' || b == '}') {
            text('\\');
            *o++ = '\\';
            *o++ = static_cast<char>(b);
            ++i;
        } else {
            text(static_cast<char>(b));
            *o++ = static_cast<char>(b);
            ++i;
        }
    }
    if (!afterPar)
        o = std::copy_n("\r\n\\par", 6, o);
    o = std::copy(frame.tail.begin(), frame.tail.end(), o);
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

QMimeData *artMimeData(std::string_view art)
{
    auto *data = new QMimeData;
    data->setText(artText(art));
    const QByteArray stream = QByteArray::fromStdString(artRtf(art));
    for (const QString &type : richedit::RichEdit::rtfMimeTypes())
        data->setData(type, stream);
    return data;
}

std::string artMemo(std::string_view art, bool richText)
{
    if (!richText)
        return std::string(art);
    return artRtf(art);
}

} // namespace glyphreel::convert
