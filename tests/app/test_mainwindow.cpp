// The main window as it stands at start-up: the menu table, the tool bar,
// the editor, the status bar hints, the dialogs, and the first showing.

#include "app/Application.h"
#include "app/Fonts.h"
#include "app/Makewindow1.h"
#include "app/Startup.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "tools/Toolwindow1.h"

#include <QScreen>
#include <QStackedLayout>
#include <QtTest>

using namespace glyphreel;

namespace {

QKeySequence keys(const char *text)
{
    return QKeySequence(QString::fromLatin1(text), QKeySequence::PortableText);
}

QStringList actionNames(const QList<QAction *> &actions)
{
    QStringList names;
    for (QAction *a : actions)
        names << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    return names;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void menuItems_data();
    void menuItems();
    void menuStructureAndSeparators();
    void viewSwitchesStartInStateOne();
    void toolBar();
    void toolBarGlyphsHaveGreyedForms();
    void editorAndCaptureImage();
    void statusBarShowsHints();
    void dialogComponents();
    void firstShowingPlacesTheWindows();
    void disabledCommandsIgnoreTheirShortcuts();
    void exitClosesTheMainWindow();
};

void TestMainWindow::initTestCase()
{
    app::registerFontSubstitutions();
    app::createForms(*static_cast<GlyphreelApplication *>(qApp));
}

void TestMainWindow::menuItems_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QKeySequence>("shortcut");
    QTest::addColumn<bool>("enabled");
    const auto row = [](const char *name, const char *caption, const char *hint, const char *shortcut, bool enabled) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(caption) << QString::fromUtf8(hint) << keys(shortcut)
                            << enabled;
    };
    row("fa1", "ファイル(&F)", "", "", true);
    row("N1", "新規作成(&N)", "新規作成", "Ctrl+N", true);
    row("N4", "ノーマルテキスト型(&N)", "ノーマルテキスト型", "", true);
    row("R1", "リッチテキスト型<デフォルト>(&R)", "リッチテキスト型", "", true);
    row("Open1", "開く(&O)...", "ファイルを開く", "Ctrl+O", true);
    row("Save2", "保存(&S)", "上書き保存", "Ctrl+S", false);
    row("Save1", "別名で保存(&A)...", "別名で保存", "Ctrl+Alt+S", false);
    row("N26", "インポート(&I)", "インポート", "", false);
    row("BMP1", "BMPイメージ(&I)...", "BMPイメージからのインポート", "", true);
    row("AVI1", "AVIムービー(&M)...", "AVIムービーからのインポート", "", true);
    row("N23", "エクスポート(&E)", "エクスポート", "", false);
    row("N24", "現在のコマ(&O)...", "現在のコマをBMP形式に出力", "", true);
    row("N25", "すべてのコマ(&A)...", "すべてのコマをBMP形式に出力", "", true);
    row("G1", "用紙設定(&G)...", "プリント用紙の設定", "Ctrl+Alt+P", true);
    row("P1", "プリント(&P)", "プリント", "Ctrl+P", false);
    row("N6", "現在のコマ(&O)", "現在のコマをプリントする", "", true);
    row("N15", "すべてのコマ(&A)", "すべてのコマをプリントする", "", true);
    row("Exit1", "終了 (&X)", "アプリケーションの終了", "Ctrl+Q", true);
    row("Edit1", "編集(&E)", "", "", false);
    row("Cancel1", "取り消し(&U)", "取り消し", "Ctrl+Z", true);
    row("N9", "カット(&T)", "カット", "Ctrl+X", true);
    row("Copy1", "コピー(&C)", "コピー", "Ctrl+C", true);
    row("P2", "ペースト(&P)", "ペースト", "Ctrl+V", true);
    row("V1", "消去(&E)", "消去", "", true);
    row("SelectAll1", "すべて選択(&L)", "すべて選択", "Ctrl+A", true);
    row("N20", "一括フォント変換(&F)...", "一括フォント変換", "", true);
    row("N8", "プロジェクト(&P)", "", "", false);
    row("V2", "プレビュー(&V)...", "プレビュー画面を開く", "F9", true);
    row("Show1", "ウィンドウ(&W)", "", "", true);
    row("O1", "ツールボックスを隠す(&T)", "ツールボックスの表示・非表示", "", true);
    row("N7", "色名を英語表記にする(&L)", "色名の日本語・英語表記", "", true);
    row("N14", "ステータスバーを隠す(&B)", "ステータスバーの表示・非表示", "", true);
    row("N19", "編集中に音を鳴らさない(&P)", "音声の再生・非再生", "", true);
    row("Help1", "ヘルプ(&H)", "", "", true);
    row("TEXT1", "ユーザーズガイド(&G)", "ユーザーズガイドを見る", "F1", true);
    row("About1", "ソフトウェア情報(&A)...", "ソフトウェア情報を見る", "", true);
}

