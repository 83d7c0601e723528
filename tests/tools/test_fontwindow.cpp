// The batch font window through the main window's menu item: its controls
// and their defaults, the size box, the question before converting, the
// walk over every frame (progress caption, cues, the return to the frame on
// screen), what each frame stores afterwards in rich and plain projects, an
// engine error in the middle, and the stored bytes against those the editor
// writes when its whole text is given the same format.

#include "app/Application.h"
#include "app/Fonts.h"
#include "app/Makewindow1.h"
#include "app/Startup.h"
#include "platform/dbctrls/DBRichEdit.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "platform/rtf/RtfDocument.h"
#include "platform/text/Cp932.h"
#include "platform/text/ProfileFile.h"
#include "support/Files.h"
#include "support/Projects.h"
#include "support/TempDir.h"
#include "tools/Fontwindow1.h"
#include "widgets/ColorValue.h"

#include <QSignalSpy>
#include <QtTest>

#include <functional>

using namespace glyphreel;
using richedit::RichEdit;
using Scripted = dialogs::ScriptedDialogService;

namespace {

const QString kQuestion = QStringLiteral("すべてのコマのフォントを変換します。\n\nよろしいですか？");

rtf::RtfRun run(const QString &text, QColor colour = {}, bool bold = false, bool underline = false, bool italic = false,
                bool strike = false, double size = 4, const QString &font = QStringLiteral("ＭＳ ゴシック"))
{
    rtf::RtfRun r;
    r.text = text;
    r.font = font;
    r.sizePt = size;
    if (colour.isValid())
        r.color = {rtf::RtfColor::Kind::Rgb, colour};
    r.bold = bold;
    r.underline = underline;
    r.italic = italic;
    r.strike = strike;
    return r;
}

// A rich frame of mixed formats: bold and underlined runs, colours, another
// size, an empty line.
std::string mixedFrame(int n)
{
    rtf::RtfDocument doc;
    doc.paragraphs.push_back({run(QStringLiteral("コマ%1 ").arg(n), Qt::red, true),
                              run(QStringLiteral("下線"), Qt::green, false, true),
                              run(QStringLiteral("斜体と消線"), {}, false, false, true, true, 9)});
    doc.paragraphs.emplace_back();
    doc.paragraphs.push_back({run(QStringLiteral("（　´∀｀）"), QColor(0, 0, 255), true, true)});
    return rtf::writeRtf(doc);
}

// Colour art: every character its own colour, some bold.
std::string colourFrame(int lines, int cells, int seed)
{
    static const QString glyphs = QStringLiteral("　．，：；｀＂＾。ｉιＩｖ亅｝τｆ｜｛ｘ丿с卜＞ｓｋσァｑｐぇцべごゾＸΣΖナй￥ξＰⅵ");
    rtf::RtfDocument doc;
    int k = seed * 7919;
    for (int l = 0; l < lines; ++l) {
        doc.paragraphs.emplace_back();
        for (int c = 0; c < cells; ++c, ++k)
            doc.paragraphs.back().push_back(run(QString(glyphs[(k * 7 + l) % glyphs.size()]),
                                                QColor::fromHsv((k * 13) % 360, 255, 255), k % 5 == 0));
    }
    return rtf::writeRtf(doc);
}

QByteArray fixture(const QString &name)
{
    return testsupport::readAll(QStringLiteral(GLYPHREEL_FIXTURES "/rtf/") + name);
}

// Every run of a stored frame, in order.
std::vector<rtf::RtfRun> runsOf(const std::string &memo)
{
    std::vector<rtf::RtfRun> all;
    for (const auto &para : rtf::readRtf(memo).paragraphs)
        all.insert(all.end(), para.begin(), para.end());
    return all;
}

// The rows' MEM2 as the dataset holds them now, saved or not.
std::vector<std::string> heldMemos(db::Query &q)
{
    std::vector<std::string> memos;
    for (int i = 1; i <= q.recordCount(); ++i)
        memos.push_back(q.fieldBytesAt(i, "MEM2"));
    return memos;
}

} // namespace

class TestFontWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    // The window at rest.
    void layoutAndDefaults();
    void sizeBoxKeepsToItsRange();

    // The question.
    void noOrCancelLeaveTheWindowOpenWithItsSettings();

    // The walk.
    void anEmptyProjectClosesAtOnce();
    void tenFramesCountedThenBackOnTheFrameShown();
    void cuesSoundDuringTheWalkWhileTheSwitchIsOn();
    void anEngineErrorEndsTheWalkAtThatFrame();

    // What the frames store.
    void everyFrameStoresTheChosenFormat();
    void buttonsUpClearEveryStyle();
    void aPlainTextProjectKeepsItsBytes();
    void theStoredBytesAreThoseTheEditorWrites();

