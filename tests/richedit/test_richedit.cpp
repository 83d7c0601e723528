// The rich text box on the clipboard: what a copy offers other programs and
// what a paste takes from them, in rich and in plain mode.

#include "platform/richedit/RichEdit.h"
#include "platform/rtf/RichTextConversion.h"
#include "platform/rtf/RtfDocument.h"
#include "support/Files.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTextDocument>
#include <QtTest>

using namespace glyphreel::richedit;
using namespace glyphreel::rtf;

namespace {

QByteArray fixture(const QString &name)
{
    return testsupport::readAll(QStringLiteral(GLYPHREEL_FIXTURES "/rtf/") + name);
}

// A rich editor holding a red bold line and a plain one in the art font.
void fillArt(RichEdit &edit)
{
    RtfDocument doc;
    RtfRun red;
    red.text = QStringLiteral("（　´∀｀）");
    red.font = QStringLiteral("ＭＳ ゴシック");
    red.sizePt = 9;
    red.bold = true;
    red.color = {RtfColor::Kind::Rgb, QColor(255, 0, 0)};
    RtfRun plain = red;
    plain.text = QStringLiteral("∧＿∧");
    plain.bold = false;
    plain.color = {};
    doc.paragraphs = {{red}, {plain}};
    toTextDocument(doc, *edit.document());
}

void setClipboard(const QString &type, const QByteArray &bytes, const QString &text = {})
{
    auto *data = new QMimeData;
    data->setData(type, bytes);
    if (!text.isEmpty())
        data->setText(text);
    QApplication::clipboard()->setMimeData(data);
}

} // namespace

class TestRichEdit : public QObject {
    Q_OBJECT
private slots:
    void copyOffersRtfHtmlAndPlainText();
    void copyAndPasteBetweenEditorsKeepsEveryFormat();
    void pasteTakesRtfFromOtherPrograms();
    void pasteOfPartOfALineAddsNoLine();
    void pasteTakesHtmlWhenThereIsNoRtf();
    void plainModeCopiesAndPastesCharactersOnly();
    void textInAPixelSizedFontIsStoredInPoints();
};

void TestRichEdit::copyOffersRtfHtmlAndPlainText()
{
    RichEdit edit;
    fillArt(edit);
    edit.selectAll();
    edit.copy();
    const QMimeData *data = QApplication::clipboard()->mimeData();
    QVERIFY(data);
    QCOMPARE(data->text(), QStringLiteral("（　´∀｀）\n∧＿∧"));
    for (const QString &type : RichEdit::rtfMimeTypes()) {
        QVERIFY2(data->hasFormat(type), qPrintable(type));
        const RtfDocument read = readRtf(data->data(type).toStdString());
        QCOMPARE(read.paragraphs.size(), std::size_t{2});
        const RtfRun &first = read.paragraphs[0].at(0);
        QCOMPARE(first.text, QStringLiteral("（　´∀｀）"));
        QCOMPARE(first.font, QStringLiteral("ＭＳ ゴシック"));
        QCOMPARE(first.sizePt, 9.0);
        QVERIFY(first.bold);
        QCOMPARE(first.color.rgb, QColor(255, 0, 0));
        QVERIFY(read.paragraphs[1].at(0).color.isAuto());
    }
    // The RTF is the control's own: CP932 escapes, not raw UTF-8.
    QVERIFY(data->data(QStringLiteral("text/rtf")).startsWith("{\\rtf1\\ansi\\ansicpg932"));
    QVERIFY(data->hasHtml());
    const QString html = data->html();
    QVERIFY(html.contains(QStringLiteral("（　´∀｀）")));
    QVERIFY(html.contains(QStringLiteral("#ff0000")));
    QVERIFY(html.contains(QStringLiteral("font-weight")));
}

void TestRichEdit::copyAndPasteBetweenEditorsKeepsEveryFormat()
{
    RichEdit from;
    fillArt(from);
    from.selectAll();
    from.copy();
    RichEdit to;
    to.paste();
    QCOMPARE(to.memo(), from.memo());
}

void TestRichEdit::pasteTakesRtfFromOtherPrograms()
{
    const QByteArray rtf = fixture(QStringLiteral("exB_colours.rtf"));
    for (const QString &type : RichEdit::rtfMimeTypes()) {
        // The plain text beside it is what a program that cannot read RTF
        // would take; the editor must prefer the RTF.
        setClipboard(type, rtf, QStringLiteral("plain"));
        RichEdit edit;
        edit.paste();
        const RtfDocument expected = readRtf(rtf.toStdString());
        const RtfDocument pasted = fromTextDocument(*edit.document());
        QCOMPARE(pasted.plainText(), expected.plainText());
        QCOMPARE(pasted.paragraphs.size(), expected.paragraphs.size());
        for (std::size_t p = 0; p < expected.paragraphs.size(); ++p) {
            QCOMPARE(pasted.paragraphs[p].size(), expected.paragraphs[p].size());
            for (std::size_t r = 0; r < expected.paragraphs[p].size(); ++r) {
                const RtfRun &want = expected.paragraphs[p][r];
                const RtfRun &got = pasted.paragraphs[p][r];
                QCOMPARE(got.text, want.text);
                QCOMPARE(got.font, want.font);
                QCOMPARE(got.sizePt, want.sizePt);
                QCOMPARE(got.color.isAuto(), want.color.isAuto());
                if (!want.color.isAuto())
                    QCOMPARE(got.color.rgb, want.color.rgb);
            }
        }
    }
}

