#pragma once
// The BMP import window: pastes the art of one picture into the current frame.

#include <QDialog>

class TBMPForm1 : public QDialog {
    Q_OBJECT
public:
    explicit TBMPForm1(QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
};

extern TBMPForm1 *BMPForm1;
