#pragma once
// The information window: the logo, the credit line, the mail and web
// lines (each a button over its line when it has an address), Close.

#include "platform/dialogs/WindowPlacement.h"

#include <QFrame>
#include <QLabel>
#include <QToolButton>

class TInfoForm1 : public glyphreel::dialogs::ScreenCentredDialog {
    Q_OBJECT
public:
    TInfoForm1();

    QFrame *Panel1;
    QLabel *Image1;
    QLabel *Label1; // credit
    QLabel *Label3; // mail
    QLabel *Label2; // web
    QToolButton *SpeedButton3;
    QToolButton *SpeedButton1;
    QToolButton *SpeedButton2;

    // Where the lines lead; empty when this build has none. Configured at
    // build time (GLYPHREEL_WEB_ADDRESS, GLYPHREEL_MAIL_ADDRESS); the web
    // line falls back on the installed user's guide.
    static QString webAddress();
    static QString mailAddress();

    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
};

extern TInfoForm1 *InfoForm1;
