#pragma once
// The picture import window: pastes the art of one picture into the current
// frame, at the editor's caret.

#include "import/ImportForm.h"
#include "platform/dialogs/FileDialog.h"

class TBMPForm1 : public ImportForm {
    Q_OBJECT
public:
    TBMPForm1();

    glyphreel::dialogs::FileDialog *OpenPictureDialog1;

    void FormShow();
    void FormClose();
    void SpeedButton7Click();

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;
};

extern TBMPForm1 *BMPForm1;
