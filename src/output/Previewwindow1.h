#pragma once
// The preview window: plays the project as a movie.

#include "platform/dbctrls/DBRichEdit.h"
#include "platform/dialogs/WindowPlacement.h"
#include "widgets/NumericBox.h"

#include <QCheckBox>
#include <QFrame>
#include <QPointer>

class TPreviewForm1 : public glyphreel::dialogs::ScreenCentredDialog {
    Q_OBJECT
public:
    TPreviewForm1();

    // The control strip on the left (its playback buttons come with the
    // playback itself) and the picture: the main window's current frame.
    QFrame *Panel1;
    NumericBox *UpDown3;  // speed 1..99, its edit box is Edit3
    QLineEdit *Edit3;
    QCheckBox *CheckBox1; // loop
    glyphreel::dbctrls::DBRichEdit *DBRichEdit1;

    // The main editor, whose automatic display comes back on at closing.
    void setMainView(glyphreel::dbctrls::DBRichEdit *view) { mainView_ = view; }
    void FormClose();
    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QPointer<glyphreel::dbctrls::DBRichEdit> mainView_;
};

extern TPreviewForm1 *PreviewForm1;
