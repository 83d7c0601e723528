#include "tools/Fontwindow1.h"

#include "platform/dialogs/WindowPlacement.h"

TFontForm1 *FontForm1 = nullptr;

TFontForm1::TFontForm1(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FontForm1"));
    setWindowTitle(QStringLiteral("一括フォント変換"));
    setModal(true);
    setFixedSize(184, 164);
}

void TFontForm1::showEvent(QShowEvent *event)
{
    glyphreel::dialogs::centreOnScreen(this);
    QDialog::showEvent(event);
}
