#pragma once
// The AVI import window: appends one frame per movie frame taken.

#include <QDialog>

class TAVIForm1 : public QDialog {
    Q_OBJECT
public:
    explicit TAVIForm1(QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
};

extern TAVIForm1 *AVIForm1;
