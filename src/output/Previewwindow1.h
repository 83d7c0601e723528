#pragma once
// The preview window: plays the project as a movie.

#include "platform/dbctrls/DBRichEdit.h"
#include "platform/dialogs/WindowPlacement.h"
#include "project/Project.h"
#include "widgets/NumericBox.h"

#include <QCheckBox>
#include <QFrame>
#include <QPointer>

class TPreviewForm1 : public glyphreel::dialogs::ScreenCentredDialog, public glyphreel::project::SettingsView {
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

    ~TPreviewForm1() override;

    // The main editor, whose automatic display comes back on at closing.
    void setMainView(glyphreel::dbctrls::DBRichEdit *view) { mainView_ = view; }
    // The project whose frames the view shows and whose settings hold the
    // preview's.
    void setProject(glyphreel::project::Project *project);
    void FormClose();
    void done(int result) override;

    // The window's size with its frame, as the settings file keeps it.
    // The frame is known once the window has been shown; a size asked for
    // before then is made good at that showing, so that saving and opening
    // a project never grows or shrinks the window.
    QSize outerSize() const;
    void setOuterSize(const QSize &outer);

    // The preview's part of the settings: its size, speed and loop.
    void storeSettings(glyphreel::project::Settings &settings) const override;
    void showSettings(const glyphreel::project::Settings &settings) override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void learnFrame();

    QPointer<glyphreel::dbctrls::DBRichEdit> mainView_;
    QPointer<glyphreel::project::Project> project_;
    QSize frame_{0, 0};
    QSize pendingOuter_;
};

extern TPreviewForm1 *PreviewForm1;
