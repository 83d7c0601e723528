#pragma once
// A page of converted colour art as the benchmarks draw it: characters of
// the conversion tables, every one its own colour, in the art font at 4 pt.

#include "platform/db/LocalSql.h"
#include "platform/db/Query.h"
#include "platform/rtf/RtfDocument.h"
#include "platform/text/ProfileFile.h"

#include <QColor>

#include <QString>

#include <string>
#include <vector>

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

// A rich project "movie.td" in the folder with this many colour pages of
// 160 x 120 characters, their bytes also given back in memos. Returns the
// project's path.
inline QString writeColourProject(const QString &folder, int frames, std::vector<std::string> &memos)
{
    using namespace glyphreel;
    db::executeStatement(folder.toStdString(),
                         "CREATE TABLE movie (RENO AUTOINC, MEM2 BLOB(0,3), SND1 BOOLEAN, SND2 BOOLEAN, SND3 BOOLEAN, "
                         "SND4 BOOLEAN, SND5 BOOLEAN, SND6 BOOLEAN, PRIMARY KEY(RENO))");
    db::Query q;
    q.setDatabaseName(folder.toStdString());
    q.addSql("SELECT * FROM movie.db");
    q.open();
    for (int i = 0; i < frames; ++i) {
        memos.push_back(colourPage(120, 160, i));
        q.append();
        q.setFieldValue("MEM2", db::Value::bytes(memos.back()));
        q.post();
    }
    q.applyUpdates();
    q.commitUpdates();
    const QString td = folder + QStringLiteral("/movie.td");
    text::ProfileFile(td).writeString(QStringLiteral("Setting"), QStringLiteral("TextType"), QStringLiteral("0"));
    return td;
}

} // namespace bench
