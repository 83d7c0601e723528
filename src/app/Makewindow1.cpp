#include "app/Makewindow1.h"

#include "app/AppFolder.h"
#include "app/Fonts.h"
#include "app/Glyphs.h"
#include "import/Aviwindow1.h"
#include "import/Bmpwindow1.h"
#include "platform/dialogs/Commands.h"
#include "tools/Fontwindow1.h"
#include "output/Previewwindow1.h"
#include "tools/Toolwindow1.h"
#include "widgets/WindowLook.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStackedLayout>
#include <QTimer>

TMakeForm1 *MakeForm1 = nullptr;

using glyphreel::dialogs::FileDialog;
using glyphreel::dialogs::FileRequest;
using glyphreel::widgets::setHint;
using glyphreel::widgets::uiFont;

namespace {

const QColor kSilver(0xC0, 0xC0, 0xC0);

// Silver surfaces; disabled text grey, as the platform draws it.
QPalette silverPalette()
{
    QPalette pal(kSilver, kSilver);
    const QColor grey(128, 128, 128);
    for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        pal.setColor(QPalette::Disabled, role, grey);
    pal.setColor(QPalette::Disabled, QPalette::Light, Qt::white);
    return pal;
}

QFrame *sunkenBevel(QWidget *parent, const char16_t *name)
{
    auto *bevel = new QFrame(parent);
    bevel->setObjectName(QString::fromUtf16(name));
    bevel->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    bevel->setFixedSize(4, 20);
    return bevel;
}

} // namespace