void TestRichEdit::pasteOfPartOfALineAddsNoLine()
{
    RichEdit from;
    fillArt(from);
    QTextCursor c = from.textCursor();
    c.setPosition(1);
    c.setPosition(3, QTextCursor::KeepAnchor);
    from.setTextCursor(c);
    from.copy();

    RichEdit to;
    to.setPlainText(QStringLiteral("ab"));
    QTextCursor at = to.textCursor();
    at.setPosition(1);
    to.setTextCursor(at);
    to.paste();
    QCOMPARE(to.toPlainText(), QStringLiteral("a　´b"));
    QCOMPARE(to.document()->blockCount(), 1);
    // The caret follows the pasted text, as after typing.
    QCOMPARE(to.textCursor().position(), 3);
}

void TestRichEdit::pasteTakesHtmlWhenThereIsNoRtf()
{
    auto *data = new QMimeData;
    data->setHtml(QStringLiteral("<p><b>太</b>字</p>"));
    data->setText(QStringLiteral("太字"));
    QApplication::clipboard()->setMimeData(data);
    RichEdit edit;
    edit.paste();
    QCOMPARE(edit.toPlainText(), QStringLiteral("太字"));
    QTextCursor c = edit.textCursor();
    c.setPosition(0);
    c.setPosition(1, QTextCursor::KeepAnchor);
    edit.setTextCursor(c);
    QCOMPARE(edit.selectionStyle() & RichEdit::Bold, int(RichEdit::Bold));
}

void TestRichEdit::plainModeCopiesAndPastesCharactersOnly()
{
    RichEdit plain;
    plain.setPlainTextMode(true);
    plain.setPlainText(QStringLiteral("∧＿∧\n（　´∀｀）"));
    plain.selectAll();
    plain.copy();
    const QMimeData *data = QApplication::clipboard()->mimeData();
    QCOMPARE(data->text(), QStringLiteral("∧＿∧\n（　´∀｀）"));
    QVERIFY(!data->hasFormat(QStringLiteral("text/rtf")));
    QVERIFY(!data->hasHtml());

    setClipboard(QStringLiteral("text/rtf"), fixture(QStringLiteral("exB_colours.rtf")), QStringLiteral("文字だけ"));
    RichEdit target;
    target.setPlainTextMode(true);
    target.paste();
    QCOMPARE(target.toPlainText(), QStringLiteral("文字だけ"));
    QCOMPARE(fromTextDocument(*target.document()).paragraphs.at(0).at(0).color.isAuto(), true);
}

void TestRichEdit::textInAPixelSizedFontIsStoredInPoints()
{
    RichEdit edit;
    QFont art(QStringLiteral("ＭＳ ゴシック"));
    art.setPixelSize(4); // the editor's start-up font
    edit.setFont(art);
    edit.insertPlainText(QStringLiteral("aa"));
    const std::string memo = edit.memo();
    QVERIFY2(memo.find("\\fs6 aa") != std::string::npos, memo.c_str());
    QCOMPARE(edit.selectionSizePt(), 3.0); // what the tool box shows is what is stored
    // text already there keeps its size when the box's font changes: only
    // what is typed from then on takes the new one
    art.setPixelSize(16);
    edit.setFont(art);
    QCOMPARE(readRtf(edit.memo()).paragraphs.at(0).at(0).sizePt, 3.0);
    edit.setMemo({});
    edit.insertPlainText(QStringLiteral("aa"));
    const double stored = readRtf(edit.memo()).paragraphs.at(0).at(0).sizePt;
    QCOMPARE(stored, 16 * 72.0 / edit.logicalDpiY());
    QCOMPARE(edit.selectionSizePt(), stored);
    // a copy carries the same size
    edit.selectAll();
    edit.copy();
    const QByteArray rtf = QApplication::clipboard()->mimeData()->data(QStringLiteral("text/rtf"));
    QCOMPARE(readRtf(rtf.toStdString()).paragraphs.at(0).at(0).sizePt, stored);
}

QTEST_MAIN(TestRichEdit)
#include "test_richedit.moc"
