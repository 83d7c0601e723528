#pragma once
// The main window: menus, the tool bar with the frame counter and frame
// buttons, the editor of the current frame, and the status bar.

#include "platform/db/DataSource.h"
#include "platform/db/Query.h"
#include "platform/dbctrls/DBNavigator.h"
#include "platform/dbctrls/DBRichEdit.h"
#include "imagekit/IkCommon.h"
#include "imagekit/IkFile.h"
#include "platform/dialogs/FileDialog.h"
#include "project/Project.h"

#include <QAction>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QSpinBox>
#include <QToolButton>

class TMakeForm1 : public QMainWindow, public glyphreel::project::SettingsView {
    Q_OBJECT
public:
    explicit TMakeForm1(QWidget *parent = nullptr);
    ~TMakeForm1() override;

    // The open project; its dataset and data source are Query1 and
    // DataSource1.
    glyphreel::project::Project &project() { return *project_; }

    // Menu bar. Menus and submenus are the actions that open them.
    QMenuBar *MainMenu1;
    QAction *fa1, *N1, *N4, *R1, *Open1, *Save2, *Save1, *N26, *BMP1, *AVI1, *N23, *N24, *N25, *G1, *P1, *N6,
        *N15, *Exit1;
    QAction *Edit1, *Cancel1, *N9, *Copy1, *P2, *V1, *SelectAll1, *N20;
    QAction *N8, *V2;
    QAction *Show1, *O1, *N7, *N14, *N19;
    QAction *Help1, *TEXT1, *About1;

    // Tool bar.
    QToolBar *ToolBar1;
    QLabel *Label1;
    QLineEdit *Edit2;
    QLineEdit *Edit3;
    QFrame *Bevel1;
    glyphreel::dbctrls::DBNavigator *DBNavigator1;
    QToolButton *SpeedButton1;
    QToolButton *SpeedButton2;
    QFrame *Bevel2;
    QToolButton *SpeedButton3;

    glyphreel::dbctrls::DBRichEdit *DBRichEdit0;
    QLabel *Image1; // the export's last picture, behind the editor, never seen
    QStatusBar *StatusBar1;
    // A message that stays in the status bar until the next project command
    // replaces it (the hints of menus and buttons only cover it meanwhile).
    QLabel *StatusMessage1;
    // The editor's zoom, 25% to 800%: the view only.
    QSpinBox *ZoomBox1;

    // The open project's frame table and the source the editor shows it through.
    glyphreel::db::Query *Query1;
    glyphreel::db::DataSource *DataSource1;

    glyphreel::dialogs::FileDialog *OpenDialog1;
    glyphreel::dialogs::FileDialog *SaveDialog1;
    glyphreel::dialogs::FileDialog *SavePictureDialog1;

    // The image kit: a picture to a kit image, a kit image to a GIF file.
    glyphreel::imagekit::TVIkCommon *IkCommon1;
    glyphreel::imagekit::TVIkFile *IkFile1;

    // The folder of the executable, without a trailing separator; known from
    // the first showing on.
    QString applicationFolder() const { return applicationFolder_; }

    void Exit1Click();
    // The Window menu's switches: the tool box, the colour names' language,
    // the status bar, sound while editing. Each item keeps its state (1 at
    // start-up) and offers the opposite.
    void O1Click();
    void N7Click();
    void N14Click();
    void N19Click();
    // Help: the user's guide (F1) and the information window.
    void TEXT1Click();
    void About1Click();
    // Printing: the printer setup, the current frame, every frame.
    void G1Click();
    void N6Click();
    void N15Click();
    // Export: the current frame as a GIF picture, every frame with text as
    // an animated GIF.
    void N24Click();
    void N25Click();

    // Project commands
    void N4Click();
    void R1Click();
    void Open1Click();
    void Save2Click();
    // Returns false when the user cancelled the dialog.
    bool Save1Click();
    // Whether the window may close; asks about unsaved work.
    bool FormCloseQuery();
    // Opens the project at this path as Open does after its dialog.
    void openProject(const QString &tdPath);
    QString currentProjectFile() const { return project_->path(); }

    // The editor's part of the settings: text type, base font and colour.
    void storeSettings(glyphreel::project::Settings &settings) const override;
    void showSettings(const glyphreel::project::Settings &settings) override;

    // Frames
    void Query1AfterOpen();
    void Query1AfterScroll();
    void Edit2KeyPress();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void N20Click();
    // Imports: a picture into the current frame, a movie's range as new frames.
    void BMP1Click();
    void AVI1Click();
    void DBRichEdit0SelectionChange();
    void Cancel1Click();
    void N9Click();
    void Copy1Click();
    void P2Click();
    void V1Click();
    void SelectAll1Click();

    // Binds the preview's view to the frames and the tool box to the editor,
    // once every window exists.
    void attachWindows();

    // The first showing: places the window and the tool box, shows the tool
    // box and remembers the application folder. Public so that the
    // placement can be checked for any screen.
    void FormShow(const QRect &screen);

    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createMenus();
    void createToolBar();
    void createEditor();
    glyphreel::dialogs::FileDialog *fileDialog(glyphreel::dialogs::FileRequest::Mode mode, const char16_t *objectName,
                                               const QString &title, const QString &filter, const QString &defaultExt,
                                               bool overwritePrompt);
    QAction *addItem(QMenu *menu, const char16_t *objectName, const QString &caption, const QString &hint,
                     const QKeySequence &shortcut = {});
    QAction *addMenu(QMenu *parentMenu, const char16_t *objectName, const QString &caption, const QString &hint,
                     const QKeySequence &shortcut = {});

    // The question before unsaved work would be lost (new, open, closing).
    bool savePrompt();
    void newProject(bool rich);
    void showFrameCounter();
    void reportTracks();
    // Once per run, when a track first has a sound and none can be heard.
    void tellNoSoundOutput(const QString &reason);
    // The zoom remembered for the open project, per user.
    void restoreZoom();
    void rememberZoom(int percent);
    void setEditorMode(bool plainText);
    int editorPointSize() const;
    // Leaves the frame for a modal window and comes back to it.
    void visitAndReturn(QDialog *window);
    // The tool box floats above this window, below its dialogs, and takes
    // the main menu's shortcuts while it has the focus.
    void attachToolBox();
    // The picture size and delay of an export: the preview's text area and speed.
    QSize exportSize() const;
    int exportDelay() const;

    glyphreel::project::Project *project_;
    QString applicationFolder_;
    bool shown_ = false;
    // A project's settings were shown: the next path is another project's.
    bool zoomFollowsProject_ = false;
};

extern TMakeForm1 *MakeForm1;
