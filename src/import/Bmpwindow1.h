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

    void FormShow() override;
    void FormClose() override;
    void SpeedButton7Click();
};

extern TBMPForm1 *BMPForm1;