private:
    void openProject(bool rich, const std::vector<testsupport::FrameRow> &rows);
    void openRich(const std::vector<std::string> &memos);
    // Opens the window by the menu item and runs the steps inside its
    // modal loop; the cancel button closes it if the steps left it open.
    void inWindow(const std::function<void()> &steps);
    // Sets the controls as a user would.
    void choose(int size, const QString &font, int styles, widgets::ColorValue colour);
    // Opens the window, answers Yes and converts; the captions shown on the
    // way come back.
    QStringList convert();

    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<dialogs::ScopedDialogService> scope_;
    Scripted *s_ = nullptr;
    TMakeForm1 *f_ = nullptr;
    TFontForm1 *w_ = nullptr;
};

void TestFontWindow::initTestCase()
{
    app::registerFontSubstitutions();
    app::createForms(*static_cast<GlyphreelApplication *>(qApp));
    f_ = MakeForm1;
    w_ = FontForm1;
    QVERIFY(w_);
    // What the main window's attachWindows gives the window.
    w_->setEditor(f_->Query1, f_->DBRichEdit0);
    f_->show();
}

void TestFontWindow::init()
{
    auto scripted = std::make_unique<Scripted>();
    s_ = scripted.get();
    scope_ = std::make_unique<dialogs::ScopedDialogService>(std::move(scripted));
    dir_ = std::make_unique<TempDir>();
}

void TestFontWindow::cleanup()
{
    if (w_->isVisible())
        w_->close();
    if (f_->Query1->active())
        f_->Query1->close();
    scope_.reset();
    dir_.reset();
}

void TestFontWindow::openProject(bool rich, const std::vector<testsupport::FrameRow> &rows)
{
    testsupport::writeFrameTable(dir_->root(), "movie", rich, rows);
    const QString td = dir_->path(QStringLiteral("movie.td"));
    text::ProfileFile(td).writeString(QStringLiteral("Setting"), QStringLiteral("TextType"),
                                      rich ? QStringLiteral("0") : QStringLiteral("1"));
    f_->openProject(td);
    QVERIFY(f_->Query1->active());
    QCOMPARE(f_->Query1->recordCount(), int(rows.size()));
}

void TestFontWindow::openRich(const std::vector<std::string> &memos)
{
    std::vector<testsupport::FrameRow> rows;
    for (const std::string &m : memos)
        rows.push_back({m, {}});
    openProject(true, rows);
}

void TestFontWindow::inWindow(const std::function<void()> &steps)
{
    bool ran = false;
    QTimer::singleShot(0, w_, [&] {
        ran = true;
        QVERIFY(w_->isVisible());
        steps();
        if (w_->isVisible())
            QTest::mouseClick(w_->SpeedButton3, Qt::LeftButton);
    });
    f_->N20->trigger();
    QVERIFY(ran);
    QVERIFY(!w_->isVisible());
}

void TestFontWindow::choose(int size, const QString &font, int styles, widgets::ColorValue colour)
{
    w_->Edit1->selectAll();
    QTest::keyClicks(w_->Edit1, QString::number(size));
    QCOMPARE(w_->UpDown1->Position(), size);
    w_->FontNameComboBox1->setValue(font);
    QCOMPARE(w_->FontNameComboBox1->Value(), font);
    const std::pair<QToolButton *, int> buttons[] = {{w_->SpeedButton1, RichEdit::Bold},
                                                     {w_->SpeedButton2, RichEdit::Italic},
                                                     {w_->SpeedButton20, RichEdit::Underline},
                                                     {w_->SpeedButton21, RichEdit::StrikeOut}};
    for (const auto &[button, flag] : buttons)
        if (button->isChecked() != bool(styles & flag))
            QTest::mouseClick(button, Qt::LeftButton);
    w_->ColorComboBox1->setValue(colour);
    QCOMPARE(w_->ColorComboBox1->Value(), colour);
}

QStringList TestFontWindow::convert()
{
    QStringList captions;
    QObject scope;
    connect(w_, &QWidget::windowTitleChanged, &scope, [&](const QString &caption) { captions << caption; });
    s_->answerConfirm(dialogs::Answer::Yes);
    inWindow([&] { QTest::mouseClick(w_->SpeedButton7, Qt::LeftButton); });
    return captions;
}

