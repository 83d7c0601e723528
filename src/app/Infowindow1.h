#pragma once
// The information window: name, version, maker.

#include "platform/dialogs/WindowPlacement.h"

class TInfoForm1 : public glyphreel::dialogs::ScreenCentredDialog {
    Q_OBJECT
public:
    TInfoForm1();
};

extern TInfoForm1 *InfoForm1;