TMakeForm1::TMakeForm1(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MakeForm1"));
    setWindowTitle(QStringLiteral("Glyphreel"));
    resize(800, 600);
    setFont(uiFont(12));
    setPalette(silverPalette());

    createMenus();
    createToolBar();
    createEditor();

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(19);
    setStatusBar(StatusBar1);
    StatusMessage1 = new QLabel(StatusBar1);
    StatusMessage1->setObjectName(QStringLiteral("StatusMessage1"));
    StatusBar1->addWidget(StatusMessage1, 1);
    ZoomBox1 = new QSpinBox(StatusBar1);
    ZoomBox1->setObjectName(QStringLiteral("ZoomBox1"));
    ZoomBox1->setRange(glyphreel::richedit::RichEdit::kMinZoom, glyphreel::richedit::RichEdit::kMaxZoom);
    ZoomBox1->setSingleStep(25);
    ZoomBox1->setSuffix(QStringLiteral("%"));
    ZoomBox1->setValue(100);
    ZoomBox1->setToolTip(QStringLiteral("表示倍率 (Ctrl + ホイール、Ctrl++、Ctrl+-、Ctrl+0)"));
    ZoomBox1->setStatusTip(QStringLiteral("編集画面の表示倍率: 保存される文字の大きさは変わりません"));
    ZoomBox1->setFixedHeight(17);
    ZoomBox1->setKeyboardTracking(false);
    StatusBar1->addPermanentWidget(ZoomBox1);
    connect(ZoomBox1, &QSpinBox::valueChanged, DBRichEdit0, &glyphreel::richedit::RichEdit::setZoom);
    connect(DBRichEdit0, &glyphreel::richedit::RichEdit::zoomChanged, this, [this](int percent) {
        const QSignalBlocker quiet(ZoomBox1);
        ZoomBox1->setValue(percent);
        rememberZoom(percent);
    });

    const QString projectFilter = QStringLiteral("TDファイル (*.td)|*.td");
    OpenDialog1 = fileDialog(FileRequest::Mode::Open, u"OpenDialog1", QStringLiteral("開く"), projectFilter,
                             QStringLiteral("TD"), false);
    SaveDialog1 = fileDialog(FileRequest::Mode::Save, u"SaveDialog1", QStringLiteral("保存"), projectFilter,
                             QStringLiteral("TD"), true);
    // Choosing an existing picture file asks nothing.
    SavePictureDialog1 = fileDialog(FileRequest::Mode::Save, u"SavePictureDialog1",
                                    QStringLiteral("GIFアニメーションへのエクスポート"),
                                    QStringLiteral("GIFファイル (*.gif)|*.gif"), QStringLiteral("gif"), false);

    IkCommon1 = new glyphreel::imagekit::TVIkCommon(this);
    IkCommon1->setObjectName(QStringLiteral("IkCommon1"));
    IkFile1 = new glyphreel::imagekit::TVIkFile(this);
    IkFile1->setObjectName(QStringLiteral("IkFile1"));
    IkFile1->FileExt = QStringLiteral("GIF");
    IkFile1->GifAnime = true;
    IkFile1->Preview = true;

    // Every menu item shows its hint in the status bar while it is under
    // the pointer; tool bar controls do the same through their status tips.
    for (QAction *item : MainMenu1->findChildren<QAction *>())
        if (!item->statusTip().isEmpty())
            connect(item, &QAction::hovered, this, [this, item] { StatusBar1->showMessage(item->statusTip()); });

    project_ = new glyphreel::project::Project(this);
    project_->setSoundEnabled(true);
    project_->addView(this);
    Query1 = &project_->query();
    DataSource1 = &project_->dataSource();
    connect(project_, &glyphreel::project::Project::textTypeChanged, this, &TMakeForm1::setEditorMode);
    connect(project_, &glyphreel::project::Project::pathChanged, this,
            [this](const QString &path) {
                setWindowTitle(QStringLiteral("Glyphreel - ") + path);
                // Another project: its own zoom. The same one under a new
                // name: the zoom goes with it.
                if (zoomFollowsProject_)
                    restoreZoom();
                else
                    rememberZoom(DBRichEdit0->zoom());
                zoomFollowsProject_ = false;
            });
    connect(project_, &glyphreel::project::Project::soundOutputMissing, this, &TMakeForm1::tellNoSoundOutput,
            Qt::QueuedConnection);
    Query1->afterOpen = [this] { Query1AfterOpen(); };
    Query1->afterScroll = [this] { Query1AfterScroll(); };
    DBRichEdit0->setDataSource(DataSource1);
    DBNavigator1->setDataSource(DataSource1);

    using glyphreel::dialogs::connectCommand;
    connectCommand(Exit1, &QAction::triggered, this, &TMakeForm1::Exit1Click);
    connectCommand(N4, &QAction::triggered, this, &TMakeForm1::N4Click);
    connectCommand(R1, &QAction::triggered, this, &TMakeForm1::R1Click);
    connectCommand(Open1, &QAction::triggered, this, &TMakeForm1::Open1Click);
    connectCommand(Save2, &QAction::triggered, this, &TMakeForm1::Save2Click);
    connectCommand(Save1, &QAction::triggered, this, [](TMakeForm1 *f) { f->Save1Click(); });
    connectCommand(Edit2, &QLineEdit::returnPressed, this, &TMakeForm1::Edit2KeyPress);
    connectCommand(SpeedButton1, &QToolButton::clicked, this, &TMakeForm1::SpeedButton1Click);
    connectCommand(SpeedButton2, &QToolButton::clicked, this, &TMakeForm1::SpeedButton2Click);
    connectCommand(SpeedButton3, &QToolButton::clicked, this, &TMakeForm1::SpeedButton3Click);
    connectCommand(V2, &QAction::triggered, this, &TMakeForm1::SpeedButton3Click);
    connectCommand(N20, &QAction::triggered, this, &TMakeForm1::N20Click);
    connectCommand(BMP1, &QAction::triggered, this, &TMakeForm1::BMP1Click);
    connectCommand(AVI1, &QAction::triggered, this, &TMakeForm1::AVI1Click);
    connectCommand(N19, &QAction::triggered, this, &TMakeForm1::N19Click);
    connectCommand(O1, &QAction::triggered, this, &TMakeForm1::O1Click);
    connectCommand(N7, &QAction::triggered, this, &TMakeForm1::N7Click);
    connectCommand(N14, &QAction::triggered, this, &TMakeForm1::N14Click);
    connectCommand(TEXT1, &QAction::triggered, this, &TMakeForm1::TEXT1Click);
    connectCommand(About1, &QAction::triggered, this, &TMakeForm1::About1Click);
    connectCommand(G1, &QAction::triggered, this, &TMakeForm1::G1Click);
    connectCommand(N6, &QAction::triggered, this, &TMakeForm1::N6Click);
    connectCommand(N15, &QAction::triggered, this, &TMakeForm1::N15Click);
    connectCommand(N24, &QAction::triggered, this, &TMakeForm1::N24Click);
    connectCommand(N25, &QAction::triggered, this, &TMakeForm1::N25Click);
    connectCommand(DBRichEdit0, &QTextEdit::selectionChanged, this, &TMakeForm1::DBRichEdit0SelectionChange);
    connectCommand(DBRichEdit0, &QTextEdit::cursorPositionChanged, this, &TMakeForm1::DBRichEdit0SelectionChange);
    connectCommand(Cancel1, &QAction::triggered, this, &TMakeForm1::Cancel1Click);
    connectCommand(N9, &QAction::triggered, this, &TMakeForm1::N9Click);
    connectCommand(Copy1, &QAction::triggered, this, &TMakeForm1::Copy1Click);
    connectCommand(P2, &QAction::triggered, this, &TMakeForm1::P2Click);
    connectCommand(V1, &QAction::triggered, this, &TMakeForm1::V1Click);
    connectCommand(SelectAll1, &QAction::triggered, this, &TMakeForm1::SelectAll1Click);
}

