#include "app/Infowindow1.h"

#include "platform/dialogs/WindowPlacement.h"

TInfoForm1 *InfoForm1 = nullptr;

TInfoForm1::TInfoForm1(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("InfoForm1"));
    setWindowTitle(QStringLiteral("Glyphreel Ver.3.5"));
    setModal(true);
    setFixedSize(248, 128);
}

void TInfoForm1::showEvent(QShowEvent *event)
{
    glyphreel::dialogs::centreOnScreen(this);
    QDialog::showEvent(event);
}
