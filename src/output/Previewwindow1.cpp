#include "output/Previewwindow1.h"

TPreviewForm1 *PreviewForm1 = nullptr;

namespace {
constexpr int kStripWidth = 80;
}

TPreviewForm1::TPreviewForm1()
    : ScreenCentredDialog(QStringLiteral("PreviewForm1"), QStringLiteral("プレビュー"), Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                              | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)
{
    setModal(true);
    setMinimumSize(100, 260);
    resize(640, 480);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    {
        QPalette pal = Panel1->palette();
        pal.setColor(QPalette::Window, Qt::black);
        Panel1->setPalette(pal);
    }
    Panel1->setAutoFillBackground(true);

    UpDown3 = new NumericBox(1, 99, 20, Panel1);
    UpDown3->setObjectName(QStringLiteral("UpDown3"));
    UpDown3->setGeometry(8, 86, 64, 20);
    UpDown3->setToolTip(QStringLiteral("再生速度"));
    Edit3 = UpDown3->edit();
    Edit3->setObjectName(QStringLiteral("Edit3"));
    CheckBox1 = new QCheckBox(Panel1);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(true);
    CheckBox1->setToolTip(QStringLiteral("ループ"));
    CheckBox1->setGeometry(8, 126, 20, 20);

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
    if (project)
        project->addView(this);
}

void TPreviewForm1::resizeEvent(QResizeEvent *event)
{
    ScreenCentredDialog::resizeEvent(event);
    Panel1->setGeometry(0, 0, kStripWidth, height());
    DBRichEdit1->setGeometry(kStripWidth, 0, std::max(0, width() - kStripWidth), height());
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
    CheckBox1->setChecked(settings.loop);
}

void TPreviewForm1::FormClose()
{
    DBRichEdit1->setAutoDisplay(false);
    if (mainView_)
        mainView_->setAutoDisplay(true);
}

void TPreviewForm1::done(int result)
{
    FormClose();
    ScreenCentredDialog::done(result);
}
