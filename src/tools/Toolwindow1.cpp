#include "tools/Toolwindow1.h"

#include <QCloseEvent>

TToolForm1 *ToolForm1 = nullptr;

TToolForm1::TToolForm1(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("ToolForm1"));
    setWindowTitle(QStringLiteral("ツールボックス"));
    setFixedSize(192, 345);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(pal);
    setAutoFillBackground(true);
}

void TToolForm1::closeEvent(QCloseEvent *event)
{
    // The tool box is hidden, never destroyed.
    event->ignore();
    hide();
    emit closedByUser();
}
