#include "output/Previewwindow1.h"

#include "platform/dialogs/WindowPlacement.h"

TPreviewForm1 *PreviewForm1 = nullptr;

TPreviewForm1::TPreviewForm1(QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("PreviewForm1"));
    setWindowTitle(QStringLiteral("プレビュー"));
    setModal(true);
    setMinimumSize(100, 260);
    resize(640, 480);
}

void TPreviewForm1::showEvent(QShowEvent *event)
{
    glyphreel::dialogs::centreOnScreen(this);
    QDialog::showEvent(event);
}
