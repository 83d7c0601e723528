#pragma once
// The tool box: a modeless tool window that stays on top and acts on the
// main editor.

#include "widgets/ColorComboBox.h"

#include <QLineEdit>
#include <QWidget>

#include <array>

class TToolForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TToolForm1(QWidget *parent = nullptr);

    // The background colour of the editor and the preview.
    TColorComboBox *ColorComboBox9;
    // The six tracks' sound file names as shown (bare names), and the files
    // their players were opened on (full paths), until the players come.
    std::array<QLineEdit *, 6> trackFields{};
    QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6;
    std::array<QString, 6> trackFiles;

signals:
    // The close box was used; the main window's view switch follows it.
    void closedByUser();

protected:
    void closeEvent(QCloseEvent *event) override;
};

extern TToolForm1 *ToolForm1;
