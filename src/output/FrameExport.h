#pragma once
// Frames to GIF files: each picture drawn offscreen by the frame renderer,
// as the editor shows the frame, and written through the image kit's
// components. An export writes under a temporary name beside its target
// and puts the file in place only when it is whole, so a cancelled or
// failed export leaves nothing half-written and an earlier file at the
// name as it was.

#include "render/FrameRenderer.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

namespace glyphreel::imagekit {
class TVIkCommon;
class TVIkFile;
} // namespace glyphreel::imagekit

namespace glyphreel::project {
struct Settings;
} // namespace glyphreel::project

namespace glyphreel::richedit {
class RichEdit;
} // namespace glyphreel::richedit

namespace glyphreel::output {

class ExportError : public std::runtime_error {
public:
    explicit ExportError(const QString &message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// The width of the preview's strip of controls beside its text area.
inline constexpr int kPreviewStripWidth = 80;

// The text area a preview window of this outer size shows frames in: the
// size less the strip (no window frame is known without a window).
QSize previewTextArea(int outerWidth, int outerHeight);

// How a text box shows frames (its text type, font, colours, margin).
render::FrameLook lookOf(const richedit::RichEdit &box);
// How the editor shows a project's frames with its stored settings.
render::FrameLook lookOf(const project::Settings &settings);

// Whether a frame's text is empty: no character at all. Spaces and line
// breaks are text.
bool frameHasText(const render::ParsedFrame &frame);

// Draws frames as pictures of one size and look.
class FramePictures {
public:
    FramePictures(const render::FrameLook &look, const QSize &size) : look_(look), size_(size) {}
    QImage picture(const render::ParsedFrame &frame);
    QImage picture(const std::string &memo) { return picture(render::parseFrame(memo, look_.plainText)); }
    const render::FrameLook &look() const { return look_; }
    QSize size() const { return size_; }

private:
    render::FrameLook look_;
    QSize size_;
    render::FrameRenderer renderer_;
};

// Draws frames on a thread of its own while the caller writes the ones
// drawn before: a movie exports in about the time its writing takes.
// Pictures come out in the order the frames went in.
class PicturesAhead {
public:
    PicturesAhead(const render::FrameLook &look, const QSize &size);
    // Stops the thread; frames not taken are dropped.
    ~PicturesAhead();
    PicturesAhead(const PicturesAhead &) = delete;
    PicturesAhead &operator=(const PicturesAhead &) = delete;

    // Queues a frame's stored bytes. A frame without text comes out as a
    // null picture, unless evenBlank.
    void push(std::string memo, bool evenBlank = false);
    // Frames queued and not yet taken.
    int pending() const;
    // The next frame's picture, waiting for it to be drawn. Throws what
    // drawing it threw.
    QImage take();

    // How many frames to keep queued: enough to keep the thread busy, few
    // enough that pictures waiting take little memory.
    static constexpr int kAhead = 3;

private:
    struct Job {
        std::string memo;
        bool evenBlank = false;
        bool done = false;
        QImage picture;
        std::exception_ptr error;
    };
    void run();

    render::FrameLook look_;
    QSize size_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> jobs_;
    std::size_t nextToDraw_ = 0; // index into jobs_ of the first job not drawn
    bool stopping_ = false;
    std::thread thread_;
};

// One export to one GIF file: every picture added becomes the next picture
// of the animation (delay in hundredths of a second), or the only one.
class GifExport {
public:
    // Reserves the temporary name in the target's folder. Throws
    // ExportError when the folder cannot be written.
    GifExport(imagekit::TVIkCommon &common, imagekit::TVIkFile &file, const QString &target, int delay);
    // Without commit: removes the temporary file, leaving the target as it was.
    ~GifExport();
    GifExport(const GifExport &) = delete;
    GifExport &operator=(const GifExport &) = delete;

    // Hands the picture to the kit and saves it. Throws ExportError with
    // the kit's reason (status 14: the kit is not installed).
    void add(const QImage &picture);
    int pictures() const { return pictures_; }

    // Puts the file in place under the target's name. Without a picture
    // added nothing is written and false comes back. Throws ExportError
    // when the file cannot be flushed or renamed.
    bool commit();

private:
    imagekit::TVIkCommon &common_;
    imagekit::TVIkFile &file_;
    QString target_;
    QString temporary_;
    int delay_;
    int pictures_ = 0;
    bool committed_ = false;
};

// The user's words for a failed kit call.
QString kitFailure(short status, const QString &kitText, const QString &target);

} // namespace glyphreel::output
