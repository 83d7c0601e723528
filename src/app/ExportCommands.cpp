// The main window's export commands: the current frame as a GIF picture,
// every frame with text as one animated GIF. Pictures are drawn offscreen
// as the editor shows the frames, at the size of the preview's text area,
// so no window on the screen can get into them.

#include "app/Makewindow1.h"

#include "output/FrameExport.h"
#include "output/Previewwindow1.h"
#include "platform/dialogs/DialogService.h"

#include <QPixmap>
#include <QProgressDialog>

using glyphreel::dialogs::dialogs;
namespace output = glyphreel::output;

namespace {

// Switches the editor's display off while the export walks the frames
// (each frame would be loaded into it for nothing) and on again, showing
// the frame the walk ended on, however the walk ends.
class EditorDisplayOff {
public:
    explicit EditorDisplayOff(glyphreel::dbctrls::DBRichEdit *editor) : editor_(editor) { editor_->setAutoDisplay(false); }
    ~EditorDisplayOff() { editor_->setAutoDisplay(true); }
    EditorDisplayOff(const EditorDisplayOff &) = delete;
    EditorDisplayOff &operator=(const EditorDisplayOff &) = delete;

private:
    glyphreel::dbctrls::DBRichEdit *editor_;
};

} // namespace

QSize TMakeForm1::exportSize() const
{
    if (PreviewForm1)
        return PreviewForm1->textAreaSize();
    const glyphreel::project::Settings settings = project_->settings();
    return output::previewTextArea(settings.previewWidth, settings.previewHeight);
}

int TMakeForm1::exportDelay() const
{
    return PreviewForm1 ? PreviewForm1->UpDown3->Position() : project_->settings().speed;
}

void TMakeForm1::N24Click()
{
    if (!SavePictureDialog1->execute(this))
        return;
    output::FramePictures pictures(output::lookOf(*DBRichEdit0), exportSize());
    // The frame as the editor holds it, what was typed included; blank or not.
    const QImage picture = pictures.picture(DBRichEdit0->memo());
    output::GifExport gif(*IkCommon1, *IkFile1, SavePictureDialog1->fileName(), exportDelay());
    gif.add(picture);
    gif.commit();
    Image1->setPixmap(QPixmap::fromImage(picture));
}

void TMakeForm1::N25Click()
{
    if (!SavePictureDialog1->execute(this))
        return;
    dialogs().notice(this, QStringLiteral("※処理中は 他のアプリケーションを動かさないで下さい。"));
    if (!Query1->active())
        return;
    // What was typed goes into the frame before the walk leaves it.
    DBRichEdit0->updateRecord();
    output::GifExport gif(*IkCommon1, *IkFile1, SavePictureDialog1->fileName(), exportDelay());
    output::PicturesAhead pictures(output::lookOf(*DBRichEdit0), exportSize());
    QImage last;
    auto write = [&](int keep) {
        while (pictures.pending() > keep) {
            if (const QImage picture = pictures.take(); !picture.isNull()) {
                gif.add(picture);
                last = picture;
            }
        }
    };

    const int total = Query1->recordCount();
    QProgressDialog progress(QStringLiteral("GIF アニメーションを書き出しています…"), QStringLiteral("キャンセル"), 0, total, this);
    progress.setWindowTitle(glyphreel::dialogs::applicationTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    {
        EditorDisplayOff displayOff(DBRichEdit0);
        int done = 0;
        // Each move is an ordinary one: the frame counter follows, and the
        // frame's sounds play when sound is on.
        Query1->first();
        while (!Query1->eof()) {
            progress.setLabelText(QStringLiteral("GIF アニメーションを書き出しています… %1 / %2").arg(done + 1).arg(total));
            progress.setValue(done);
            if (progress.wasCanceled())
                return; // the temporary file goes with gif; nothing is written
            pictures.push(Query1->fieldBytes("MEM2"));
            write(output::PicturesAhead::kAhead);
            ++done;
            Query1->next();
        }
        write(0);
        progress.setValue(total);
    }
    if (!gif.commit()) {
        dialogs().notice(this, QStringLiteral("文字のあるコマがないため、ファイルは書き出していません。"));
        return;
    }
    Image1->setPixmap(QPixmap::fromImage(last));
}
