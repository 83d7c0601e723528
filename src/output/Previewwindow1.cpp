#include "output/Previewwindow1.h"

TPreviewForm1 *PreviewForm1 = nullptr;

TPreviewForm1::TPreviewForm1()
    : ScreenCentredDialog(QStringLiteral("PreviewForm1"), QStringLiteral("プレビュー"), Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                              | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)
{
    setModal(true);
    setMinimumSize(100, 260);
    resize(640, 480);
    UpDown3 = new NumericBox(1, 99, 20, this);
    UpDown3->setObjectName(QStringLiteral("UpDown3"));
    UpDown3->setGeometry(8, 86, 64, 20);
    UpDown3->setToolTip(QStringLiteral("再生速度"));
    Edit3 = UpDown3->edit();
    Edit3->setObjectName(QStringLiteral("Edit3"));
    CheckBox1 = new QCheckBox(this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(true);
    CheckBox1->setToolTip(QStringLiteral("ループ"));
    CheckBox1->setGeometry(8, 126, 20, 20);
}
