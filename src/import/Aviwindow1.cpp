#include "import/Aviwindow1.h"

#include "platform/dialogs/WindowPlacement.h"

TAVIForm1 *AVIForm1 = nullptr;

TAVIForm1::TAVIForm1(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("AVIForm1"));
    setWindowTitle(QStringLiteral("AVIムービーからのインポート"));
    setModal(true);
    // The movie area (250 x 242 at 8, 8) on the left, the settings column
    // (224 wide) on the right.
    setFixedSize(498, 258);
}

void TAVIForm1::showEvent(QShowEvent *event)
{
    glyphreel::dialogs::centreOnScreen(this);
    QDialog::showEvent(event);
}
