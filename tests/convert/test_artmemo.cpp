// The stored and clipboard forms of converted art: the RTF stream written
// straight from the art's bytes against the same art put through the RTF
// writer as runs, for every cell of both density tables and the odd shapes
// art can take.

#include "convert/ArtMemo.h"
#include "convert/Bmp2str.h"
#include "platform/rtf/RtfDocument.h"
#include "platform/text/Cp932.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace glyphreel;

namespace {

// The art as the writer writes runs of 4-point white "ＭＳ ゴシック".
std::string throughTheWriter(const std::string &art)
{
    QString text = convert::artText(art);
    if (text.endsWith(u'\n'))
        text.chop(1);
    rtf::RtfDocument doc;
    for (const QString &line : text.split(u'\n')) {
        doc.paragraphs.emplace_back();
        if (line.isEmpty())
            continue;
        rtf::RtfRun run;
        run.font = QStringLiteral("ＭＳ ゴシック");
        run.sizePt = 4;
        run.color.kind = rtf::RtfColor::Kind::Rgb;
        run.color.rgb = Qt::white;
        run.text = line;
        doc.paragraphs.back().push_back(run);
    }
    return rtf::writeRtf(doc);
}

std::string randomArt(QRandomGenerator &rng, const convert::DensityTable &table, int lines, int cells)
{
    std::string art;
    for (int l = 0; l < lines; ++l) {
        for (int c = 0; c < cells; ++c) {
            const auto &cell = table[rng.bounded(256)];
            art += static_cast<char>(cell[0]);
            art += static_cast<char>(cell[1]);
        }
        art += "\r\n";
    }
    return art;
}

} // namespace

class TestArtMemo : public QObject {
    Q_OBJECT
private slots:
    void everyCellOfBothTables();
    void randomArtAndOddShapes();
    void normalTextProjectsStoreTheBytes();
};

void TestArtMemo::everyCellOfBothTables()
{
    for (const convert::DensityTable *table : {&convert::FDensityList, &convert::FDensityAnkList}) {
        std::string art;
        for (int i = 0; i < 256; ++i) {
            art += static_cast<char>((*table)[i][0]);
            art += static_cast<char>((*table)[i][1]);
            if (i % 16 == 15)
                art += "\r\n";
        }
        QCOMPARE(convert::artRtf(art), throughTheWriter(art));
        // and it reads back as the very characters
        QCOMPARE(rtf::readRtf(convert::artRtf(art)).plainText() + u'\n', convert::artText(art));
    }
}

void TestArtMemo::randomArtAndOddShapes()
{
    QRandomGenerator rng(20261208);
    for (int trial = 0; trial < 200; ++trial) {
        const auto &table = trial % 2 ? convert::FDensityAnkList : convert::FDensityList;
        const std::string art = randomArt(rng, table, rng.bounded(1, 12), rng.bounded(1, 40));
        QCOMPARE(convert::artRtf(art), throughTheWriter(art));
    }
    // a picture of width 0 (empty lines), a line of one cell, art whose
    // first cell is a backslash pair or a space
    for (const std::string art : {std::string("\r\n\r\n\r\n"), std::string("\x81\x40\r\n"), std::string("\\\\\r\n  \r\n"),
                                  std::string("  \r\n\r\n{}\r\n")})
        QCOMPARE(convert::artRtf(art), throughTheWriter(art));
}

void TestArtMemo::normalTextProjectsStoreTheBytes()
{
    const std::string art = "\x88\x9f\x81\x40\r\n$$MM\r\n";
    QCOMPARE(convert::artMemo(art, false), art);
    QCOMPARE(convert::artMemo(art, true), convert::artRtf(art));
}

QTEST_GUILESS_MAIN(TestArtMemo)
#include "test_artmemo.moc"
