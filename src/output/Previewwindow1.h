#pragma once
// The preview window: plays the project as a movie.

#include <QDialog>

class TPreviewForm1 : public QDialog {
    Q_OBJECT
public:
    explicit TPreviewForm1(QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
};

extern TPreviewForm1 *PreviewForm1;
