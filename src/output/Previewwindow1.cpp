#include "output/Previewwindow1.h"

#include "output/FrameExport.h"
#include "platform/dialogs/Commands.h"
#include "widgets/ButtonGlyph.h"
#include "widgets/WindowLook.h"

#include <QGuiApplication>
#include <QPainterPath>
#include <QScreen>
#include <QShowEvent>

TPreviewForm1 *PreviewForm1 = nullptr;

using glyphreel::dialogs::connectCommand;
using glyphreel::widgets::setHint;

namespace {

constexpr int kStripWidth = glyphreel::output::kPreviewStripWidth;

QIcon playGlyph()
{
    return glyphreel::widgets::buttonGlyphIcon([](QPainter &p, const glyphreel::widgets::GlyphInk &ink) {
        QPainterPath path;
        path.addPolygon(QPolygonF({QPointF(4, 2), QPointF(13, 8), QPointF(4, 14)}));
        path.closeSubpath();
        p.fillPath(path, ink.tint(QColor(0, 160, 0)));
        p.setPen(ink.edge);
        p.drawPath(path);
    });
}

QIcon stopGlyph()
{
    return glyphreel::widgets::buttonGlyphIcon([](QPainter &p, const glyphreel::widgets::GlyphInk &ink) {
        p.fillRect(QRect(3, 3, 10, 10), ink.tint(QColor(0, 0, 160)));
        p.setPen(ink.edge);
        p.drawRect(QRect(3, 3, 10, 10));
    });
}

QIcon closeGlyph()
{
    return glyphreel::widgets::buttonGlyphIcon([](QPainter &p, const glyphreel::widgets::GlyphInk &ink) {
        p.setPen(QPen(ink.tint(QColor(192, 0, 0)), 2.5));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
    });
}

} // namespace

