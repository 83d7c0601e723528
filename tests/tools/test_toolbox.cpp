// The tool box on a real editor: style toggles, size, font name, brushes,
// background, clipboard buttons, and the selection feedback that shows a
// selection's format without changing the selection.

#include "platform/dialogs/ScriptedDialogService.h"
#include "platform/rtf/RichTextConversion.h"
#include "support/Files.h"
#include "support/TempDir.h"
#include "tools/Toolwindow1.h"
#include "widgets/ColorValue.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QtTest>

using glyphreel::richedit::RichEdit;

namespace {

struct ToolBoxOnEditor {
    TToolForm1 tools;
    RichEdit editor;
    RichEdit preview;
    ToolBoxOnEditor()
    {
        tools.setEditors(&editor, &preview);
        editor.setPlainText(QStringLiteral("（　´∀｀）"));
        editor.selectAll();
    }
    // The sizes of the editor's runs, in order.
    std::vector<double> runSizes() const
    {
        std::vector<double> sizes;
        for (const auto &para : glyphreel::rtf::fromTextDocument(*editor.document()).paragraphs)
            for (const auto &run : para)
                sizes.push_back(run.sizePt);
        return sizes;
    }
};

// Opens the box's list as the user does and counts the rows that can be seen
// whole in it; `scrolls` tells whether the list has a scroll bar showing.
int visibleRows(QComboBox *box, bool *scrolls = nullptr)
{
    box->showPopup();
    QAbstractItemView *view = box->view();
    if (!QTest::qWaitFor([&] { return view->window()->isVisible(); }))
        return -1;
    const QRect seen = view->viewport()->rect();
    int rows = 0;
    for (int i = 0; i < box->count(); ++i) {
        const QRect r = view->visualRect(view->model()->index(i, 0));
        if (r.isValid() && r.top() >= seen.top() && r.bottom() <= seen.bottom()) // long names are cut at the right
            ++rows;
    }
    if (scrolls)
        *scrolls = view->verticalScrollBar()->isVisible();
    box->hidePopup();
    return rows;
}

} // namespace

class TestToolBox : public QObject {
    Q_OBJECT
private slots:
    void layoutOfTheEditPage();
    void styleButtonsAddAndRemoveOnlyTheirFlag();
    void sizeBoxClampsAndApplies();
    void fontNameBoxApplies();
    void brushesPaintTheirColour();
    void backgroundColoursEditorAndPreview();
    void clipboardButtons();
    void feedbackShowsWithoutApplying();
    void soundPageLayout();
    void openButtonsLoadTheirTrack();
    void dropDownListsShowTheirRowCounts();
    void feedbackShowsAnUnlistedFontByName();
    void pageTabsHighlightUnderTheMouse();
    void sizeBoxStepsWithTheArrowKeys();
    void sizeBoxKeepsTheCaretAfterARefusedCharacter();
    void dotsButtonLeavesTheArrowUncovered();
};

void TestToolBox::layoutOfTheEditPage()
{
    TToolForm1 tools;
    QCOMPARE(tools.windowTitle(), QStringLiteral("ツールボックス"));
    QCOMPARE(tools.size(), QSize(192, 345));
    QCOMPARE(tools.PageControl1->tabText(0), QStringLiteral("エディット"));
    QCOMPARE(tools.PageControl1->tabText(1), QStringLiteral("サウンド"));
    QCOMPARE(tools.PageControl1->currentWidget(), tools.TabSheet1);
    QCOMPARE(tools.Edit9->text(), QStringLiteral("4"));
    QCOMPARE(tools.UpDown1->Min(), 1);
    QCOMPARE(tools.UpDown1->Max(), 99);
    QCOMPARE(tools.FontNameComboBox1->toolTip(), QStringLiteral("字体"));
    QCOMPARE(tools.SpeedButton20->text(), QStringLiteral("下線"));
    QCOMPARE(tools.SpeedButton20->toolTip(), QStringLiteral("下線付き"));
    QCOMPARE(tools.SpeedButton21->toolTip(), QStringLiteral("打ち消し線付き"));
    const std::array<glyphreel::widgets::ColorValue, 8> colours{0x00FFFFFF, 0x000000FF, 0x0000FFFF, 0x00008000,
                                                                0x00FFFF00, 0x00FF0000, 0x00FF00FF, 0x00000000};
    const QStringList buttons{"SpeedButton3", "SpeedButton4", "SpeedButton5", "SpeedButton6",
                              "SpeedButton8", "SpeedButton9", "SpeedButton10", "SpeedButton11"};
    for (std::size_t i = 0; i < 8; ++i) {
        QCOMPARE(tools.brushButtons[i]->objectName(), buttons[static_cast<int>(i)]);
        QCOMPARE(tools.brushColors[i]->Value(), colours[i]);
        QCOMPARE(tools.brushColors[i]->maxVisibleItems(), 16);
        // full-width digits
        QCOMPARE(tools.brushButtons[i]->toolTip(), QStringLiteral("ブラシ") + QChar(u'１' + static_cast<int>(i)));
        // the brushes stand in one column, brush 1 at the top
        if (i > 0)
            QVERIFY(tools.brushButtons[i]->y() > tools.brushButtons[i - 1]->y());
    }
    QCOMPARE(tools.ColorComboBox9->Value(), glyphreel::widgets::ColorValue(0));
    QVERIFY(!tools.ColorComboBox9->CustomColorSave());
    // without a project the sound page has no players
    QCOMPARE(tools.MediaPlayer6, nullptr);
    glyphreel::project::Project project;
    tools.setProject(&project);
    QCOMPARE(tools.MediaPlayer6, &project.player(6));
    QCOMPARE(tools.mediaPlayers[5], tools.MediaPlayer6);
    tools.setProject(nullptr); // the project goes first here
    QCOMPARE(tools.cueBoxes[0]->dataSource(), nullptr);
}

