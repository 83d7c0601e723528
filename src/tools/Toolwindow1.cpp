#include "tools/Toolwindow1.h"

#include "platform/dialogs/Commands.h"
#include "tools/ToolGlyphs.h"
#include "tools/ToolLook.h"
#include "widgets/WindowLook.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTabBar>
#include <QVBoxLayout>

TToolForm1 *ToolForm1 = nullptr;

using glyphreel::tools::ToolGlyph;
using glyphreel::widgets::ColorValue;
using glyphreel::widgets::setHint;
using glyphreel::widgets::uiFont;
using glyphreel::tools::colourBox;
using glyphreel::tools::groupLabel;
using glyphreel::tools::groupPanel;

namespace {

// Page tabs that light up under the mouse, so that the other page reads as
// a place to go; the style alone does not mark the tab under the mouse.
class HoverTabBar : public QTabBar {
public:
    explicit HoverTabBar(QWidget *parent = nullptr) : QTabBar(parent) { setMouseTracking(true); }

protected:
    void mouseMoveEvent(QMouseEvent *event) override
    {
        setHovered(tabAt(event->position().toPoint()));
        QTabBar::mouseMoveEvent(event);
    }
    void leaveEvent(QEvent *event) override
    {
        setHovered(-1);
        QTabBar::leaveEvent(event);
    }
    void paintEvent(QPaintEvent *event) override
    {
        QTabBar::paintEvent(event);
        if (hovered_ < 0 || hovered_ >= count())
            return;
        QPainter p(this);
        QColor light = palette().color(QPalette::Highlight);
        light.setAlpha(56);
        p.fillRect(tabRect(hovered_).adjusted(2, 2, -2, -1), light);
    }

private:
    void setHovered(int tab)
    {
        if (hovered_ == tab)
            return;
        hovered_ = tab;
        update();
    }
    int hovered_ = -1;
};

class PageControl : public QTabWidget {
public:
    explicit PageControl(QWidget *parent) : QTabWidget(parent) { setTabBar(new HoverTabBar(this)); }
};

// The colour a box stands for: its default entry gives its default colour.
QColor boxColour(const TColorComboBox *box)
{
    ColorValue v = box->Value();
    if (v == TColorComboBox::kDefaultMarker)
        v = box->DefaultColor();
    return glyphreel::widgets::toQColor(v);
}

} // namespace

TToolForm1::TToolForm1(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("ToolForm1"));
    setWindowTitle(QStringLiteral("ツールボックス"));
    setFixedSize(192, 345);
    setFont(uiFont(12));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(pal);
    setAutoFillBackground(true);

    PageControl1 = new PageControl(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(0, 0, 192, 345);
    PageControl1->setDocumentMode(true);
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    PageControl1->addTab(TabSheet1, QStringLiteral("エディット"));
    PageControl1->addTab(TabSheet2, QStringLiteral("サウンド"));
    PageControl1->setCurrentWidget(TabSheet1);

    buildEditPage();

    buildSoundPage();
    Edit1 = trackFields[0];
    Edit2 = trackFields[1];
    Edit3 = trackFields[2];
    Edit4 = trackFields[3];
    Edit5 = trackFields[4];
    Edit6 = trackFields[5];
    setProject(nullptr);
}

