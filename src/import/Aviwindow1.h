#pragma once
// The AVI import window: appends one frame per movie frame taken.

#include "platform/dialogs/WindowPlacement.h"

class TAVIForm1 : public glyphreel::dialogs::ScreenCentredDialog {
    Q_OBJECT
public:
    TAVIForm1();
};

extern TAVIForm1 *AVIForm1;
