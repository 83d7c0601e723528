#pragma once
// The preview window: plays the project as a movie.

#include "platform/dialogs/WindowPlacement.h"
#include "widgets/NumericBox.h"

#include <QCheckBox>

class TPreviewForm1 : public glyphreel::dialogs::ScreenCentredDialog {
    Q_OBJECT
public:
    TPreviewForm1();

    // The playback settings a project keeps (the rest of the window comes
    // with the preview itself).
    NumericBox *UpDown3;  // speed 1..99, its edit box is Edit3
    QLineEdit *Edit3;
    QCheckBox *CheckBox1; // loop
};

extern TPreviewForm1 *PreviewForm1;
