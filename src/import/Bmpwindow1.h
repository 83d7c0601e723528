#pragma once
// The BMP import window: pastes the art of one picture into the current frame.

#include "platform/dialogs/WindowPlacement.h"

class TBMPForm1 : public glyphreel::dialogs::ScreenCentredDialog {
    Q_OBJECT
public:
    TBMPForm1();
};

extern TBMPForm1 *BMPForm1;