void TestToolBox::styleButtonsAddAndRemoveOnlyTheirFlag()
{
    ToolBoxOnEditor t;
    t.editor.setSelectionStyle(RichEdit::Bold | RichEdit::Italic);
    t.tools.showSelectionFormat(4, QStringLiteral("ＭＳ ゴシック"), t.editor.selectionStyle());
    QVERIFY(t.tools.SpeedButton1->isChecked() && t.tools.SpeedButton2->isChecked());
    t.tools.SpeedButton20->click();
    QCOMPARE(t.editor.selectionStyle(), RichEdit::Bold | RichEdit::Italic | RichEdit::Underline);
    t.tools.SpeedButton1->click(); // released
    QCOMPARE(t.editor.selectionStyle(), RichEdit::Italic | RichEdit::Underline);
    t.tools.SpeedButton21->click();
    QCOMPARE(t.editor.selectionStyle(), RichEdit::Italic | RichEdit::Underline | RichEdit::StrikeOut);
}

void TestToolBox::sizeBoxClampsAndApplies()
{
    ToolBoxOnEditor t;
    t.tools.Edit9->setText(QStringLiteral("120"));
    QCOMPARE(t.tools.Edit9->text(), QStringLiteral("99"));
    QCOMPARE(t.editor.selectionSizePt(), 99.0);
    t.tools.Edit9->setText(QStringLiteral("0"));
    QCOMPARE(t.tools.Edit9->text(), QStringLiteral("1"));
    QCOMPARE(t.editor.selectionSizePt(), 1.0);
    t.tools.Edit9->setText(QStringLiteral("12"));
    // a letter is refused: the previous number comes back, nothing applied
    t.tools.Edit9->setText(QStringLiteral("12x"));
    QCOMPARE(t.tools.Edit9->text(), QStringLiteral("12"));
    QCOMPARE(t.editor.selectionSizePt(), 12.0);
    // an empty box applies nothing
    t.tools.Edit9->clear();
    QCOMPARE(t.editor.selectionSizePt(), 12.0);
    t.tools.Edit9->setText(QStringLiteral("12"));
    t.tools.UpDown1->upButton()->click();
    QCOMPARE(t.tools.Edit9->text(), QStringLiteral("13"));
    QCOMPARE(t.editor.selectionSizePt(), 13.0);
}

void TestToolBox::fontNameBoxApplies()
{
    ToolBoxOnEditor t;
    QVERIFY(t.tools.FontNameComboBox1->count() > 1);
    const QString other = t.tools.FontNameComboBox1->itemText(1) == t.editor.selectionFontName()
                              ? t.tools.FontNameComboBox1->itemText(0)
                              : t.tools.FontNameComboBox1->itemText(1);
    t.tools.FontNameComboBox1->setValue(other);
    QCOMPARE(t.editor.selectionFontName(), other);
}

void TestToolBox::brushesPaintTheirColour()
{
    ToolBoxOnEditor t;
    t.tools.brushButtons[4]->click(); // brush 5: aqua
    QCOMPARE(t.editor.selectionColor(), QColor(0, 255, 255));
    t.tools.brushButtons[1]->click(); // brush 2: red
    QCOMPARE(t.editor.selectionColor(), QColor(255, 0, 0));
    // a colour of the user's own: the box shows its custom entry
    t.tools.ColorComboBox5->setValue(glyphreel::widgets::fromQColor(QColor(12, 34, 56)));
    t.tools.brushButtons[4]->click();
    QCOMPARE(t.editor.selectionColor(), QColor(12, 34, 56));
}