void TestMainWindow::menuItems()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, hint);
    QFETCH(QKeySequence, shortcut);
    QFETCH(bool, enabled);
    const QList<QAction *> found = MakeForm1->findChildren<QAction *>(name);
    QCOMPARE(found.size(), 1);
    QAction *item = found.front();
    QCOMPARE(item->text(), caption);
    QCOMPARE(item->statusTip(), hint);
    QCOMPARE(item->shortcut(), shortcut);
    QCOMPARE(item->isEnabled(), enabled);
}

void TestMainWindow::menuStructureAndSeparators()
{
    QCOMPARE(actionNames(MakeForm1->MainMenu1->actions()),
             QStringList({"fa1", "Edit1", "N8", "Show1", "Help1"}));
    QCOMPARE(actionNames(MakeForm1->fa1->menu()->actions()),
             QStringList({"N1", "Open1", "-", "Save2", "Save1", "-", "N26", "N23", "-", "G1", "P1", "-", "Exit1"}));
    QCOMPARE(actionNames(MakeForm1->N1->menu()->actions()), QStringList({"N4", "R1"}));
    QCOMPARE(actionNames(MakeForm1->N26->menu()->actions()), QStringList({"BMP1", "AVI1"}));
    QCOMPARE(actionNames(MakeForm1->N23->menu()->actions()), QStringList({"N24", "N25"}));
    QCOMPARE(actionNames(MakeForm1->P1->menu()->actions()), QStringList({"N6", "N15"}));
    QCOMPARE(actionNames(MakeForm1->Edit1->menu()->actions()),
             QStringList({"Cancel1", "-", "N9", "Copy1", "P2", "V1", "-", "SelectAll1", "-", "N20"}));
    QCOMPARE(actionNames(MakeForm1->N8->menu()->actions()), QStringList({"V2"}));
    QCOMPARE(actionNames(MakeForm1->Show1->menu()->actions()), QStringList({"O1", "N7", "-", "N14", "-", "N19"}));
    QCOMPARE(actionNames(MakeForm1->Help1->menu()->actions()), QStringList({"TEXT1", "-", "About1"}));
}

void TestMainWindow::viewSwitchesStartInStateOne()
{
    for (QAction *item : {MakeForm1->O1, MakeForm1->N7, MakeForm1->N14, MakeForm1->N19})
        QCOMPARE(item->data().toInt(), 1);
}

