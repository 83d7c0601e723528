#pragma once
// The batch font window: gives every frame one font, size, style and colour.

#include <QDialog>

class TFontForm1 : public QDialog {
    Q_OBJECT
public:
    explicit TFontForm1(QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
};

extern TFontForm1 *FontForm1;
