#pragma once
// The batch font window: gives every frame one font, size, style and colour.

#include "platform/dialogs/WindowPlacement.h"

class TFontForm1 : public glyphreel::dialogs::ScreenCentredDialog {
    Q_OBJECT
public:
    TFontForm1();
};

extern TFontForm1 *FontForm1;
