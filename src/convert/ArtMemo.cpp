#include "convert/ArtMemo.h"

#include "platform/richedit/RichEdit.h"
#include "platform/rtf/RtfDocument.h"
#include "platform/text/Cp932.h"
#include "platform/text/Lines.h"

#include <QMimeData>

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

std::string artRtf(std::string_view art)
{
    rtf::RtfDocument doc;
    QString text = artText(art);
    // A text that ends with a line break has no last line of its own.
    if (text.endsWith(u'\n'))
        text.chop(1);
    rtf::RtfRun run;
    run.font = artFont();
    run.sizePt = kArtPointSize;
    run.color.kind = rtf::RtfColor::Kind::Rgb;
    run.color.rgb = Qt::white;
    for (const QString &line : text.split(u'\n')) {
        doc.paragraphs.emplace_back();
        if (!line.isEmpty()) {
            run.text = line;
            doc.paragraphs.back().push_back(run);
        }
    }
    return rtf::writeRtf(doc);
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