void TestToolBox::backgroundColoursEditorAndPreview()
{
    ToolBoxOnEditor t;
    t.tools.ColorComboBox9->setValue(0x00FFFFFF);
    QCOMPARE(t.editor.palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(t.preview.palette().color(QPalette::Base), QColor(Qt::white));
    t.tools.ColorComboBox9->setValue(0);
    QCOMPARE(t.editor.palette().color(QPalette::Base), QColor(Qt::black));
    QCOMPARE(t.preview.palette().color(QPalette::Base), QColor(Qt::black));
}

void TestToolBox::clipboardButtons()
{
    ToolBoxOnEditor t;
    t.tools.EditBtn10->click(); // copy
    QTextCursor end = t.editor.textCursor();
    end.movePosition(QTextCursor::End);
    t.editor.setTextCursor(end);
    t.tools.EditBtn12->click(); // paste
    QCOMPARE(t.editor.toPlainText(), QStringLiteral("（　´∀｀）（　´∀｀）"));
    t.editor.selectAll();
    t.tools.EditBtn11->click(); // cut
    QCOMPARE(t.editor.toPlainText(), QString());
    t.tools.EditBtn12->click();
    t.editor.selectAll();
    t.tools.BitBtn1->click(); // erase
    QCOMPARE(t.editor.toPlainText(), QString());
}

void TestToolBox::feedbackShowsWithoutApplying()
{
    ToolBoxOnEditor t;
    // two sizes in one selection
    QTextCursor c = t.editor.textCursor();
    c.setPosition(0);
    c.setPosition(2, QTextCursor::KeepAnchor);
    t.editor.setTextCursor(c);
    t.editor.setSelectionSizePt(10);
    c.setPosition(2);
    c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    t.editor.setTextCursor(c);
    t.editor.setSelectionSizePt(120);
    t.editor.selectAll();
    const std::vector<double> before = t.runSizes();
    QCOMPARE(before, (std::vector<double>{10, 120}));

    t.tools.showSelectionFormat(t.editor.selectionSizePt(), QStringLiteral("どこにもない書体"),
                                RichEdit::Bold | RichEdit::Underline);
    QCOMPARE(t.tools.Edit9->text(), QStringLiteral("10"));
    QVERIFY(t.tools.SpeedButton1->isChecked() && t.tools.SpeedButton20->isChecked());
    QVERIFY(!t.tools.SpeedButton2->isChecked() && !t.tools.SpeedButton21->isChecked());
    QCOMPARE(t.runSizes(), before);
    QCOMPARE(t.editor.selectionStyle(), 0);
    // a size above the box's range and an unlisted font change nothing either
    t.tools.showSelectionFormat(120, QStringLiteral("どこにもない書体"), 0);
    QCOMPARE(t.tools.Edit9->text(), QStringLiteral("99"));
    QCOMPARE(t.runSizes(), before);
    QVERIFY(t.editor.selectionFontName() != t.tools.FontNameComboBox1->Value());
}

void TestToolBox::soundPageLayout()
{
    TToolForm1 tools;
    QCOMPARE(tools.ShadowLabel5->Caption(), QStringLiteral("サウンド設定"));
    for (int n = 1; n <= 6; ++n) {
        const auto k = static_cast<std::size_t>(n - 1);
        QCOMPARE(tools.cueBoxes[k]->objectName(), QStringLiteral("DBCheckBox%1").arg(n));
        QCOMPARE(tools.cueBoxes[k]->dataField(), QStringLiteral("SND%1").arg(n));
        QCOMPARE(tools.cueBoxes[k]->toolTip(), QStringLiteral("現在のコマで再生"));
        QCOMPARE(tools.trackLabels[k]->Caption(), QStringLiteral("Track%1 <- Play").arg(n));
        QCOMPARE(tools.trackFields[k]->toolTip(), QStringLiteral("Track%1の音声ファイル名").arg(n));
        QCOMPARE(tools.trackFields[k]->size(), QSize(124, 18));
        QCOMPARE(tools.openButtons[k]->objectName(), QStringLiteral("SpeedButton%1").arg(11 + n));
        QCOMPARE(tools.openButtons[k]->toolTip(), QStringLiteral("音声ファイルを開く"));
        if (n > 1)
            QCOMPARE(tools.trackFields[k]->y() - tools.trackFields[k - 1]->y(), 40);
    }
    QCOMPARE(tools.Edit3, tools.trackFields[2]);
    QCOMPARE(tools.OpenDialog1->title(), QStringLiteral("開く"));
    QVERIFY(tools.OpenDialog1->filter().startsWith(QStringLiteral("サウンドファイル (すべての種類)|*.cda;")));
    QVERIFY(tools.OpenDialog1->filter().endsWith(QStringLiteral("|MP3ファイル (*.mp3)|*.mp3")));
}

void TestToolBox::openButtonsLoadTheirTrack()
{
    using glyphreel::dialogs::ScriptedDialogService;
    auto scripted = std::make_unique<ScriptedDialogService>();
    ScriptedDialogService *s = scripted.get();
    glyphreel::dialogs::ScopedDialogService scope(std::move(scripted));
    TempDir dir;
    const QString tone = dir.path(QStringLiteral("a long name for a tone.wav"));
    QVERIFY(testsupport::makeSound(tone, 1));
    glyphreel::project::Project project;
    project.setSoundEnabled(true);
    TToolForm1 tools;
    tools.setProject(&project);

    s->answerFile(tone);
    tools.openButtons[1]->click();
    QCOMPARE(s->asked().back().file.title, QStringLiteral("開く"));
    QVERIFY(tools.MediaPlayer2->isOpen());
    QCOMPARE(tools.MediaPlayer2->fileName(), tone.toStdString());
    QCOMPARE(tools.Edit2->text(), QStringLiteral("a long name for a tone.wav"));

    s->answerFile(std::nullopt); // cancelled: nothing changes
    tools.openButtons[1]->click();
    QCOMPARE(tools.MediaPlayer2->fileName(), tone.toStdString());
    QVERIFY(tools.MediaPlayer2->isOpen());

    const QString text = dir.path(QStringLiteral("readme.wav"));
    testsupport::writeAll(text, "not a sound");
    s->answerFile(text);
    tools.openButtons[1]->click();
    QCOMPARE(s->asked().back().kind, ScriptedDialogService::Asked::Kind::Exception);
    QVERIFY(s->asked().back().text.contains(QStringLiteral("readme.wav")));
    QCOMPARE(tools.Edit2->text(), QStringLiteral("a long name for a tone.wav")); // the box keeps the last good name
    QVERIFY(!tools.MediaPlayer2->isOpen());
    QVERIFY(!tools.MediaPlayer1->isOpen() && tools.Edit1->text().isEmpty());
    // the project keeps the file the track comes from, for saving
    QCOMPARE(project.trackSource(2), text);
    QCOMPARE(project.settings().tracks[1], QStringLiteral("a long name for a tone.wav"));
}

void TestToolBox::dropDownListsShowTheirRowCounts()
{
    TToolForm1 tools;
    tools.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tools));
    for (TColorComboBox *box : tools.colourBoxes()) {
        bool scrolls = false;
        QCOMPARE(visibleRows(box, &scrolls), 16);
        QVERIFY(scrolls); // 146 colours: the rest is scrolled to
    }
    QVERIFY(tools.FontNameComboBox1->count() > 12);
    bool scrolls = false;
    QCOMPARE(visibleRows(tools.FontNameComboBox1, &scrolls), 12);
    QVERIFY(scrolls);
}

