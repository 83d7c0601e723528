#pragma once
// The preview window: plays the project as a movie, a frame per step of its
// clock, sounding each frame's cues as it goes.

#include "output/FrameView.h"
#include "output/PlaybackClock.h"
#include "platform/dbctrls/DBRichEdit.h"
#include "platform/dialogs/WindowPlacement.h"
#include "project/Project.h"
#include "widgets/GradBox.h"
#include "widgets/NumericBox.h"
#include "widgets/ShadoLbl.h"

#include <QCheckBox>
#include <QFrame>
#include <QPointer>
#include <QToolButton>

class TPreviewForm1 : public glyphreel::dialogs::ScreenCentredDialog, public glyphreel::project::SettingsView {
    Q_OBJECT
public:
    TPreviewForm1();
    ~TPreviewForm1() override;

    // The control strip on the left and the picture.
    QFrame *Panel1;
    TGradBox *GradBox1;
    QToolButton *BitBtn5; // Play
    QToolButton *BitBtn1; // Stop
    QFrame *Bevel1;
    TShadowLabel *SLabel1;
    NumericBox *UpDown3; // speed 1..99, its edit box is Edit3
    QLineEdit *Edit3;
    TShadowLabel *ShadowLabel6;
    QCheckBox *CheckBox1; // loop
    TShadowLabel *ShadowLabel1;
    // The number of the frame on screen and the count, under the loop row.
    TShadowLabel *FrameCounter;
    QToolButton *BitBtn2; // Close
    // Stopped, the frame as the editor shows it, and editable; playing, the
    // frame drawn by the renderer.
    glyphreel::dbctrls::DBRichEdit *DBRichEdit1;
    glyphreel::output::FrameView *FrameView1;
    glyphreel::output::PlaybackClock *Timer1;

    // The main editor, whose automatic display comes back on at closing.
    void setMainView(glyphreel::dbctrls::DBRichEdit *view) { mainView_ = view; }
    // The project whose frames the view shows and whose settings hold the
    // preview's.
    void setProject(glyphreel::project::Project *project);

    void BitBtn5Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void UpDown3Click();
    void Edit3Change();
    void Timer1Timer();
    void FormClose();
    void done(int result) override;

    // The window's size with its frame, as the settings file keeps it.
    // The frame is known once the window has been shown; a size asked for
    // before then is made good at that showing, so that saving and opening
    // a project never grows or shrinks the window.
    QSize outerSize() const;
    // The size of the text area DBRichEdit1, also before the window was
    // first shown, when its children are not yet laid out: the size the
    // window has (or will show at) less the strip.
    QSize textAreaSize() const;
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
    void playingChanged(bool playing);
    void showFrameCounter();
    glyphreel::render::FrameLook frameLook() const;

    QPointer<glyphreel::dbctrls::DBRichEdit> mainView_;
    QPointer<glyphreel::project::Project> project_;
    QSize frame_{0, 0};
    QSize pendingOuter_;
    bool closing_ = false;
};

extern TPreviewForm1 *PreviewForm1;
