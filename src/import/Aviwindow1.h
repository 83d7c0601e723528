#pragma once
// The movie import window: appends one frame per movie frame taken from a
// range of a movie.

#include "convert/Bmp2str.h"
#include "import/ImportForm.h"
#include "platform/dialogs/FileDialog.h"
#include "platform/movie/MoviePlayer.h"

#include <QLabel>
#include <QProgressBar>

class TAVIForm1 : public ImportForm {
    Q_OBJECT
public:
    TAVIForm1();

    glyphreel::movie::MoviePlayer *GKitMSPlay1;
    QLabel *Panel3, *Panel4;
    QToolButton *SpeedButton2;
    QFrame *Bevel2;
    TShadowLabel *ShadowLabel4, *ShadowLabel10, *ShadowLabel5, *ShadowLabel7, *ShadowLabel8, *ShadowLabel9, *ShadowLabel6;
    QLineEdit *Edit5, *Edit6, *Edit3;
    NumericBox *UpDown3, *UpDown4, *UpDown2;
    // Progress of a long run, beside the caption's counter.
    QProgressBar *ProgressBar1;
    glyphreel::dialogs::FileDialog *OpenDialog1;

    void FormShow() override;
    void FormClose() override;
    void SpeedButton2Click();
    void UpDown3Click();
    void UpDown4Click();
    void UpDown2Click();
    void SpeedButton7Click();

    // Whether an import run is going on.
    bool running() const { return running_; }

    // Where the run keeps the picture it works on: "/gryla000.tmp" in the
    // application folder, or in the user's cache folder when the
    // application folder cannot be written (an installed application).
    static QString temporaryPicturePath(const QString &applicationFolder);

protected:
    void reject() override;
    void closeEvent(QCloseEvent *event) override;

private:
    void showCount();
    // Runs the import of the range.
    void importRange(int start, int end, int step, const QString &count);
    void setRunning(bool on);

    bool running_ = false;
    bool stopRequested_ = false;
};

extern TAVIForm1 *AVIForm1;
