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

    ColorComboBox9 = new TColorComboBox(this);
    ColorComboBox9->setObjectName(QStringLiteral("ColorComboBox9"));
    ColorComboBox9->setShowExtraColor(true);
    ColorComboBox9->setGeometry(8, 300, 176, 22);
    ColorComboBox9->setValue(0);
    for (int i = 0; i < 6; ++i) {
        auto *field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("Edit%1").arg(i + 1));
        field->setReadOnly(true);
        field->setGeometry(8, 40 + 36 * i, 176, 20);
        field->hide(); // on the sound page, which comes with the sound tracks
        trackFields[static_cast<std::size_t>(i)] = field;
    }
    Edit1 = trackFields[0];
    Edit2 = trackFields[1];
    Edit3 = trackFields[2];
    Edit4 = trackFields[3];
    Edit5 = trackFields[4];
    Edit6 = trackFields[5];
}

void TToolForm1::closeEvent(QCloseEvent *event)
{
    // The tool box is hidden, never destroyed.
    event->ignore();
    hide();
    emit closedByUser();
}