void TToolForm1::buildEditPage()
{
    using glyphreel::dialogs::connectCommand;

    GradBox1 = new TGradBox(TabSheet1);
    GradBox1->setObjectName(QStringLiteral("GradBox1"));
    auto *fill = new QVBoxLayout(TabSheet1);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(GradBox1);
    GradBox1->setTopColor(0x00616161);
    GradBox1->setLastColor(0x00C0C0C0);
    GradBox1->setOutLineColor(0x000080FF);
    GradBox1->setDrawOutLine(true);
    GradBox1->setGradStyle(gsRightLeft);

    // Clipboard.
    ShadowLabel1 = groupLabel(GradBox1, u"ShadowLabel1", QStringLiteral("クリップボード"), QRect(6, 3, 120, 14));
    Panel1 = groupPanel(GradBox1, u"Panel1", QRect(4, 17, 184, 28));
    auto pictureButton = [this](QWidget *parent, const char16_t *name, ToolGlyph glyph, const QString &hint, int x, int y) {
        auto *b = new QToolButton(parent);
        b->setObjectName(QString::fromUtf16(name));
        b->setIcon(glyphreel::tools::toolGlyphIcon(glyph));
        b->setIconSize(QSize(16, 16));
        b->setGeometry(x, y, 24, 22);
        setHint(b, hint);
        return b;
    };
    EditBtn11 = pictureButton(Panel1, u"EditBtn11", ToolGlyph::Cut, QStringLiteral("カット"), 3, 3);
    EditBtn10 = pictureButton(Panel1, u"EditBtn10", ToolGlyph::Copy, QStringLiteral("コピー"), 28, 3);
    EditBtn12 = pictureButton(Panel1, u"EditBtn12", ToolGlyph::Paste, QStringLiteral("ペースト"), 53, 3);
    BitBtn1 = pictureButton(Panel1, u"BitBtn1", ToolGlyph::Erase, QStringLiteral("消去"), 78, 3);
    connectCommand(EditBtn11, &QToolButton::clicked, this, &TToolForm1::EditBtn11Click);
    connectCommand(EditBtn10, &QToolButton::clicked, this, &TToolForm1::EditBtn10Click);
    connectCommand(EditBtn12, &QToolButton::clicked, this, &TToolForm1::EditBtn12Click);
    connectCommand(BitBtn1, &QToolButton::clicked, this, &TToolForm1::BitBtn1Click);

    // Font: size, name, style.
    ShadowLabel2 = groupLabel(GradBox1, u"ShadowLabel2", QStringLiteral("フォント"), QRect(6, 47, 120, 14));
    Panel2 = groupPanel(GradBox1, u"Panel2", QRect(4, 61, 184, 50));
    UpDown1 = new NumericBox(1, 99, 4, Panel2);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setGeometry(3, 4, 35, 20);
    Edit9 = UpDown1->edit();
    Edit9->setObjectName(QStringLiteral("Edit9"));
    setHint(UpDown1, QStringLiteral("文字サイズ"));
    setHint(Edit9, QStringLiteral("文字サイズ"));
    UpDown1->upButton()->setFocusPolicy(Qt::TabFocus);
    connectCommand(UpDown1, &NumericBox::changed, this, &TToolForm1::Edit9Change);
    connectCommand(UpDown1, &NumericBox::arrowClicked, this, &TToolForm1::UpDown1Click);

    FontNameComboBox1 = glyphreel::tools::fontBox(Panel2, 140);
    connectCommand(FontNameComboBox1, &TFontNameComboBox::OnChange, this, &TToolForm1::FontNameComboBox1Change);

    const auto styles = glyphreel::tools::styleButtons(Panel2, 44, 45);
    SpeedButton1 = styles[0];
    SpeedButton2 = styles[1];
    SpeedButton20 = styles[2];
    SpeedButton21 = styles[3];
    connectCommand(SpeedButton1, &QToolButton::clicked, this, &TToolForm1::SpeedButton1Click);
    connectCommand(SpeedButton2, &QToolButton::clicked, this, &TToolForm1::SpeedButton2Click);
    connectCommand(SpeedButton20, &QToolButton::clicked, this, &TToolForm1::SpeedButton20Click);
    connectCommand(SpeedButton21, &QToolButton::clicked, this, &TToolForm1::SpeedButton21Click);

    // Brushes and the background colour.
    ShadowLabel3 = groupLabel(GradBox1, u"ShadowLabel3", QStringLiteral("文字・背景カラー"), QRect(6, 113, 150, 14));
    Panel3 = groupPanel(GradBox1, u"Panel3", QRect(4, 127, 184, 190));
    static constexpr std::array<ColorValue, 8> kBrushColours{0x00FFFFFF, 0x000000FF, 0x0000FFFF, 0x00008000,
                                                             0x00FFFF00, 0x00FF0000, 0x00FF00FF, 0x00000000};
    static constexpr std::array<int, 8> kButtonNumbers{3, 4, 5, 6, 8, 9, 10, 11};
    const QString digits = QStringLiteral("１２３４５６７８");
    for (int i = 0; i < 8; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const int y = 3 + 19 * i;
        auto *b = new QToolButton(Panel3);
        b->setObjectName(QStringLiteral("SpeedButton%1").arg(kButtonNumbers[k]));
        b->setIcon(glyphreel::tools::toolGlyphIcon(ToolGlyph::Brush));
        b->setIconSize(QSize(16, 16));
        b->setGeometry(3, y, 24, 18);
        setHint(b, QStringLiteral("ブラシ") + digits[i]);
        brushButtons[k] = b;
        brushColors[k] = colourBox(Panel3, QStringLiteral("ColorComboBox%1").arg(i + 1), kBrushColours[k],
                                   QStringLiteral("ブラシカラー") + digits[i], QRect(30, y, 151, 18));
        connectCommand(b, &QToolButton::clicked, this, [i](TToolForm1 *f) { f->brushClick(i); });
    }
    ColorComboBox1 = brushColors[0];
    ColorComboBox2 = brushColors[1];
    ColorComboBox3 = brushColors[2];
    ColorComboBox4 = brushColors[3];
    ColorComboBox5 = brushColors[4];
    ColorComboBox6 = brushColors[5];
    ColorComboBox7 = brushColors[6];
    ColorComboBox8 = brushColors[7];

    ShadowLabel4 = groupLabel(Panel3, u"ShadowLabel4", QStringLiteral("背景色"), QRect(4, 155, 80, 14));
    ColorComboBox9 = colourBox(Panel3, QStringLiteral("ColorComboBox9"), 0x00000000, QStringLiteral("背景色"),
                               QRect(30, 169, 151, 18));
    connectCommand(ColorComboBox9, &TColorComboBox::Change, this, &TToolForm1::ColorComboBox9Change);
}

