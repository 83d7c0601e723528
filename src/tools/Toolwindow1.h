#pragma once
// The tool box: a modeless tool window that stays on top and acts on the
// main editor.

#include <QWidget>

class TToolForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TToolForm1(QWidget *parent = nullptr);

signals:
    // The close box was used; the main window's view switch follows it.
    void closedByUser();

protected:
    void closeEvent(QCloseEvent *event) override;
};

extern TToolForm1 *ToolForm1;