void TestFontWindow::layoutAndDefaults()
{
    TFontForm1 *w = w_;
    QCOMPARE(w->windowTitle(), QStringLiteral("一括フォント変換"));
    QCOMPARE(w->size(), QSize(184, 164));
    QVERIFY(w->windowFlags().testFlag(Qt::Tool));
    QVERIFY(!w->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(w->isModal());

    QCOMPARE(w->GradBox1->geometry(), QRect(0, 0, 184, 164));
    QCOMPARE(w->GradBox1->TopColor(), widgets::ColorValue(0x00616161));
    QCOMPARE(w->GradBox1->LastColor(), widgets::ColorValue(0x00C0C0C0));
    QCOMPARE(w->GradBox1->OutLineColor(), widgets::ColorValue(0x0000FFFF));
    QVERIFY(w->GradBox1->DrawOutLine());
    QCOMPARE(w->GradBox1->GradStyle(), gsBottomTop);
    QCOMPARE(w->ShadowLabel1->Caption(), QStringLiteral("フォント"));
    QCOMPARE(w->ShadowLabel2->Caption(), QStringLiteral("文字カラー"));

    QCOMPARE(w->Edit1->text(), QStringLiteral("4"));
    QCOMPARE(w->UpDown1->Min(), 1);
    QCOMPARE(w->UpDown1->Max(), 99);
    QCOMPARE(w->UpDown1->Position(), 4);
    QCOMPARE(w->Edit1->toolTip(), QStringLiteral("文字サイズ"));
    QCOMPARE(w->UpDown1->toolTip(), QStringLiteral("文字サイズ"));
    QCOMPARE(w->FontNameComboBox1->Value(), QStringLiteral("ＭＳ ゴシック"));
    QCOMPARE(w->FontNameComboBox1->maxVisibleItems(), 12);
    QCOMPARE(w->FontNameComboBox1->toolTip(), QStringLiteral("字体"));

    const std::tuple<QToolButton *, QString, QString> styles[] = {
        {w->SpeedButton1, QStringLiteral("太字"), QStringLiteral("太字")},
        {w->SpeedButton2, QStringLiteral("斜体"), QStringLiteral("斜体")},
        {w->SpeedButton20, QStringLiteral("下線"), QStringLiteral("下線付き")},
        {w->SpeedButton21, QStringLiteral("消線"), QStringLiteral("打ち消し線付き")}};
    for (const auto &[button, caption, hint] : styles) {
        QCOMPARE(button->text(), caption);
        QCOMPARE(button->toolTip(), hint);
        QVERIFY(button->isCheckable());
        QVERIFY(!button->isChecked());
    }
    // Independent toggles, side by side in one row.
    QTest::mouseClick(w->SpeedButton2, Qt::LeftButton);
    QVERIFY(w->SpeedButton2->isChecked() && !w->SpeedButton1->isChecked() && !w->SpeedButton20->isChecked());
    QTest::mouseClick(w->SpeedButton2, Qt::LeftButton);
    QVERIFY(!w->SpeedButton2->isChecked());
    QCOMPARE(w->SpeedButton2->y(), w->SpeedButton1->y());
    QVERIFY(w->SpeedButton20->x() > w->SpeedButton2->x() && w->SpeedButton21->x() > w->SpeedButton20->x());

    QCOMPARE(w->ColorComboBox1->Value(), widgets::ColorValue(0x00FFFFFF));
    QCOMPARE(w->ColorComboBox1->toolTip(), QStringLiteral("文字カラー"));
    QCOMPARE(w->ColorComboBox1->maxVisibleItems(), 16);
    QVERIFY(w->ColorComboBox1->ShowExtraColor());
    QVERIFY(!w->ColorComboBox1->CustomColorSave());

    QCOMPARE(w->SpeedButton7->text(), QStringLiteral("OK"));
    QCOMPARE(w->SpeedButton7->toolTip(), QStringLiteral("適用"));
    QVERIFY(!w->SpeedButton7->icon().isNull());
    QCOMPARE(w->SpeedButton3->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    QCOMPARE(w->SpeedButton3->toolTip(), QStringLiteral("キャンセル"));
    QVERIFY(w->ProgressBar1->isHidden());

    // Every control inside the client area, each group under its label.
    for (QWidget *c : std::initializer_list<QWidget *>{w->UpDown1, w->FontNameComboBox1, w->SpeedButton1, w->SpeedButton21,
                                                       w->ColorComboBox1, w->SpeedButton7, w->SpeedButton3, w->ProgressBar1}) {
        const QRect r(c->mapTo(w, QPoint(0, 0)), c->size());
        QVERIFY2(QRect(0, 0, 184, 164).contains(r), qPrintable(c->objectName()));
    }
    QVERIFY(w->ShadowLabel1->geometry().bottom() <= w->UpDown1->mapTo(w, QPoint(0, 0)).y());
    QVERIFY(w->ShadowLabel2->geometry().top() > w->SpeedButton1->mapTo(w, QPoint(0, w->SpeedButton1->height())).y());
    QVERIFY(w->ShadowLabel2->geometry().bottom() <= w->ColorComboBox1->mapTo(w, QPoint(0, 0)).y());
    QVERIFY(w->SpeedButton7->y() > w->ColorComboBox1->mapTo(w, QPoint(0, w->ColorComboBox1->height())).y());

    // Opened from the edit menu, in the middle of the screen.
    openRich({mixedFrame(1)});
    QCOMPARE(f_->N20->text(), QStringLiteral("一括フォント変換(&F)..."));
    inWindow([&] {
        const QRect screen = w->screen()->geometry();
        QVERIFY(qAbs(w->geometry().center().x() - screen.center().x()) <= 2);
        QVERIFY(qAbs(w->geometry().center().y() - screen.center().y()) <= 2);
        QVERIFY(w->isActiveWindow() || QApplication::activeModalWidget() == w);
    });
    QVERIFY(s_->asked().empty()); // opening asks nothing
}

void TestFontWindow::sizeBoxKeepsToItsRange()
{
    QLineEdit *e = w_->Edit1;
    QSignalSpy refused(w_->UpDown1, &NumericBox::refused);
    e->selectAll();
    QTest::keyClicks(e, QStringLiteral("0"));
    QCOMPARE(e->text(), QStringLiteral("1"));
    e->selectAll();
    QTest::keyClicks(e, QStringLiteral("150"));
    QCOMPARE(e->text(), QStringLiteral("99"));
    QCOMPARE(w_->UpDown1->Position(), 99);
    e->selectAll();
    QTest::keyClicks(e, QStringLiteral("12"));
    QCOMPARE(e->text(), QStringLiteral("12"));
    QCOMPARE(refused.count(), 0);
    // Not a whole number: refused (after the warning beep), the last text
    // back, nothing to undo.
    QTest::keyClicks(e, QStringLiteral("x"));
    QCOMPARE(e->text(), QStringLiteral("12"));
    QCOMPARE(refused.count(), 1);
    QVERIFY(!e->isUndoAvailable());
    e->selectAll();
    QTest::keyClicks(e, QStringLiteral("-"));
    QCOMPARE(e->text(), QStringLiteral("12"));
    QCOMPARE(refused.count(), 2);
    // An empty box is left alone; the size stays the last number.
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    QCOMPARE(e->text(), QString());
    QCOMPARE(w_->UpDown1->Position(), 12);
    // The arrows step within the range.
    e->setText(QStringLiteral("99"));
    QTest::mouseClick(w_->UpDown1->upButton(), Qt::LeftButton);
    QCOMPARE(e->text(), QStringLiteral("99"));
    QTest::mouseClick(w_->UpDown1->downButton(), Qt::LeftButton);
    QCOMPARE(e->text(), QStringLiteral("98"));
    e->setText(QStringLiteral("4"));
}

void TestFontWindow::noOrCancelLeaveTheWindowOpenWithItsSettings()
{
    const std::vector<std::string> memos{mixedFrame(1), mixedFrame(2), mixedFrame(3)};
    openRich(memos);
    f_->Query1->next();
    choose(12, QStringLiteral("ＭＳ ゴシック"), RichEdit::Bold | RichEdit::StrikeOut, 0x000000FF);
    s_->answerConfirm(dialogs::Answer::No);
    s_->answerConfirm(dialogs::Answer::Cancel);
    QStringList captions;
    QObject scope;
    connect(w_, &QWidget::windowTitleChanged, &scope, [&](const QString &c) { captions << c; });
    inWindow([&] {
        for (int i = 0; i < 2; ++i) {
            QTest::mouseClick(w_->SpeedButton7, Qt::LeftButton);
            QVERIFY(w_->isVisible());
        }
        QCOMPARE(w_->windowTitle(), QStringLiteral("一括フォント変換"));
        QVERIFY(w_->ProgressBar1->isHidden());
    });
    QCOMPARE(s_->asked().size(), std::size_t(2));
    for (const Scripted::Asked &a : s_->asked()) {
        QCOMPARE(a.kind, Scripted::Asked::Kind::Confirm);
        QCOMPARE(a.text, kQuestion);
        QCOMPARE(a.buttons, dialogs::ConfirmButtons::YesNoCancel);
    }
    QVERIFY(captions.isEmpty());
    QCOMPARE(heldMemos(*f_->Query1), memos);
    QVERIFY(!f_->project().hasUnsavedWork());
    QCOMPARE(f_->Query1->recNo(), 2);
    // The settings stay for the next opening.
    QCOMPARE(w_->Edit1->text(), QStringLiteral("12"));
    QVERIFY(w_->SpeedButton1->isChecked() && w_->SpeedButton21->isChecked() && !w_->SpeedButton2->isChecked());
    QCOMPARE(w_->ColorComboBox1->Value(), widgets::ColorValue(0x000000FF));
    choose(4, QStringLiteral("ＭＳ ゴシック"), 0, 0x00FFFFFF);
}

void TestFontWindow::anEmptyProjectClosesAtOnce()
{
    openRich({});
    const QStringList captions = convert();
    QCOMPARE(s_->asked().size(), std::size_t(1));
    QCOMPARE(s_->asked().front().kind, Scripted::Asked::Kind::Confirm);
    // No frame counted; the window closed and shows its own caption again.
    QVERIFY(!captions.join(u'|').contains(QStringLiteral("処理中")));
    QCOMPARE(w_->windowTitle(), QStringLiteral("一括フォント変換"));
    QCOMPARE(f_->Query1->recordCount(), 0);
    QVERIFY(!f_->project().hasUnsavedWork());
}

void TestFontWindow::tenFramesCountedThenBackOnTheFrameShown()
{
    std::vector<std::string> memos;
    for (int i = 1; i <= 10; ++i)
        memos.push_back(mixedFrame(i));
    openRich(memos);
    f_->Query1->first();
    for (int i = 0; i < 3; ++i)
        f_->Query1->next();
    QCOMPARE(f_->Edit2->text(), QStringLiteral("4"));
    choose(7, QStringLiteral("ＭＳ ゴシック"), RichEdit::Italic, 0x0000FFFF);

    // What the window shows while it converts each frame.
    QStringList shownFrames, bars;
    QObject scope;
    connect(w_, &QWidget::windowTitleChanged, &scope, [&](const QString &c) {
        if (!c.startsWith(QStringLiteral("処理中")))
            return;
        shownFrames << f_->Edit2->text();
        bars << QStringLiteral("%1/%2").arg(w_->ProgressBar1->isVisible()).arg(w_->ProgressBar1->maximum());
    });
    QStringList captions = convert();

    QStringList expected;
    for (int k = 1; k <= 10; ++k)
        expected << QStringLiteral("処理中 %1 / 10").arg(k);
    expected << QStringLiteral("一括フォント変換"); // back at closing
    QCOMPARE(captions, expected);
    // Each frame counted while it was the frame on screen.
    QCOMPARE(shownFrames, (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
    QCOMPARE(bars, QStringList(10, QStringLiteral("1/10")));
    QVERIFY(w_->ProgressBar1->isHidden());

    // Back on the frame shown before, its new text in the editor.
    QCOMPARE(f_->Query1->recNo(), 4);
    QCOMPARE(f_->Edit2->text(), QStringLiteral("4"));
    QCOMPARE(f_->Edit3->text(), QStringLiteral("10"));
    QCOMPARE(f_->DBRichEdit0->toPlainText(), rtf::readRtf(memos[3]).plainText());
    f_->DBRichEdit0->selectAll();
    QCOMPARE(f_->DBRichEdit0->selectionSizePt(), 7.0);
    QCOMPARE(f_->DBRichEdit0->selectionStyle(), int(RichEdit::Italic));
    QCOMPARE(f_->DBRichEdit0->selectionColor(), QColor(255, 255, 0));
    QVERIFY(f_->project().hasUnsavedWork());
    choose(4, QStringLiteral("ＭＳ ゴシック"), 0, 0x00FFFFFF);
}

void TestFontWindow::cuesSoundDuringTheWalkWhileTheSwitchIsOn()
{
    std::vector<testsupport::FrameRow> rows;
    for (int i = 1; i <= 6; ++i)
        rows.push_back({mixedFrame(i), {}});
    rows[2].cues = {"SND1"};
    rows[4].cues = {"SND2", "SND3"};
    openProject(true, rows);
    for (int n = 1; n <= 3; ++n) {
        const QString sound = dir_->path(QStringLiteral("t%1.wav").arg(n));
        QVERIFY(testsupport::makeSound(sound, 30));
        f_->project().chooseTrackFile(n, sound);
    }
    for (const bool switchOn : {true, false}) {
        if ((f_->N19->data().toInt() == 1) != switchOn)
            f_->N19->trigger();
        f_->project().rewindTracks();
        f_->Query1->first();
        QVERIFY(!f_->project().player(1).playing());
        // Which tracks sound while each frame is counted.
        QStringList sounding;
        QObject scope;
        connect(w_, &QWidget::windowTitleChanged, &scope, [&](const QString &c) {
            if (!c.startsWith(QStringLiteral("処理中")))
                return;
            QString tracks;
            for (int n = 1; n <= 3; ++n)
                tracks += f_->project().player(n).playing() ? QChar(u'0' + n) : QChar(u'-');
            sounding << tracks;
        });
        convert();
        if (switchOn)
            QCOMPARE(sounding, (QStringList{"---", "---", "1--", "1--", "123", "123"}));
        else
            QCOMPARE(sounding, QStringList(6, QStringLiteral("---")));
        f_->project().rewindTracks();
    }
    f_->N19->trigger();
    QCOMPARE(f_->N19->data().toInt(), 1);
}

void TestFontWindow::anEngineErrorEndsTheWalkAtThatFrame()
{
    // Frames whose memos each fill a block of the memo file of their own.
    std::vector<std::string> memos;
    for (int i = 1; i <= 6; ++i)
        memos.push_back(colourFrame(12, 20, i));
    openRich(memos);
    // The memo file is damaged under the open project where frame 4's text
    // lies: the engine cannot read that frame any more.
    f_->Query1->first();
    for (int i = 0; i < 3; ++i)
        f_->Query1->next();
    const db::BlobRef ref = f_->Query1->fieldValue("MEM2").asBlob();
    QCOMPARE(ref.ref & 0xFFu, 0xFFu);
    f_->Query1->first();
    {
        QFile mb(dir_->path(QStringLiteral("movie.mb")));
        QVERIFY(mb.open(QIODevice::ReadWrite));
        QVERIFY(mb.seek(ref.ref & 0xFFFFFF00u));
        QCOMPARE(mb.write("\x04", 1), qint64(1)); // a free block
    }
    const tools::TextFormat format{QStringLiteral("ＭＳ ゴシック"), 4, 0, QColor(255, 255, 255)};

    QStringList captions;
    QObject scope;
    connect(w_, &QWidget::windowTitleChanged, &scope, [&](const QString &c) { captions << c; });
    s_->answerConfirm(dialogs::Answer::Yes);
    QString left;
    inWindow([&] {
        QTest::mouseClick(w_->SpeedButton7, Qt::LeftButton);
        // The error is shown; the window stays open on the last frame done.
        QVERIFY(w_->isVisible());
        left = w_->windowTitle();
        QVERIFY(w_->ProgressBar1->isVisible());
        QCOMPARE(w_->ProgressBar1->value(), 3);
    });
    QCOMPARE(left, QStringLiteral("処理中 3 / 6"));
    QCOMPARE(captions.mid(0, 3), (QStringList{"処理中 1 / 6", "処理中 2 / 6", "処理中 3 / 6"}));
    QCOMPARE(s_->asked().back().kind, Scripted::Asked::Kind::Exception);
    QVERIFY2(s_->asked().back().text.contains(QStringLiteral("movie.mb")), qPrintable(s_->asked().back().text));
    // Frames before it converted, those after it as they were.
    db::Query &q = *f_->Query1;
    for (int i = 1; i <= 3; ++i)
        QCOMPARE(q.fieldBytesAt(i, "MEM2"), tools::convertedMemo(memos[std::size_t(i - 1)], format));
    for (int i = 5; i <= 6; ++i)
        QCOMPARE(q.fieldBytesAt(i, "MEM2"), memos[std::size_t(i - 1)]);
    // Back on the frame shown before.
    QCOMPARE(q.recNo(), 1);
    QCOMPARE(f_->DBRichEdit0->memo(), tools::convertedMemo(memos[0], format));
}

void TestFontWindow::everyFrameStoresTheChosenFormat()
{
    std::vector<std::string> memos{mixedFrame(1), colourFrame(5, 8, 2), std::string(), mixedFrame(4),
                                   text::encodeCp932(QStringLiteral("ただの文字\r\n二行目\r\n"))};
    openRich(memos);
    QVERIFY(w_->FontNameComboBox1->count() > 1);
    QString other;
    for (int i = 0; i < w_->FontNameComboBox1->count() && other.isEmpty(); ++i)
        if (w_->FontNameComboBox1->itemText(i) != QStringLiteral("ＭＳ ゴシック"))
            other = w_->FontNameComboBox1->itemText(i);
    choose(9, other, RichEdit::Bold | RichEdit::Italic | RichEdit::Underline | RichEdit::StrikeOut, 0x000000FF);
    convert();
    QVERIFY(!w_->isVisible());
    f_->Save2Click();
    const std::vector<std::string> stored = testsupport::frameMemos(dir_->root(), QStringLiteral("movie.db"));
    QCOMPARE(stored.size(), memos.size());
    // A frame without text has nothing to give a format: it stays empty.
    QCOMPARE(stored[2], std::string());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (i == 2)
            continue;
        QVERIFY2(stored[i].starts_with("{\\rtf"), qPrintable(QString::number(i)));
        QCOMPARE(rtf::readRtf(stored[i]).plainText(), rtf::readRtf(memos[i]).plainText());
        for (const rtf::RtfRun &r : runsOf(stored[i])) {
            QCOMPARE(r.font, other);
            QCOMPARE(r.sizePt, 9.0);
            QCOMPARE(r.color.kind, rtf::RtfColor::Kind::Rgb);
            QCOMPARE(r.color.rgb, QColor(255, 0, 0));
            QVERIFY(r.bold && r.italic && r.underline && r.strike);
        }
    }
    // One format for all: a line is one run.
    QCOMPARE(rtf::readRtf(stored[1]).paragraphs.size(), std::size_t(5));
    for (const auto &para : rtf::readRtf(stored[1]).paragraphs)
        QCOMPARE(para.size(), std::size_t(1));
    choose(4, QStringLiteral("ＭＳ ゴシック"), 0, 0x00FFFFFF);
}

void TestFontWindow::buttonsUpClearEveryStyle()
{
    const std::vector<std::string> memos{mixedFrame(1), mixedFrame(2), colourFrame(4, 6, 3)};
    openRich(memos);
    // Every style is somewhere in the frames before.
    int bold = 0, underline = 0, italic = 0, strike = 0;
    for (const std::string &m : memos)
        for (const rtf::RtfRun &r : runsOf(m))
            bold += r.bold, underline += r.underline, italic += r.italic, strike += r.strike;
    QVERIFY(bold && underline && italic && strike);
    choose(4, QStringLiteral("ＭＳ ゴシック"), 0, 0x00FFFFFF);
    convert();
    for (const std::string &m : heldMemos(*f_->Query1)) {
        QVERIFY(!runsOf(m).empty());
        for (const rtf::RtfRun &r : runsOf(m)) {
            QVERIFY(!r.bold && !r.underline && !r.italic && !r.strike);
            QCOMPARE(r.color.rgb, QColor(255, 255, 255));
            QCOMPARE(r.sizePt, 4.0);
        }
    }
}

void TestFontWindow::aPlainTextProjectKeepsItsBytes()
{
    std::vector<testsupport::FrameRow> rows{{text::encodeCp932(QStringLiteral("（　´∀｀）\r\n")), {}},
                                            {std::string(), {}},
                                            {text::encodeCp932(QStringLiteral("二行\r\nの絵\r\n")), {"SND2"}}};
    openProject(false, rows);
    const QByteArray mbBefore = testsupport::readAll(dir_->path(QStringLiteral("movie.mb")));
    choose(20, QStringLiteral("ＭＳ ゴシック"), RichEdit::Bold | RichEdit::Underline, 0x000000FF);
    const QStringList captions = convert();
    // The walk runs, and nothing is stored.
    QCOMPARE(captions.mid(0, 3), (QStringList{"処理中 1 / 3", "処理中 2 / 3", "処理中 3 / 3"}));
    const std::vector<std::string> held = heldMemos(*f_->Query1);
    for (std::size_t i = 0; i < rows.size(); ++i)
        QCOMPARE(held[i], rows[i].memo);
    QVERIFY(!f_->project().hasUnsavedWork());
    f_->Save2Click();
    QCOMPARE(testsupport::readAll(dir_->path(QStringLiteral("movie.mb"))), mbBefore);
    choose(4, QStringLiteral("ＭＳ ゴシック"), 0, 0x00FFFFFF);
}

void TestFontWindow::theStoredBytesAreThoseTheEditorWrites()
{
    // The frames: every RTF stream the tests keep, colour art, an empty
    // frame and plain text in a rich table.
    std::vector<std::string> memos;
    const QStringList names = QDir(QStringLiteral(GLYPHREEL_FIXTURES "/rtf")).entryList({QStringLiteral("*.rtf")}, QDir::Files);
    QVERIFY(names.size() >= 10);
    for (const QString &name : names)
        memos.push_back(fixture(name).toStdString());
    for (int i = 0; i < 4; ++i)
        memos.push_back(colourFrame(30, 40, i));
    memos.push_back(mixedFrame(7));
    memos.push_back(std::string());
    rtf::RtfDocument blankLines;
    memos.push_back(rtf::writeRtf(blankLines));
    blankLines.paragraphs.resize(3);
    memos.push_back(rtf::writeRtf(blankLines));
    memos.push_back(text::encodeCp932(QStringLiteral("文字だけ\r\n\r\nの絵\r\n")));
    std::vector<testsupport::FrameRow> rows;
    for (const std::string &m : memos)
        rows.push_back({m, {}});

    const tools::TextFormat formats[] = {
        {QStringLiteral("ＭＳ ゴシック"), 4, 0, QColor(255, 255, 255)},
        {QStringLiteral("ＭＳ 明朝"), 11, RichEdit::Bold | RichEdit::Underline, QColor(0, 128, 0)},
        {QStringLiteral("Arial"), 1, RichEdit::Italic | RichEdit::StrikeOut | RichEdit::Bold, QColor(12, 34, 56)},
    };
    int table = 0;
    for (const tools::TextFormat &format : formats) {
        // The editor's way, on a table of its own: the whole text selected,
        // size, name, each style flag and colour set, the frame left.
        const QString folder = dir_->path(QStringLiteral("editor%1").arg(++table));
        QVERIFY(QDir().mkpath(folder));
        testsupport::writeFrameTable(folder, "movie", true, rows);
        db::Query q;
        q.setDatabaseName(folder.toStdString());
        q.addSql("SELECT * FROM movie.db");
        q.open();
        db::DataSource source(&q);
        dbctrls::DBRichEdit editor;
        editor.setDataField(QStringLiteral("MEM2"));
        QFont art(QStringLiteral("ＭＳ ゴシック"));
        art.setPixelSize(4);
        editor.setFont(art);
        editor.setColors(Qt::white, Qt::black);
        editor.setDataSource(&source);
        for (q.first(); !q.eof(); q.next()) {
            q.edit();
            editor.selectAll();
            editor.setSelectionSizePt(format.sizePt);
            editor.setSelectionFontName(format.fontName);
            for (int flag : {RichEdit::Bold, RichEdit::Italic, RichEdit::Underline, RichEdit::StrikeOut}) {
                const int style = editor.selectionStyle();
                editor.setSelectionStyle(format.styles & flag ? style | flag : style & ~flag);
            }
            editor.setSelectionColor(format.color);
        }
        const std::vector<std::string> byEditor = heldMemos(q);
        editor.setDataSource(nullptr);

        QCOMPARE(byEditor.size(), memos.size());
        for (std::size_t i = 0; i < memos.size(); ++i) {
            const QString what = i < std::size_t(names.size()) ? names[int(i)] : QStringLiteral("frame %1").arg(i + 1);
            const std::string direct = tools::convertedMemo(memos[i], format);
            QVERIFY2(direct == byEditor[i], qPrintable(what + QStringLiteral(" in ") + format.fontName));
        }
    }

    // And through the window, on the main window's project.
    openProject(true, rows);
    const QString font = w_->FontNameComboBox1->itemText(w_->FontNameComboBox1->count() - 1);
    choose(11, font, RichEdit::Bold | RichEdit::Underline, 0x00008000);
    convert();
    const std::vector<std::string> held = heldMemos(*f_->Query1);
    const tools::TextFormat chosen{font, 11, RichEdit::Bold | RichEdit::Underline, QColor(0, 128, 0)};
    for (std::size_t i = 0; i < memos.size(); ++i)
        QCOMPARE(held[i], tools::convertedMemo(memos[i], chosen));
    choose(4, QStringLiteral("ＭＳ ゴシック"), 0, 0x00FFFFFF);
}

int main(int argc, char **argv)
{
    GlyphreelApplication application(argc, argv);
    TestFontWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_fontwindow.moc"