void TestToolBox::feedbackShowsAnUnlistedFontByName()
{
    ToolBoxOnEditor t;
    TFontNameComboBox *shown = t.tools.FontNameComboBox1;
    const QString unlisted = QStringLiteral("どこにもない書体");
    const QString fontBefore = t.editor.selectionFontName();
    const int rowsBefore = shown->count();
    t.tools.showSelectionFormat(4, unlisted, 0);
    QCOMPARE(shown->count(), rowsBefore);
    QCOMPARE(shown->findText(unlisted), -1); // shown, not listed
    QCOMPARE(t.editor.selectionFontName(), fontBefore); // nothing applied

    // The box looks like a box that lists the name and has it picked.
    const glyphreel::widgets::FontCatalog only({{unlisted, glyphreel::widgets::fontflags::trueType}}, {});
    TFontNameComboBox reference(shown->parentWidget(), only); // beside it, for the same look
    reference.setPalette(shown->palette());
    reference.resize(shown->size());
    reference.setValue(unlisted);
    QCOMPARE(reference.currentText(), unlisted);
    // the names start right of the icon (20 pixels into the field); the arrow is left out
    const QRect names(22, 0, shown->width() - 42, shown->height());
    const QImage seen = shown->grab().toImage().copy(names);
    const QImage expected = reference.grab().toImage().copy(names);
    QCOMPARE(seen, expected);
}

