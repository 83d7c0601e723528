#pragma once
// A page of converted colour art as the benchmarks draw it: characters of
// the conversion tables, every one its own colour, in the art font at 4 pt.

#include "platform/rtf/RtfDocument.h"

#include <QColor>

#include <string>

namespace bench {

// seed: pages with other seeds hold other characters in other colours.
inline std::string colourPage(int lines, int cells, int seed = 0)
{
    static const char16_t glyphs[] = u"　．，：＇；｀＂＾。”ｉιＩｖ亅｝τｆ｜｛ｘ丿с卜＞ｓｋσァｑｐぇцべごゾＸΣΖナй￥ξＰⅵ";
    glyphreel::rtf::RtfDocument doc;
    int k = seed * 7919;
    for (int l = 0; l < lines; ++l) {
        doc.paragraphs.emplace_back();
        for (int c = 0; c < cells; ++c, ++k) {
            glyphreel::rtf::RtfRun run;
            run.text = QString(QChar(glyphs[(k * 7 + l) % (sizeof glyphs / sizeof glyphs[0] - 1)]));
            run.font = QStringLiteral("ＭＳ ゴシック");
            run.sizePt = 4;
            run.color.kind = glyphreel::rtf::RtfColor::Kind::Rgb;
            run.color.rgb = QColor::fromHsv((k * 13) % 360, 255, 255);
            doc.paragraphs.back().push_back(run);
        }
    }
    return glyphreel::rtf::writeRtf(doc);
}

} // namespace bench