TPreviewForm1::TPreviewForm1()
    : ScreenCentredDialog(QStringLiteral("PreviewForm1"), QStringLiteral("プレビュー"),
                          Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                              | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)
{
    setModal(true);
    setMinimumSize(100, 260);
    resize(640, 480);
    setFont(glyphreel::widgets::uiFont(12));

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    {
        QPalette pal = Panel1->palette();
        pal.setColor(QPalette::Window, Qt::black);
        Panel1->setPalette(pal);
    }
    Panel1->setAutoFillBackground(true);
    GradBox1 = new TGradBox(Panel1);
    GradBox1->setObjectName(QStringLiteral("GradBox1"));
    GradBox1->setTopColor(0x00616161);
    GradBox1->setLastColor(0x00C0C0C0);
    GradBox1->setGradStyle(gsRightLeft);
    GradBox1->setOutLineColor(0x0000FF80);
    GradBox1->setDrawOutLine(true);
    GradBox1->setFont3D(false);

    auto button = [this](const char16_t *name, const QString &caption, const QString &hint, const QIcon &glyph, int top) {
        auto *b = new QToolButton(GradBox1);
        b->setObjectName(QString::fromUtf16(name));
        b->setText(caption);
        b->setIcon(glyph);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setGeometry(4, top, 72, 20);
        setHint(b, hint);
        return b;
    };
    auto label = [this](const char16_t *name, const QString &caption, const QRect &geometry, int pixels) {
        auto *l = new TShadowLabel(GradBox1);
        l->setObjectName(QString::fromUtf16(name));
        l->applyWindowLook(pixels, 0);
        l->setAlignment(Qt::AlignLeft);
        l->setCaption(caption);
        l->setGeometry(geometry);
        return l;
    };
    BitBtn5 = button(u"BitBtn5", QStringLiteral("Play"), QStringLiteral("再生"), playGlyph(), 6);
    BitBtn1 = button(u"BitBtn1", QStringLiteral("Stop"), QStringLiteral("停止"), stopGlyph(), 30);
    Bevel1 = new QFrame(GradBox1);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Bevel1->setGeometry(6, 60, 68, 5);
    SLabel1 = label(u"SLabel1", QStringLiteral("再生速度"), QRect(6, 74, 70, 12), 11);
    UpDown3 = new NumericBox(1, 99, 20, GradBox1);
    UpDown3->setObjectName(QStringLiteral("UpDown3"));
    UpDown3->setGeometry(6, 86, 49 + 15, 20);
    setHint(UpDown3, QStringLiteral("再生速度"));
    Edit3 = UpDown3->edit();
    Edit3->setObjectName(QStringLiteral("Edit3"));
    setHint(Edit3, QStringLiteral("再生速度"));
    ShadowLabel6 = label(u"ShadowLabel6", QStringLiteral("ループ"), QRect(6, 114, 70, 12), 11);
    CheckBox1 = new QCheckBox(GradBox1);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(true);
    setHint(CheckBox1, QStringLiteral("ループ"));
    CheckBox1->setGeometry(8, 126, 16, 16);
    ShadowLabel1 = label(u"ShadowLabel1", QStringLiteral("ON"), QRect(28, 126, 30, 16), 12);
    FrameCounter = label(u"FrameCounter", QString(), QRect(6, 150, 72, 14), 11);
    setHint(FrameCounter, QStringLiteral("表示中のコマ / コマ数"));
    BitBtn2 = button(u"BitBtn2", QStringLiteral("Close"), QStringLiteral("閉じる"), closeGlyph(), 480 - 26);

    DBRichEdit1 = new glyphreel::dbctrls::DBRichEdit(this);
    DBRichEdit1->setObjectName(QStringLiteral("DBRichEdit1"));
    DBRichEdit1->setDataField(QStringLiteral("MEM2"));
    DBRichEdit1->setAutoDisplay(false);
    DBRichEdit1->setWordWrap(false);
    DBRichEdit1->setWantTabs(true);
    QFont art(QStringLiteral("ＭＳ ゴシック"));
    art.setPixelSize(12);
    DBRichEdit1->setFont(art);
    DBRichEdit1->setColors(Qt::white, Qt::black);
    FrameView1 = new glyphreel::output::FrameView(this);
    FrameView1->setObjectName(QStringLiteral("FrameView1"));
    FrameView1->hide();

    Timer1 = new glyphreel::output::PlaybackClock(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(200);

    connectCommand(BitBtn5, &QToolButton::clicked, this, &TPreviewForm1::BitBtn5Click);
    connectCommand(BitBtn1, &QToolButton::clicked, this, &TPreviewForm1::BitBtn1Click);
    connectCommand(BitBtn2, &QToolButton::clicked, this, &TPreviewForm1::BitBtn2Click);
    connectCommand(UpDown3, &NumericBox::arrowClicked, this, &TPreviewForm1::UpDown3Click);
    connectCommand(UpDown3, &NumericBox::changed, this, &TPreviewForm1::Edit3Change);
    connectCommand(Timer1, &glyphreel::output::PlaybackClock::OnTimer, this, &TPreviewForm1::Timer1Timer);
    connect(Timer1, &glyphreel::output::PlaybackClock::enabledChanged, this, &TPreviewForm1::playingChanged);
    connect(CheckBox1, &QCheckBox::toggled, FrameView1, &glyphreel::output::FrameView::setLoop);
}

TPreviewForm1::~TPreviewForm1()
{
    setProject(nullptr);
}

void TPreviewForm1::setProject(glyphreel::project::Project *project)
{
    if (project_)
        project_->removeView(this);
    project_ = project;
    DBRichEdit1->setDataSource(project ? &project->dataSource() : nullptr);
    if (project) {
        project->addView(this);
        glyphreel::db::Query *query = &project->query();
        FrameView1->setSource([query](int row) { return query->fieldBytesAt(row, "MEM2"); },
                              [query] { return query->active() ? query->recordCount() : 0; });
    } else {
        FrameView1->setSource({}, {});
    }
}

glyphreel::render::FrameLook TPreviewForm1::frameLook() const
{
    return glyphreel::output::lookOf(*DBRichEdit1);
}

void TPreviewForm1::BitBtn5Click()
{
    // What was typed into the frame goes into it before the first move.
    DBRichEdit1->updateRecord();
    Timer1->setEnabled(true);
}

void TPreviewForm1::BitBtn1Click()
{
    Timer1->setEnabled(false);
}

void TPreviewForm1::BitBtn2Click()
{
    close();
}

void TPreviewForm1::UpDown3Click()
{
    Timer1->setInterval(UpDown3->Position() * 10);
}

void TPreviewForm1::Edit3Change()
{
    // The box has refused or corrected the text itself; an empty box keeps
    // the interval.
    if (!Edit3->text().isEmpty())
        UpDown3Click();
}

// Playing, the renderer draws each frame: the text box would take, lay out
// and paint it at every step. Stopped, the text box shows the frame on
// screen, to be edited as in the editor.
void TPreviewForm1::playingChanged(bool playing)
{
    if (playing) {
        FrameView1->setLook(frameLook());
        FrameView1->setLoop(CheckBox1->isChecked());
        DBRichEdit1->setAutoDisplay(false);
        FrameView1->show();
        FrameView1->raise();
        DBRichEdit1->hide();
        if (project_ && project_->isOpen())
            FrameView1->showRow(project_->query().recNo());
    } else {
        DBRichEdit1->show();
        FrameView1->hide();
        // Closing switches the display off at once: no frame to load.
        if (isVisible() && !closing_)
            DBRichEdit1->setAutoDisplay(true);
    }
}

void TPreviewForm1::Timer1Timer()
{
    if (!project_ || !project_->isOpen())
        return;
    glyphreel::db::Query &query = project_->query();
    project_->playCues();
    query.next();
    if (query.eof()) {
        if (CheckBox1->isChecked())
            query.first();
        else
            Timer1->setEnabled(false);
    }
    if (Timer1->Enabled())
        FrameView1->showRow(query.recNo());
    showFrameCounter();
}

void TPreviewForm1::showFrameCounter()
{
    if (!project_ || !project_->isOpen()) {
        FrameCounter->setCaption(QString());
        return;
    }
    const glyphreel::db::Query &query = project_->query();
    FrameCounter->setCaption(QStringLiteral("%1 / %2").arg(query.recNo()).arg(query.recordCount()));
}

void TPreviewForm1::resizeEvent(QResizeEvent *event)
{
    ScreenCentredDialog::resizeEvent(event);
    Panel1->setGeometry(0, 0, kStripWidth, height());
    GradBox1->setGeometry(Panel1->rect());
    BitBtn2->move(BitBtn2->x(), height() - 26);
    const QRect view(kStripWidth, 0, std::max(0, width() - kStripWidth), height());
    DBRichEdit1->setGeometry(view);
    FrameView1->setGeometry(view);
    learnFrame();
}

void TPreviewForm1::moveEvent(QMoveEvent *event)
{
    ScreenCentredDialog::moveEvent(event);
    learnFrame();
}

void TPreviewForm1::showEvent(QShowEvent *event)
{
    ScreenCentredDialog::showEvent(event);
    learnFrame();
    if (!event->spontaneous()) {
        showFrameCounter();
        // Ready before Play: the frames from the one on screen on.
        if (project_ && project_->isOpen()) {
            FrameView1->setLook(frameLook());
            FrameView1->setLoop(CheckBox1->isChecked());
            FrameView1->prepareFrom(project_->query().recNo());
        }
    }
}

void TPreviewForm1::learnFrame()
{
    if (!isVisible())
        return;
    const QSize frame = frameGeometry().size() - size();
    if (frame == frame_ || frame.width() < 0 || frame.height() < 0)
        return;
    frame_ = frame;
    if (pendingOuter_.isValid()) {
        const QSize outer = pendingOuter_;
        pendingOuter_ = QSize();
        resize(outer - frame_);
    }
}

QSize TPreviewForm1::outerSize() const
{
    return size() + frame_;
}

QSize TPreviewForm1::textAreaSize() const
{
    return QSize(std::max(1, width() - kStripWidth), std::max(1, height()));
}

void TPreviewForm1::setOuterSize(const QSize &outer)
{
    resize(outer - frame_);
    // Not yet shown: the frame the window manager adds is still unknown.
    if (!isVisible() && frame_.isNull())
        pendingOuter_ = outer;
}

void TPreviewForm1::storeSettings(glyphreel::project::Settings &settings) const
{
    const QSize outer = pendingOuter_.isValid() ? pendingOuter_ : outerSize();
    settings.previewWidth = outer.width();
    settings.previewHeight = outer.height();
    settings.speed = UpDown3->Position();
    settings.loop = CheckBox1->isChecked();
}

void TPreviewForm1::showSettings(const glyphreel::project::Settings &settings)
{
    setOuterSize(QSize(settings.previewWidth, settings.previewHeight));
    UpDown3->setPosition(settings.speed);
    UpDown3Click();
    CheckBox1->setChecked(settings.loop);
}

void TPreviewForm1::FormClose()
{
    closing_ = true;
    Timer1->setEnabled(false);
    closing_ = false;
    DBRichEdit1->setAutoDisplay(false);
    if (mainView_)
        mainView_->setAutoDisplay(true);
    if (project_)
        project_->rewindTracks();
}

void TPreviewForm1::done(int result)
{
    FormClose();
    ScreenCentredDialog::done(result);
}
