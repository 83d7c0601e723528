#pragma once
// The information window: name, version, maker.

#include <QDialog>

class TInfoForm1 : public QDialog {
    Q_OBJECT
public:
    explicit TInfoForm1(QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
};

extern TInfoForm1 *InfoForm1;