void TestMainWindow::toolBar()
{
    TMakeForm1 *f = MakeForm1;
    QCOMPARE(f->ToolBar1->height(), 26);
    QCOMPARE(f->ToolBar1->contentsMargins().left(), 8);
    // left to right
    const QList<QWidget *> order{f->Label1, f->Edit2, f->Edit3, f->Bevel1, f->DBNavigator1, f->SpeedButton1, f->SpeedButton2, f->Bevel2, f->SpeedButton3};
    QList<QAction *> widgetActions;
    for (QAction *a : f->ToolBar1->actions())
        if (f->ToolBar1->widgetForAction(a) && !a->isSeparator())
            widgetActions << a;
    QCOMPARE(widgetActions.size(), order.size());
    for (qsizetype i = 0; i < order.size(); ++i)
        QCOMPARE(f->ToolBar1->widgetForAction(widgetActions[i]), order[i]);

    QCOMPARE(f->Label1->text(), QStringLiteral("ｺﾏ№ || 全ｺﾏ数"));
    QCOMPARE(f->Label1->width(), 79);
    QCOMPARE(f->Edit2->text(), QStringLiteral("0"));
    QCOMPARE(f->Edit2->width(), 40);
    QCOMPARE(f->Edit2->toolTip(), QStringLiteral("コマ№"));
    QCOMPARE(f->Edit2->palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(f->Edit3->text(), QStringLiteral("0"));
    QVERIFY(f->Edit3->isReadOnly());
    QVERIFY(!(f->Edit3->focusPolicy() & Qt::TabFocus));
    QCOMPARE(f->Edit3->toolTip(), QStringLiteral("全コマ数"));
    QCOMPARE(f->Edit3->palette().color(QPalette::Base), QColor(0xC0, 0xC0, 0xC0));
    QCOMPARE(f->Bevel1->width(), 4);
    QCOMPARE(f->DBNavigator1->width(), 160);

    using Nav = dbctrls::DBNavigator::Button;
    const std::pair<Nav, const char *> hints[] = {{Nav::First, "最初のコマに移動"}, {Nav::Prior, "前のコマに移動"},
                                                  {Nav::Next, "次のコマに移動"}, {Nav::Last, "最後のコマに移動"}};
    for (const auto &[button, hint] : hints) {
        QCOMPARE(f->DBNavigator1->button(button)->toolTip(), QString::fromUtf8(hint));
        QVERIFY(!f->DBNavigator1->button(button)->isEnabled()); // nothing to move through yet
    }
    QCOMPARE(f->DBNavigator1->findChildren<QToolButton *>().size(), 4);

    const std::tuple<QToolButton *, int, const char *> buttons[] = {
        {f->SpeedButton1, 40, "空コマの追加"}, {f->SpeedButton2, 40, "コマの削除"}, {f->SpeedButton3, 100, "プレビュー画面を開く"}};
    for (const auto &[button, width, hint] : buttons) {
        QCOMPARE(button->width(), width);
        QCOMPARE(button->toolTip(), QString::fromUtf8(hint));
        QCOMPARE(button->statusTip(), QString::fromUtf8(hint));
        QVERIFY(button->autoRaise());
        QVERIFY(!button->isEnabled());
    }
    QCOMPARE(f->SpeedButton3->text(), QStringLiteral("プレビュー"));
    QCOMPARE(f->SpeedButton3->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
}

void TestMainWindow::toolBarGlyphsHaveGreyedForms()
{
    for (QToolButton *b : {MakeForm1->SpeedButton1, MakeForm1->SpeedButton2, MakeForm1->SpeedButton3}) {
        const QImage normal = b->icon().pixmap(16, 16, QIcon::Normal).toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage greyed = b->icon().pixmap(16, 16, QIcon::Disabled).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(normal.size(), QSize(16, 16));
        QVERIFY(normal != greyed);
        // the greyed form has no colour, only greys
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const QColor c = greyed.pixelColor(x, y);
                if (c.alpha() > 0)
                    QVERIFY(qAbs(c.red() - c.green()) < 8 && qAbs(c.green() - c.blue()) < 8);
            }
    }
}

void TestMainWindow::editorAndCaptureImage()
{
    auto *e = MakeForm1->DBRichEdit0;
    QVERIFY(!e->isEnabled());
    QCOMPARE(e->dataField(), QStringLiteral("MEM2"));
    QCOMPARE(e->palette().color(QPalette::Base), QColor(Qt::black));
    QCOMPARE(e->palette().color(QPalette::Text), QColor(Qt::white));
    QCOMPARE(e->font().family(), QStringLiteral("ＭＳ ゴシック"));
    QCOMPARE(e->font().pixelSize(), 4);
    QVERIFY(!e->wordWrap());
    QVERIFY(e->wantTabs());
    QCOMPARE(e->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(e->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    // Image1 shares the editor's place and lies below it.
    QWidget *client = MakeForm1->centralWidget();
    QCOMPARE(MakeForm1->Image1->parentWidget(), client);
    const QObjectList children = client->children();
    QVERIFY(children.indexOf(MakeForm1->Image1) < children.indexOf(e));
    QCOMPARE(MakeForm1->StatusBar1->height(), 19);
}

void TestMainWindow::statusBarShowsHints()
{
    MakeForm1->show();
    QVERIFY(QTest::qWaitForWindowExposed(MakeForm1));
    MakeForm1->Open1->hover();
    QCOMPARE(MakeForm1->StatusBar1->currentMessage(), QStringLiteral("ファイルを開く"));
    MakeForm1->TEXT1->hover();
    QCOMPARE(MakeForm1->StatusBar1->currentMessage(), QStringLiteral("ユーザーズガイドを見る"));
    QTest::mouseMove(MakeForm1->Edit2);
    QTRY_COMPARE(MakeForm1->StatusBar1->currentMessage(), QStringLiteral("コマ№"));
    QTest::mouseMove(MakeForm1->SpeedButton3);
    QTRY_COMPARE(MakeForm1->StatusBar1->currentMessage(), QStringLiteral("プレビュー画面を開く"));
}

void TestMainWindow::dialogComponents()
{
    using dialogs::FileRequest;
    QCOMPARE(MakeForm1->OpenDialog1->mode(), FileRequest::Mode::Open);
    QCOMPARE(MakeForm1->OpenDialog1->title(), QStringLiteral("開く"));
    QCOMPARE(MakeForm1->OpenDialog1->filter(), QStringLiteral("TDファイル (*.td)|*.td"));
    QCOMPARE(MakeForm1->OpenDialog1->defaultExt(), QStringLiteral("TD"));
    QCOMPARE(MakeForm1->SaveDialog1->mode(), FileRequest::Mode::Save);
    QCOMPARE(MakeForm1->SaveDialog1->title(), QStringLiteral("保存"));
    QCOMPARE(MakeForm1->SaveDialog1->filter(), QStringLiteral("TDファイル (*.td)|*.td"));
    QVERIFY(MakeForm1->SaveDialog1->overwritePrompt());
    QCOMPARE(MakeForm1->SavePictureDialog1->title(), QStringLiteral("GIFアニメーションへのエクスポート"));
    QCOMPARE(MakeForm1->SavePictureDialog1->filter(), QStringLiteral("GIFファイル (*.gif)|*.gif"));
    QCOMPARE(MakeForm1->SavePictureDialog1->defaultExt(), QStringLiteral("gif"));
    QVERIFY(!MakeForm1->SavePictureDialog1->overwritePrompt());
}

void TestMainWindow::firstShowingPlacesTheWindows()
{
    // The first showing happened in statusBarShowsHints (or happens now).
    MakeForm1->show();
    const QRect screen = MakeForm1->screen()->geometry();
    QCOMPARE(MakeForm1->pos(), QPoint(screen.width() / 8, screen.height() / 8));
    QVERIFY(ToolForm1->isVisible());
    QCOMPARE(ToolForm1->pos(), MakeForm1->pos() + QPoint(590, 100));
    QCOMPARE(MakeForm1->applicationFolder(), QCoreApplication::applicationDirPath());
    QVERIFY(!MakeForm1->applicationFolder().endsWith(u'/'));
    QCOMPARE(MakeForm1->OpenDialog1->initialDir(), MakeForm1->applicationFolder());
    QCOMPARE(MakeForm1->SaveDialog1->initialDir(), MakeForm1->applicationFolder());

    // On a 1024 x 768 screen: main window at 128, 96 and the tool box at 718, 196.
    MakeForm1->FormShow(QRect(0, 0, 1024, 768));
    QCOMPARE(MakeForm1->pos(), QPoint(128, 96));
    QCOMPARE(ToolForm1->pos(), QPoint(718, 196));
    // odd sizes divide as whole numbers
    MakeForm1->FormShow(QRect(0, 0, 1366, 767));
    QCOMPARE(MakeForm1->pos(), QPoint(170, 95));
    QCOMPARE(ToolForm1->pos(), QPoint(760, 195));
}

void TestMainWindow::disabledCommandsIgnoreTheirShortcuts()
{
    MakeForm1->show();
    MakeForm1->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(MakeForm1));
    TMakeForm1 *f = MakeForm1;
    QSignalSpy save(f->Save2, &QAction::triggered), saveAs(f->Save1, &QAction::triggered), preview(f->V2, &QAction::triggered),
        selectAll(f->SelectAll1, &QAction::triggered), undo(f->Cancel1, &QAction::triggered), copy(f->Copy1, &QAction::triggered),
        open(f->Open1, &QAction::triggered);
    QTest::keyClick(f, Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(f, Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(f, Qt::Key_F9);
    QTest::keyClick(f, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(f, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(f, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(save.count(), 0);
    QCOMPARE(saveAs.count(), 0);
    QCOMPARE(preview.count(), 0);
    QCOMPARE(selectAll.count(), 0);
    QCOMPARE(undo.count(), 0);
    QCOMPARE(copy.count(), 0);
    // an enabled item's shortcut does work: Open asks for a file
    auto scripted = std::make_unique<dialogs::ScriptedDialogService>();
    dialogs::ScriptedDialogService *s = scripted.get();
    dialogs::ScopedDialogService scope(std::move(scripted));
    s->answerFile(std::nullopt);
    QTest::keyClick(f, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(open.count(), 1);
    QCOMPARE(s->asked().size(), std::size_t(1));
    QCOMPARE(s->asked()[0].file.title, QStringLiteral("開く"));
}

void TestMainWindow::exitClosesTheMainWindow()
{
    MakeForm1->show();
    QVERIFY(MakeForm1->isVisible());
    MakeForm1->Exit1->trigger();
    QVERIFY(!MakeForm1->isVisible());
}

int main(int argc, char **argv)
{
    GlyphreelApplication application(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_mainwindow.moc"