TMakeForm1::~TMakeForm1()
{
    // No more feedback into the other windows while the editor goes.
    DBRichEdit0->disconnect(this);
    // The editor and the navigator leave the source before it goes.
    DBRichEdit0->setDataSource(nullptr);
    DBNavigator1->setDataSource(nullptr);
    Query1->afterOpen = nullptr;
    Query1->afterScroll = nullptr;
}

FileDialog *TMakeForm1::fileDialog(FileRequest::Mode mode, const char16_t *objectName, const QString &title,
                                   const QString &filter, const QString &defaultExt, bool overwritePrompt)
{
    auto *dialog = new FileDialog(mode, this);
    dialog->setObjectName(QString::fromUtf16(objectName));
    dialog->setTitle(title);
    dialog->setFilter(filter);
    dialog->setDefaultExt(defaultExt);
    dialog->setOverwritePrompt(overwritePrompt);
    return dialog;
}

QAction *TMakeForm1::addItem(QMenu *menu, const char16_t *objectName, const QString &caption, const QString &hint,
                             const QKeySequence &shortcut)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromUtf16(objectName));
    action->setStatusTip(hint);
    action->setShortcut(shortcut);
    return action;
}

QAction *TMakeForm1::addMenu(QMenu *parentMenu, const char16_t *objectName, const QString &caption,
                             const QString &hint, const QKeySequence &shortcut)
{
    QMenu *menu = parentMenu ? parentMenu->addMenu(caption) : MainMenu1->addMenu(caption);
    menu->setObjectName(QString::fromUtf16(objectName) + QStringLiteral("Menu"));
    QAction *action = menu->menuAction();
    action->setObjectName(QString::fromUtf16(objectName));
    action->setStatusTip(hint);
    // A shortcut on a menu item that opens a submenu starts no command.
    action->setShortcut(shortcut);
    return action;
}

