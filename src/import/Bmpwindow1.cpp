#include "import/Bmpwindow1.h"

#include "platform/dialogs/WindowPlacement.h"

TBMPForm1 *BMPForm1 = nullptr;

TBMPForm1::TBMPForm1(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("BMPForm1"));
    setWindowTitle(QStringLiteral("BMPイメージからのインポート"));
    setModal(true);
    setFixedSize(253, 130);
}

void TBMPForm1::showEvent(QShowEvent *event)
{
    glyphreel::dialogs::centreOnScreen(this);
    QDialog::showEvent(event);
}
