// RTF streams of the rich edit control: every fixture read as its expected
// runs say, the edge cases of the notes, and writing that gives back the
// control's own bytes.

#include "platform/rtf/RtfDocument.h"
#include "support/Files.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace glyphreel::rtf;

namespace {

QString fixture(const QString &name)
{
    return QStringLiteral(GLYPHREEL_FIXTURES "/rtf/") + name;
}

RtfDocument readFixture(const QString &name)
{
    const QByteArray bytes = testsupport::readAll(fixture(name));
    return readRtf(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

QStringList lines(const RtfDocument &d)
{
    return d.plainText().split(u'\n');
}

} // namespace

class TestRtf : public QObject {
    Q_OBJECT
private slots:
    void fixturesReadAsExpected();
    void theControlsOwnStreamsAreWrittenBackByteForByte_data();
    void theControlsOwnStreamsAreWrittenBackByteForByte();
    void writeReadWriteIsStable_data();
    void writeReadWriteIsStable();
    void finalParagraphMarkAddsNoLine();
    void extensionsRawPairsAndUnicode();
    void richEdit10ColourTable();
    void truncatedAndForeignInput();
    void writerEscapesAndFallsBack();
    void whatTheFuzzerFound();
    void sameBytesInOtherCodePagesAndRuns();
};

void TestRtf::fixturesReadAsExpected()
{
    QFile expected(fixture(QStringLiteral("expected-runs.jsonl")));
    QVERIFY(expected.open(QIODevice::ReadOnly));
    std::map<QString, RtfDocument> docs;
    std::map<QString, std::map<int, int>> seen; // file -> paragraph -> runs checked
    int checked = 0;
    while (!expected.atEnd()) {
        const QByteArray line = expected.readLine().trimmed();
        if (line.isEmpty())
            continue;
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        const QString file = o.value(QStringLiteral("file")).toString();
        if (!docs.count(file))
            docs[file] = readFixture(file);
        const int para = o.value(QStringLiteral("para")).toInt();
        const int runIndex = seen[file][para]++;
        const RtfDocument &d = docs[file];
        QVERIFY2(para < static_cast<int>(d.paragraphs.size()), qPrintable(file));
        QVERIFY2(runIndex < static_cast<int>(d.paragraphs[static_cast<std::size_t>(para)].size()), qPrintable(file));
        const RtfRun &run = d.paragraphs[static_cast<std::size_t>(para)][static_cast<std::size_t>(runIndex)];
        QCOMPARE(run.text, o.value(QStringLiteral("text")).toString());
        QCOMPARE(run.font, o.value(QStringLiteral("font")).toString());
        QCOMPARE(run.sizePt, o.value(QStringLiteral("size_pt")).toDouble());
        QCOMPARE(run.bold, o.value(QStringLiteral("bold")).toBool());
        QCOMPARE(run.italic, o.value(QStringLiteral("italic")).toBool());
        QCOMPARE(run.underline, o.value(QStringLiteral("underline")).toBool());
        QCOMPARE(run.strike, o.value(QStringLiteral("strike")).toBool());
        const QJsonValue color = o.value(QStringLiteral("color"));
        if (color.isNull())
            QCOMPARE(run.color.kind, RtfColor::Kind::Unset);
        else if (color.toString() == QStringLiteral("auto"))
            QCOMPARE(run.color.kind, RtfColor::Kind::Auto);
        else
            QCOMPARE(run.color.rgb.name(), color.toString());
        ++checked;
    }
    QCOMPARE(checked, 9);
    // and no run more than the expected ones
    for (const auto &[file, paras] : seen)
        for (const auto &[para, count] : paras)
            QCOMPARE(static_cast<int>(docs[file].paragraphs[static_cast<std::size_t>(para)].size()), count);
    QCOMPARE(docs[QStringLiteral("exA_plain.rtf")].paragraphs.size(), std::size_t(3));
}

void TestRtf::theControlsOwnStreamsAreWrittenBackByteForByte_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("one font, three lines") << "exA_plain.rtf";
    QTest::newRow("colours, fonts and sizes") << "exC_ibmext.rtf";
}

void TestRtf::theControlsOwnStreamsAreWrittenBackByteForByte()
{
    QFETCH(QString, file);
    const QByteArray original = testsupport::readAll(fixture(file));
    const std::string written = writeRtf(readFixture(file));
    QCOMPARE(QByteArray::fromStdString(written), original);
}

void TestRtf::writeReadWriteIsStable_data()
{
    QTest::addColumn<QString>("file");
    for (const char *f : {"ex1_plain.rtf", "ex2_colours.rtf", "ex3_ext.rtf", "ex4_re10.rtf", "ex5_re8.rtf", "ex6_twopar.rtf",
                          "ex7_nofinal.rtf", "ex8_dangling.rtf", "exA_plain.rtf", "exB_colours.rtf", "exC_ibmext.rtf", "bad.rtf"})
        QTest::newRow(f) << QString::fromLatin1(f);
}

void TestRtf::writeReadWriteIsStable()
{
    QFETCH(QString, file);
    const RtfDocument first = readFixture(file);
    const std::string once = writeRtf(first);
    const RtfDocument back = readRtf(once);
    QCOMPARE(back.plainText(), first.plainText());
    QCOMPARE(writeRtf(back), once);
}

void TestRtf::finalParagraphMarkAddsNoLine()
{
    QCOMPARE(lines(readFixture(QStringLiteral("ex6_twopar.rtf"))), (QStringList{"a", ""}));
    QCOMPARE(lines(readFixture(QStringLiteral("ex7_nofinal.rtf"))), (QStringList{"a", "b"}));
    QCOMPARE(lines(readRtf("{\\rtf1 a\\par}")), QStringList{"a"});
    QVERIFY(readRtf("{\\rtf1\\pard\\par}").paragraphs.empty());
}

void TestRtf::extensionsRawPairsAndUnicode()
{
    const QStringList l = lines(readFixture(QStringLiteral("ex3_ext.rtf")));
    QCOMPARE(l.size(), 5);
    QCOMPARE(l[0], QStringLiteral("ⅰⅱⅠ①纊纊"));
    QCOMPARE(l[1], QStringLiteral("テストあい end"));
    QCOMPARE(l[2], QStringLiteral("RAW:表示"));
    QCOMPARE(l[3], QStringLiteral("café {brace} back\\slash\ttab"));
    QCOMPARE(l[4], QStringLiteral("next\u00A0nbsp"));
    const RtfDocument d = readFixture(QStringLiteral("ex3_ext.rtf"));
    QCOMPARE(d.paragraphs[3][0].font, QStringLiteral("Arial"));
}

void TestRtf::richEdit10ColourTable()
{
    const RtfDocument d = readFixture(QStringLiteral("ex4_re10.rtf"));
    QCOMPARE(lines(d), (QStringList{"■□", "x"}));
    QCOMPARE(d.paragraphs[0][0].color.rgb, QColor(255, 0, 0));
    QVERIFY(d.paragraphs[0][0].bold);
    // \cf0 is entry 0 itself, black, when the table starts with a colour
    QCOMPARE(d.paragraphs[0][1].color.kind, RtfColor::Kind::Rgb);
    QCOMPARE(d.paragraphs[0][1].color.rgb, QColor(0, 0, 0));
    QCOMPARE(d.paragraphs[0][0].font, QStringLiteral("ＭＳ ゴシック"));
    QCOMPARE(d.paragraphs[0][0].sizePt, 4.0);
    QCOMPARE(lines(readFixture(QStringLiteral("ex5_re8.rtf"))), (QStringList{"■□", "□"}));
}

void TestRtf::truncatedAndForeignInput()
{
    const RtfDocument dangling = readFixture(QStringLiteral("ex8_dangling.rtf"));
    QCOMPARE(dangling.plainText(), QStringLiteral("\uFFFD")); // a lead byte without its trail
    // cut in the middle: what was read is kept
    QCOMPARE(lines(readRtf("{\\rtf1\\ansi\\ansicpg932 first\\par sec")), (QStringList{"first", "sec"}));
    // not RTF: plain CP932 text
    QCOMPARE(readFixture(QStringLiteral("bad.rtf")).plainText(), QStringLiteral("garbage {\\rtf"));
    QCOMPARE(lines(readRtf("\x83\x65\x83\x58\x83\x67\r\nline")), (QStringList{"テスト", "line"}));
    QVERIFY(readRtf("").paragraphs.empty());
    QVERIFY(readRtf(std::string_view("\0", 1)).paragraphs.empty());
}

void TestRtf::writerEscapesAndFallsBack()
{
    RtfDocument d;
    d.paragraphs.resize(2);
    RtfRun r;
    r.font = QStringLiteral("ＭＳ ゴシック");
    r.sizePt = 9;
    r.text = QStringLiteral(" x\\{}\tÀ表");
    d.paragraphs[0].push_back(r);
    const std::string rtf = writeRtf(d);
    QVERIFY(rtf.find("\\fs18  x\\\\\\{\\}\\tab \\u192?\\'95\\'5c\r\n\\par \r\n\\par }") != std::string::npos);
    QCOMPARE(readRtf(rtf).plainText(), QStringLiteral(" x\\{}\tÀ表\n"));
}

// Documents the RTF fuzzer found that did not survive being written and
// read again.
void TestRtf::whatTheFuzzerFound()
{
    // a character CP932 holds one way only: U+00A2 would come back as the
    // full-width cent sign
    RtfDocument doc;
    RtfRun run;
    run.text = QStringLiteral("\u00A2 and \uFFE0");
    run.font = QStringLiteral("ＭＳ ゴシック");
    doc.paragraphs.push_back({run});
    const std::string written = writeRtf(doc);
    QVERIFY2(written.find("\\u162?") != std::string::npos, written.c_str());
    QCOMPARE(readRtf(written).plainText(), run.text);
    // font names with the characters that end a group or an entry
    for (const QString &name : {QStringLiteral("{odd}"), QStringLiteral("a;b"), QStringLiteral("back\\slash")}) {
        RtfDocument named;
        RtfRun r;
        r.text = QStringLiteral("x");
        r.font = name;
        named.paragraphs.push_back({r});
        const RtfDocument back = readRtf(writeRtf(named));
        QCOMPARE(back.plainText(), QStringLiteral("x"));
        QCOMPARE(back.paragraphs.at(0).at(0).font, name);
    }
}

// Colour art repeats the same bytes run after run: each run still reads
// them in its own font's code page, and a character split by a change of
// format stays two broken halves.
void TestRtf::sameBytesInOtherCodePagesAndRuns()
{
    const std::string head = "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 A;}{\\f1\\fcharset0 B;}}";
    const RtfDocument d = readRtf(head + "\\f0\\'82\\'a0\\f1\\'82\\'a0\\f0\\'82\\'a0 ab\\par\\f0\\'82\\cf1\\'a0}");
    QCOMPARE(d.paragraphs.size(), std::size_t(2));
    QCOMPARE(d.paragraphs[0].size(), std::size_t(3));
    QCOMPARE(d.paragraphs[0][0].text, QStringLiteral("あ"));
    QCOMPARE(d.paragraphs[0][1].text, QStringLiteral("\u201A\u00A0"));
    QCOMPARE(d.paragraphs[0][1].font, QStringLiteral("B"));
    QCOMPARE(d.paragraphs[0][2].text, QStringLiteral("あ ab")); // a control symbol takes no delimiter
    QCOMPARE(d.paragraphs[1].size(), std::size_t(2));
    QCOMPARE(d.paragraphs[1][0].text, QStringLiteral("\uFFFD"));
    QCOMPARE(d.paragraphs[1][0].color.kind, RtfColor::Kind::Unset);
    QCOMPARE(d.paragraphs[1][1].color.kind, RtfColor::Kind::Auto);
    QCOMPARE(d.paragraphs[1][1].text, QStringLiteral("\uFFFD"));
}

QTEST_GUILESS_MAIN(TestRtf)
#include "test_rtf.moc"