void TMakeForm1::createMenus()
{
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    const QKeySequence ctrl_alt_s(Qt::CTRL | Qt::ALT | Qt::Key_S);
    const QKeySequence ctrl_alt_p(Qt::CTRL | Qt::ALT | Qt::Key_P);

    fa1 = addMenu(nullptr, u"fa1", QStringLiteral("ファイル(&F)"), {});
    QMenu *file = fa1->menu();
    N1 = addMenu(file, u"N1", QStringLiteral("新規作成(&N)"), QStringLiteral("新規作成"), QKeySequence(Qt::CTRL | Qt::Key_N));
    N4 = addItem(N1->menu(), u"N4", QStringLiteral("ノーマルテキスト型(&N)"), QStringLiteral("ノーマルテキスト型"));
    R1 = addItem(N1->menu(), u"R1", QStringLiteral("リッチテキスト型<デフォルト>(&R)"), QStringLiteral("リッチテキスト型"));
    Open1 = addItem(file, u"Open1", QStringLiteral("開く(&O)..."), QStringLiteral("ファイルを開く"), QKeySequence(Qt::CTRL | Qt::Key_O));
    file->addSeparator();
    Save2 = addItem(file, u"Save2", QStringLiteral("保存(&S)"), QStringLiteral("上書き保存"), QKeySequence(Qt::CTRL | Qt::Key_S));
    Save1 = addItem(file, u"Save1", QStringLiteral("別名で保存(&A)..."), QStringLiteral("別名で保存"), ctrl_alt_s);
    file->addSeparator();
    N26 = addMenu(file, u"N26", QStringLiteral("インポート(&I)"), QStringLiteral("インポート"));
    BMP1 = addItem(N26->menu(), u"BMP1", QStringLiteral("BMPイメージ(&I)..."), QStringLiteral("BMPイメージからのインポート"));
    AVI1 = addItem(N26->menu(), u"AVI1", QStringLiteral("AVIムービー(&M)..."), QStringLiteral("AVIムービーからのインポート"));
    N23 = addMenu(file, u"N23", QStringLiteral("エクスポート(&E)"), QStringLiteral("エクスポート"));
    N24 = addItem(N23->menu(), u"N24", QStringLiteral("現在のコマ(&O)..."), QStringLiteral("現在のコマをBMP形式に出力"));
    N25 = addItem(N23->menu(), u"N25", QStringLiteral("すべてのコマ(&A)..."), QStringLiteral("すべてのコマをBMP形式に出力"));
    file->addSeparator();
    G1 = addItem(file, u"G1", QStringLiteral("用紙設定(&G)..."), QStringLiteral("プリント用紙の設定"), ctrl_alt_p);
    P1 = addMenu(file, u"P1", QStringLiteral("プリント(&P)"), QStringLiteral("プリント"), QKeySequence(Qt::CTRL | Qt::Key_P));
    N6 = addItem(P1->menu(), u"N6", QStringLiteral("現在のコマ(&O)"), QStringLiteral("現在のコマをプリントする"));
    N15 = addItem(P1->menu(), u"N15", QStringLiteral("すべてのコマ(&A)"), QStringLiteral("すべてのコマをプリントする"));
    file->addSeparator();
    Exit1 = addItem(file, u"Exit1", QStringLiteral("終了 (&X)"), QStringLiteral("アプリケーションの終了"), QKeySequence(Qt::CTRL | Qt::Key_Q));

    Edit1 = addMenu(nullptr, u"Edit1", QStringLiteral("編集(&E)"), {});
    QMenu *edit = Edit1->menu();
    Cancel1 = addItem(edit, u"Cancel1", QStringLiteral("取り消し(&U)"), QStringLiteral("取り消し"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    edit->addSeparator();
    N9 = addItem(edit, u"N9", QStringLiteral("カット(&T)"), QStringLiteral("カット"), QKeySequence(Qt::CTRL | Qt::Key_X));
    Copy1 = addItem(edit, u"Copy1", QStringLiteral("コピー(&C)"), QStringLiteral("コピー"), QKeySequence(Qt::CTRL | Qt::Key_C));
    P2 = addItem(edit, u"P2", QStringLiteral("ペースト(&P)"), QStringLiteral("ペースト"), QKeySequence(Qt::CTRL | Qt::Key_V));
    V1 = addItem(edit, u"V1", QStringLiteral("消去(&E)"), QStringLiteral("消去"));
    edit->addSeparator();
    SelectAll1 = addItem(edit, u"SelectAll1", QStringLiteral("すべて選択(&L)"), QStringLiteral("すべて選択"), QKeySequence(Qt::CTRL | Qt::Key_A));
    edit->addSeparator();
    N20 = addItem(edit, u"N20", QStringLiteral("一括フォント変換(&F)..."), QStringLiteral("一括フォント変換"));

    N8 = addMenu(nullptr, u"N8", QStringLiteral("プロジェクト(&P)"), {});
    V2 = addItem(N8->menu(), u"V2", QStringLiteral("プレビュー(&V)..."), QStringLiteral("プレビュー画面を開く"), QKeySequence(Qt::Key_F9));

    Show1 = addMenu(nullptr, u"Show1", QStringLiteral("ウィンドウ(&W)"), {});
    QMenu *window = Show1->menu();
    O1 = addItem(window, u"O1", QStringLiteral("ツールボックスを隠す(&T)"), QStringLiteral("ツールボックスの表示・非表示"));
    N7 = addItem(window, u"N7", QStringLiteral("色名を英語表記にする(&L)"), QStringLiteral("色名の日本語・英語表記"));
    window->addSeparator();
    N14 = addItem(window, u"N14", QStringLiteral("ステータスバーを隠す(&B)"), QStringLiteral("ステータスバーの表示・非表示"));
    window->addSeparator();
    N19 = addItem(window, u"N19", QStringLiteral("編集中に音を鳴らさない(&P)"), QStringLiteral("音声の再生・非再生"));
    // A view switch keeps its state in its item: 1 at start-up.
    for (QAction *sw : {O1, N7, N14, N19})
        sw->setData(1);

    Help1 = addMenu(nullptr, u"Help1", QStringLiteral("ヘルプ(&H)"), {});
    TEXT1 = addItem(Help1->menu(), u"TEXT1", QStringLiteral("ユーザーズガイド(&G)"), QStringLiteral("ユーザーズガイドを見る"), QKeySequence(Qt::Key_F1));
    Help1->menu()->addSeparator();
    About1 = addItem(Help1->menu(), u"About1", QStringLiteral("ソフトウェア情報(&A)..."), QStringLiteral("ソフトウェア情報を見る"));

    // What needs a project waits for the first one to open.
    for (QAction *needsProject : {Save2, Save1, N26, N23, P1, Edit1, N8})
        needsProject->setEnabled(false);
}

void TMakeForm1::createToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setFixedHeight(26);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setContentsMargins(8, 0, 0, 0);
    ToolBar1->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    Label1 = new QLabel(QStringLiteral("ｺﾏ№ || 全ｺﾏ数"), ToolBar1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFixedSize(79, 20);
    ToolBar1->addWidget(Label1);

    Edit2 = new QLineEdit(QStringLiteral("0"), ToolBar1);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setFixedSize(40, 20);
    Edit2->setFont(uiFont(12));
    {
        QPalette pal = Edit2->palette();
        pal.setColor(QPalette::Base, Qt::white);
        pal.setColor(QPalette::Text, Qt::black);
        Edit2->setPalette(pal);
    }
    setHint(Edit2, QStringLiteral("コマ№"));
    ToolBar1->addWidget(Edit2);

    Edit3 = new QLineEdit(QStringLiteral("0"), ToolBar1);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    Edit3->setFixedSize(40, 20);
    Edit3->setReadOnly(true);
    Edit3->setFocusPolicy(Qt::ClickFocus); // skipped by the Tab key
    {
        QPalette pal = Edit3->palette();
        pal.setColor(QPalette::Base, kSilver);
        Edit3->setPalette(pal);
    }
    setHint(Edit3, QStringLiteral("全コマ数"));
    ToolBar1->addWidget(Edit3);

    ToolBar1->addSeparator();
    Bevel1 = sunkenBevel(ToolBar1, u"Bevel1");
    ToolBar1->addWidget(Bevel1);

    DBNavigator1 = new glyphreel::dbctrls::DBNavigator(ToolBar1);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setFixedSize(160, 20);
    DBNavigator1->setFlat(true);
    DBNavigator1->setHints(QStringLiteral("最初のコマに移動"), QStringLiteral("前のコマに移動"),
                           QStringLiteral("次のコマに移動"), QStringLiteral("最後のコマに移動"));
    ToolBar1->addWidget(DBNavigator1);

    auto speedButton = [this](const char16_t *name, glyphreel::app::Glyph glyph, int width, const QString &hint) {
        auto *b = new QToolButton(ToolBar1);
        b->setObjectName(QString::fromUtf16(name));
        b->setAutoRaise(true);
        b->setIcon(glyphreel::app::glyphIcon(glyph));
        b->setIconSize(QSize(16, 16));
        b->setFixedSize(width, 20);
        setHint(b, hint);
        b->setEnabled(false);
        ToolBar1->addWidget(b);
        return b;
    };
    SpeedButton1 = speedButton(u"SpeedButton1", glyphreel::app::Glyph::AddFrame, 40, QStringLiteral("空コマの追加"));
    SpeedButton2 = speedButton(u"SpeedButton2", glyphreel::app::Glyph::DeleteFrame, 40, QStringLiteral("コマの削除"));
    ToolBar1->addSeparator();
    Bevel2 = sunkenBevel(ToolBar1, u"Bevel2");
    ToolBar1->addWidget(Bevel2);
    ToolBar1->addSeparator();
    SpeedButton3 = speedButton(u"SpeedButton3", glyphreel::app::Glyph::Preview, 100, QStringLiteral("プレビュー画面を開く"));
    SpeedButton3->setText(QStringLiteral("プレビュー"));
    SpeedButton3->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    SpeedButton3->setFont(uiFont(12));
}

void TMakeForm1::createEditor()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    auto *stack = new QStackedLayout(client);
    stack->setStackingMode(QStackedLayout::StackAll);
    stack->setContentsMargins(0, 0, 0, 0);

    DBRichEdit0 = new glyphreel::dbctrls::DBRichEdit(client);
    DBRichEdit0->setObjectName(QStringLiteral("DBRichEdit0"));
    DBRichEdit0->setDataField(QStringLiteral("MEM2"));
    DBRichEdit0->setWordWrap(false);
    DBRichEdit0->setWantTabs(true);
    DBRichEdit0->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DBRichEdit0->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont art(QStringLiteral("ＭＳ ゴシック"));
    art.setPixelSize(4);
    DBRichEdit0->setFont(art);
    DBRichEdit0->setColors(Qt::white, Qt::black);
    DBRichEdit0->setEnabled(false);

    Image1 = new QLabel(client);
    Image1->setObjectName(QStringLiteral("Image1"));

    // Image1 lies behind the editor, covered by it.
    stack->addWidget(Image1);
    stack->addWidget(DBRichEdit0);
    stack->setCurrentWidget(DBRichEdit0);
    DBRichEdit0->raise();
    setCentralWidget(client);
}

void TMakeForm1::attachWindows()
{
    if (PreviewForm1) {
        PreviewForm1->setProject(project_);
        PreviewForm1->setMainView(DBRichEdit0);
    }
    if (FontForm1)
        FontForm1->setEditor(Query1, DBRichEdit0);
    if (ToolForm1) {
        ToolForm1->setEditors(DBRichEdit0, PreviewForm1 ? PreviewForm1->DBRichEdit1 : nullptr);
        ToolForm1->setProject(project_);
        attachToolBox();
    }
    const glyphreel::import::ImportTarget target{Query1, DBRichEdit0, [this] { return applicationFolder_; }};
    if (BMPForm1)
        BMPForm1->attach(target);
    if (AVIForm1)
        AVIForm1->attach(target);
}

void TMakeForm1::BMP1Click()
{
    if (BMPForm1)
        BMPForm1->exec();
}

void TMakeForm1::AVI1Click()
{
    if (AVIForm1)
        AVIForm1->exec();
}

void TMakeForm1::FormShow(const QRect &screen)
{
    const QPoint topLeft(screen.x() + screen.width() / 8, screen.y() + screen.height() / 8);
    // Moved before the native windows exist, the positions count the frame,
    // title bar included, whatever size the window manager gives it.
    move(topLeft);
    if (ToolForm1) {
        ToolForm1->move(topLeft + QPoint(590, 100));
        ToolForm1->show();
    }
    applicationFolder_ = glyphreel::app::applicationFolder();
    OpenDialog1->setInitialDir(applicationFolder_);
    SaveDialog1->setInitialDir(applicationFolder_);
    // Once the window is on screen, while the user looks for a project.
    QTimer::singleShot(0, this, [this] { glyphreel::app::warmUpArtFont(DBRichEdit0->font()); });
}

void TMakeForm1::setVisible(bool visible)
{
    // The first showing places the windows before they are mapped.
    if (visible && !shown_) {
        shown_ = true;
        const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
        FormShow(s ? s->geometry() : QRect(0, 0, 1024, 768));
    }
    QMainWindow::setVisible(visible);
}

void TMakeForm1::Exit1Click()
{
    close();
}

void TMakeForm1::closeEvent(QCloseEvent *event)
{
    // An error inside the question (a frame that cannot be stored, a save
    // that fails) keeps the window and the work.
    bool canClose = false;
    glyphreel::dialogs::runGuarded([&] { canClose = FormCloseQuery(); });
    if (!canClose) {
        event->ignore();
        return;
    }
    event->accept();
    // Closing the main window ends the application.
    QCoreApplication::quit();
}