void TToolForm1::buildSoundPage()
{
    using glyphreel::dialogs::connectCommand;

    GradBox2 = new TGradBox(TabSheet2);
    GradBox2->setObjectName(QStringLiteral("GradBox2"));
    GradBox2->setTopColor(0x00616161);
    GradBox2->setLastColor(0x00C0C0C0);
    GradBox2->setOutLineColor(0x000080FF);
    GradBox2->setDrawOutLine(true);
    GradBox2->setGradStyle(gsRightLeft);
    auto *fill = new QVBoxLayout(TabSheet2);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(GradBox2);

    ShadowLabel5 = groupLabel(GradBox2, u"ShadowLabel5", QStringLiteral("サウンド設定"), QRect(6, 3, 120, 14));
    Panel4 = groupPanel(GradBox2, u"Panel4", QRect(4, 17, 184, 6 * 40 + 6));
    for (int i = 0; i < 6; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const int n = i + 1;
        const int y = 4 + 40 * i;
        auto *cue = new glyphreel::dbctrls::DBCheckBox(Panel4);
        cue->setObjectName(QStringLiteral("DBCheckBox%1").arg(n));
        cue->setDataField(QStringLiteral("SND%1").arg(n));
        cue->setGeometry(4, y, 16, 16);
        setHint(cue, QStringLiteral("現在のコマで再生"));
        cueBoxes[k] = cue;

        auto *label = groupLabel(Panel4, u"", QStringLiteral("Track%1 <- Play").arg(n), QRect(24, y + 1, 120, 14));
        label->setObjectName(QStringLiteral("TrackLabel%1").arg(n));
        trackLabels[k] = label;

        auto *field = new QLineEdit(Panel4);
        field->setObjectName(QStringLiteral("Edit%1").arg(n));
        field->setGeometry(4, y + 18, 124, 18);
        // Right-aligned, so that the end of a long name stays in sight.
        field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        setHint(field, QStringLiteral("Track%1の音声ファイル名").arg(n));
        trackFields[k] = field;

        auto *open = new QToolButton(Panel4);
        open->setObjectName(QStringLiteral("SpeedButton%1").arg(11 + n));
        open->setIcon(glyphreel::tools::toolGlyphIcon(ToolGlyph::OpenFile));
        open->setIconSize(QSize(16, 16));
        open->setGeometry(132, y + 17, 22, 20);
        setHint(open, QStringLiteral("音声ファイルを開く"));
        openButtons[k] = open;
        connectCommand(open, &QToolButton::clicked, this, [n](TToolForm1 *f) { f->openTrackClick(n); });
    }

    OpenDialog1 = new glyphreel::dialogs::FileDialog(glyphreel::dialogs::FileRequest::Mode::Open, this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setTitle(QStringLiteral("開く"));
    OpenDialog1->setFilter(QStringLiteral(
        "サウンドファイル (すべての種類)|*.cda;*.mid;*.rmi;*.midi;*.asf;*.wm;*.wma;*.wmv;*.wav;*.snd;*.au;*.aif;*.aifc;*.aiff;*.mp3"
        "|CDオーディオトラック (*.cda)|*.cda|MIDIファイル (*.mid;*.rmi;*.midi)|*.mid;*.rmi;*.midi"
        "|WindowsMediaファイル (*.asf;*.wm;*.wma;*.wmv)|*.asf;*.wm;*.wma;*.wmv"
        "|オーディオファイル (*.wav;*.snd;*.au;*.aif;*.aifc;*.aiff)|*.wav;*.snd;*.au;*.aif;*.aifc;*.aiff"
        "|MP3ファイル (*.mp3)|*.mp3"));
}

TToolForm1::~TToolForm1()
{
    if (project_)
        project_->removeView(this);
    for (glyphreel::dbctrls::DBCheckBox *cue : cueBoxes)
        cue->setDataSource(nullptr);
}

void TToolForm1::setProject(glyphreel::project::Project *project)
{
    if (project_)
        project_->removeView(this);
    project_ = project;
    if (project)
        project->addView(this);
    for (glyphreel::dbctrls::DBCheckBox *cue : cueBoxes)
        cue->setDataSource(project ? &project->dataSource() : nullptr);
    for (int n = 1; n <= 6; ++n)
        mediaPlayers[static_cast<std::size_t>(n - 1)] = project ? &project->player(n) : nullptr;
    MediaPlayer1 = mediaPlayers[0];
    MediaPlayer2 = mediaPlayers[1];
    MediaPlayer3 = mediaPlayers[2];
    MediaPlayer4 = mediaPlayers[3];
    MediaPlayer5 = mediaPlayers[4];
    MediaPlayer6 = mediaPlayers[5];
}

void TToolForm1::storeSettings(glyphreel::project::Settings &settings) const
{
    settings.backColor = static_cast<int>(ColorComboBox9->Value());
    for (std::size_t i = 0; i < trackFields.size(); ++i)
        settings.tracks[i] = trackFields[i]->text();
}

void TToolForm1::showSettings(const glyphreel::project::Settings &settings)
{
    // A value write fires the box's change, which recolours the editors.
    ColorComboBox9->setValue(static_cast<ColorValue>(settings.backColor));
    for (std::size_t i = 0; i < trackFields.size(); ++i)
        trackFields[i]->setText(settings.tracks[i]);
}

// The player takes the full path, the box the bare name. A file that does not
// open is reported and leaves the box as it was.
void TToolForm1::openTrackClick(int track)
{
    if (track < 1 || track > 6 || !OpenDialog1->execute(this))
        return;
    if (!project_)
        return;
    const QString path = OpenDialog1->fileName();
    // A file that will not open is reported; the box keeps its last name.
    project_->chooseTrackFile(track, path);
    trackFields[static_cast<std::size_t>(track - 1)]->setText(QFileInfo(path).fileName());
}

void TToolForm1::setEditors(glyphreel::richedit::RichEdit *mainEditor, glyphreel::richedit::RichEdit *previewView)
{
    editor_ = mainEditor;
    previewView_ = previewView;
}

void TToolForm1::focusMainWindow()
{
    if (!editor_ || !editor_->window()->isVisible())
        return;
    editor_->window()->activateWindow();
    editor_->setFocus(Qt::OtherFocusReason);
}

void TToolForm1::actOnEditor(const std::function<void(glyphreel::richedit::RichEdit &)> &action)
{
    if (editor_)
        action(*editor_);
    focusMainWindow();
}

void TToolForm1::toggleStyle(QToolButton *button, int flag)
{
    actOnEditor([&](glyphreel::richedit::RichEdit &e) {
        const int style = e.selectionStyle();
        e.setSelectionStyle(button->isChecked() ? (style | flag) : (style & ~flag));
    });
}

void TToolForm1::SpeedButton1Click() { toggleStyle(SpeedButton1, glyphreel::richedit::RichEdit::Bold); }
void TToolForm1::SpeedButton2Click() { toggleStyle(SpeedButton2, glyphreel::richedit::RichEdit::Italic); }
void TToolForm1::SpeedButton20Click() { toggleStyle(SpeedButton20, glyphreel::richedit::RichEdit::Underline); }
void TToolForm1::SpeedButton21Click() { toggleStyle(SpeedButton21, glyphreel::richedit::RichEdit::StrikeOut); }

void TToolForm1::FontNameComboBox1Change()
{
    if (showingSelection_ || !editor_)
        return;
    editor_->setSelectionFontName(FontNameComboBox1->Value());
    focusMainWindow();
}

void TToolForm1::UpDown1Click()
{
    if (showingSelection_ || !editor_)
        return;
    editor_->setSelectionSizePt(UpDown1->Position());
}

void TToolForm1::Edit9Change()
{
    // The box has clamped the number to 1..99, or refused what is not one.
    if (Edit9->text().isEmpty())
        return;
    UpDown1Click();
}

void TToolForm1::brushClick(int brush)
{
    if (brush < 0 || brush >= 8)
        return;
    const QColor colour = boxColour(brushColors[static_cast<std::size_t>(brush)]);
    actOnEditor([&](glyphreel::richedit::RichEdit &e) { e.setSelectionColor(colour); });
}

void TToolForm1::EditBtn11Click() { actOnEditor(&glyphreel::richedit::RichEdit::cut); }
void TToolForm1::EditBtn10Click() { actOnEditor(&glyphreel::richedit::RichEdit::copy); }
void TToolForm1::EditBtn12Click() { actOnEditor(&glyphreel::richedit::RichEdit::paste); }
void TToolForm1::BitBtn1Click() { actOnEditor(&glyphreel::richedit::RichEdit::deleteSelection); }

void TToolForm1::ColorComboBox9Change()
{
    const QColor background = boxColour(ColorComboBox9);
    for (glyphreel::richedit::RichEdit *view : {editor_.data(), previewView_.data()})
        if (view)
            view->setBackgroundColor(background);
}

void TToolForm1::showSelectionFormat(double sizePt, const QString &fontName, int style)
{
    showingSelection_ = true;
    Edit9->setText(QString::number(qRound(sizePt)));
    // Display only: a font the list lacks is shown by its name, and nothing
    // is written back to the selection.
    FontNameComboBox1->showName(fontName);
    SpeedButton1->setChecked(style & glyphreel::richedit::RichEdit::Bold);
    SpeedButton2->setChecked(style & glyphreel::richedit::RichEdit::Italic);
    SpeedButton20->setChecked(style & glyphreel::richedit::RichEdit::Underline);
    SpeedButton21->setChecked(style & glyphreel::richedit::RichEdit::StrikeOut);
    showingSelection_ = false;
}

void TToolForm1::closeEvent(QCloseEvent *event)
{
    // The tool box is hidden, never destroyed.
    event->ignore();
    hide();
    emit closedByUser();
}
