#pragma once
// The preview window: plays the project as a movie.

#include "platform/dialogs/WindowPlacement.h"

class TPreviewForm1 : public glyphreel::dialogs::ScreenCentredDialog {
    Q_OBJECT
public:
    TPreviewForm1();
};

extern TPreviewForm1 *PreviewForm1;