void TestToolBox::pageTabsHighlightUnderTheMouse()
{
    TToolForm1 tools;
    tools.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tools));
    QTabBar *tabs = tools.PageControl1->tabBar();
    const QRect sound = tabs->tabRect(1);
    QTest::mouseMove(tools.GradBox1, QPoint(90, 200)); // away from the tabs
    QTest::qWait(20);
    const QImage away = tabs->grab().toImage();
    QTest::mouseMove(tabs, sound.center());
    QVERIFY(QTest::qWaitFor([&] { return tabs->grab().toImage().copy(sound) != away.copy(sound); }, 1000));
    // only the tab under the mouse changes, and it goes back when the mouse leaves
    const QRect edit = tabs->tabRect(0);
    QCOMPARE(tabs->grab().toImage().copy(edit), away.copy(edit));
    QTest::mouseMove(tools.GradBox1, QPoint(90, 200));
    QVERIFY(QTest::qWaitFor([&] { return tabs->grab().toImage() == away; }, 1000));
}

void TestToolBox::sizeBoxStepsWithTheArrowKeys()
{
    ToolBoxOnEditor t;
    t.tools.show();
    QVERIFY(QTest::qWaitForWindowExposed(&t.tools));
    t.tools.Edit9->setText(QStringLiteral("12"));
    QCOMPARE(t.editor.selectionSizePt(), 12.0);
    QTest::keyClick(t.tools.Edit9, Qt::Key_Up);
    QCOMPARE(t.tools.Edit9->text(), QStringLiteral("13"));
    QCOMPARE(t.editor.selectionSizePt(), 13.0);
    QTest::keyClick(t.tools.Edit9, Qt::Key_Down);
    QTest::keyClick(t.tools.Edit9, Qt::Key_Down);
    QCOMPARE(t.tools.Edit9->text(), QStringLiteral("11"));
    QCOMPARE(t.editor.selectionSizePt(), 11.0);
    // the arrows stop at the ends of the range
    t.tools.Edit9->setText(QStringLiteral("99"));
    QTest::keyClick(t.tools.Edit9, Qt::Key_Up);
    QCOMPARE(t.tools.Edit9->text(), QStringLiteral("99"));
}

void TestToolBox::sizeBoxKeepsTheCaretAfterARefusedCharacter()
{
    ToolBoxOnEditor t;
    t.tools.show();
    QVERIFY(QTest::qWaitForWindowExposed(&t.tools));
    // a letter typed between the digits is refused; the caret stays between them
    t.tools.Edit9->setText(QStringLiteral("12"));
    t.tools.Edit9->setCursorPosition(1);
    QTest::keyClick(t.tools.Edit9, Qt::Key_A);
    QCOMPARE(t.tools.Edit9->text(), QStringLiteral("12"));
    QCOMPARE(t.tools.Edit9->cursorPosition(), 1);
    t.tools.Edit9->setCursorPosition(0);
    QTest::keyClick(t.tools.Edit9, Qt::Key_X);
    QCOMPARE(t.tools.Edit9->cursorPosition(), 0);
    // editing goes on from there: Delete takes the digit right of the caret
    QTest::keyClick(t.tools.Edit9, Qt::Key_Delete);
    QCOMPARE(t.tools.Edit9->text(), QStringLiteral("2"));
    QCOMPARE(t.editor.selectionSizePt(), 2.0);
}

void TestToolBox::dotsButtonLeavesTheArrowUncovered()
{
    TToolForm1 tools;
    tools.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tools));
    for (TColorComboBox *box : tools.colourBoxes()) {
        box->setValue(glyphreel::widgets::fromQColor(QColor(12, 34, 56))); // the custom entry
        QWidget *dots = box->dotsButton();
        QVERIFY(dots->isVisible());
        QStyleOptionComboBox opt;
        opt.initFrom(box);
        opt.editable = false;
        opt.frame = true;
        opt.subControls = QStyle::SC_All;
        const QRect arrow = box->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxArrow, box);
        QVERIFY(arrow.isValid());
        QVERIFY2(!dots->geometry().intersects(arrow),
                 qPrintable(QStringLiteral("dots %1..%2, arrow %3..%4")
                                .arg(dots->x()).arg(dots->geometry().right()).arg(arrow.left()).arg(arrow.right())));
        QVERIFY(dots->x() > 0); // inside the box, beside the arrow
        QVERIFY(arrow.left() - dots->geometry().right() <= 3);
    }
}

QTEST_MAIN(TestToolBox)
#include "test_toolbox.moc"
