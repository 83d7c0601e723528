#include "output/Previewwindow1.h"

TPreviewForm1 *PreviewForm1 = nullptr;

TPreviewForm1::TPreviewForm1()
    : ScreenCentredDialog(QStringLiteral("PreviewForm1"), QStringLiteral("プレビュー"), Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                              | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)
{
    setModal(true);
    setMinimumSize(100, 260);
    resize(640, 480);
}
