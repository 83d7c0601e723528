#pragma once
// The tool box: a modeless tool window that stays on top and formats the
// selection of the main editor: clipboard, font, size, style, eight colour
// brushes, and the background colour of the editor and the preview.

#include "platform/dbctrls/DBCheckBox.h"
#include "platform/dialogs/FileDialog.h"
#include "platform/media/SoundDevice.h"
#include "platform/richedit/RichEdit.h"
#include "project/Project.h"
#include "widgets/ColorComboBox.h"
#include "widgets/FontNameComboBox.h"
#include "widgets/GradBox.h"
#include "widgets/NumericBox.h"
#include "widgets/ShadoLbl.h"

#include <QFrame>
#include <QLineEdit>
#include <QPointer>
#include <QTabWidget>
#include <QToolButton>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class TToolForm1 : public QWidget, public glyphreel::project::SettingsView {
    Q_OBJECT
public:
    explicit TToolForm1(QWidget *parent = nullptr);
    ~TToolForm1() override;

    // The editors the tools act on: the main editor's selection, and the
    // preview's text view for the background colour.
    void setEditors(glyphreel::richedit::RichEdit *mainEditor, glyphreel::richedit::RichEdit *previewView);

    QTabWidget *PageControl1;
    QWidget *TabSheet1, *TabSheet2;
    TGradBox *GradBox1;
    TShadowLabel *ShadowLabel1, *ShadowLabel2, *ShadowLabel3, *ShadowLabel4;
    QFrame *Panel1, *Panel2, *Panel3;

    QToolButton *EditBtn11, *EditBtn10, *EditBtn12, *BitBtn1;
    NumericBox *UpDown1;
    QLineEdit *Edit9; // UpDown1's edit box
    TFontNameComboBox *FontNameComboBox1;
    QToolButton *SpeedButton1, *SpeedButton2, *SpeedButton20, *SpeedButton21;
    // Brush buttons 1 to 8 (SpeedButton3..6, 8..11) and their colour boxes.
    std::array<QToolButton *, 8> brushButtons{};
    std::array<TColorComboBox *, 8> brushColors{};
    TColorComboBox *ColorComboBox1, *ColorComboBox2, *ColorComboBox3, *ColorComboBox4, *ColorComboBox5,
        *ColorComboBox6, *ColorComboBox7, *ColorComboBox8;
    // The background colour of the editor and the preview.
    TColorComboBox *ColorComboBox9;
    // All nine colour boxes, ColorComboBox1 to ColorComboBox9 in order.
    std::array<TColorComboBox *, 9> colourBoxes() const
    {
        return {brushColors[0], brushColors[1], brushColors[2], brushColors[3], brushColors[4],
                brushColors[5], brushColors[6], brushColors[7], ColorComboBox9};
    }

    // The sound page: per track a cue box on the current frame's SNDn, the
    // file name box, the open button and the player.
    TGradBox *GradBox2;
    TShadowLabel *ShadowLabel5;
    QFrame *Panel4;
    std::array<glyphreel::dbctrls::DBCheckBox *, 6> cueBoxes{};
    std::array<TShadowLabel *, 6> trackLabels{};
    std::array<QToolButton *, 6> openButtons{}; // SpeedButton12..17
    glyphreel::dialogs::FileDialog *OpenDialog1;
    // The six tracks: their sound file names as shown (bare names) and the
    // project's players, whose file names are the full paths they opened.
    std::array<QLineEdit *, 6> trackFields{};
    QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6;
    std::array<glyphreel::media::SoundDevice *, 6> mediaPlayers{};
    glyphreel::media::SoundDevice *MediaPlayer1, *MediaPlayer2, *MediaPlayer3, *MediaPlayer4, *MediaPlayer5,
        *MediaPlayer6;

    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton20Click();
    void SpeedButton21Click();
    void FontNameComboBox1Change();
    void UpDown1Click();
    void Edit9Change();
    void brushClick(int brush); // 0..7: SpeedButton3Click ... SpeedButton11Click
    void EditBtn11Click();
    void EditBtn10Click();
    void EditBtn12Click();
    void BitBtn1Click();
    void ColorComboBox9Change();
    // SpeedButton12Click ... SpeedButton17Click: choose track n's file (1..6).
    void openTrackClick(int track);
    // The project whose tracks the sound page shows and whose current
    // frame the cue boxes edit.
    void setProject(glyphreel::project::Project *project);

    // The background colour and the track names are the tool box's part of
    // the project's settings.
    void storeSettings(glyphreel::project::Settings &settings) const override;
    void showSettings(const glyphreel::project::Settings &settings) override;

    // Shows the selection's size, font name and style in the size box, the
    // name box and the style buttons, without applying them back: a
    // selection of mixed sizes or fonts stays as it is.
    void showSelectionFormat(double sizePt, const QString &fontName, int style);

signals:
    // The close box was used; the main window's view switch follows it.
    void closedByUser();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildEditPage();
    void buildSoundPage();
    void toggleStyle(QToolButton *button, int flag);
    // Runs an action on the editor, then gives the focus back to it.
    void actOnEditor(const std::function<void(glyphreel::richedit::RichEdit &)> &action);
    void focusMainWindow();

    QPointer<glyphreel::richedit::RichEdit> editor_;
    QPointer<glyphreel::richedit::RichEdit> previewView_;
    bool showingSelection_ = false;
    QPointer<glyphreel::project::Project> project_;
};

extern TToolForm1 *ToolForm1;
