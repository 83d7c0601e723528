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

void TPreviewForm1::resizeEvent(QResizeEvent *event)
{
    ScreenCentredDialog::resizeEvent(event);
    Panel1->setGeometry(0, 0, kStripWidth, height());
    DBRichEdit1->setGeometry(kStripWidth, 0, std::max(0, width() - kStripWidth), height());
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
