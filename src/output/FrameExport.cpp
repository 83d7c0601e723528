#include "output/FrameExport.h"

#include "imagekit/IkCommon.h"
#include "imagekit/IkFile.h"
#include "imagekit/IkInit.h"
#include "platform/files/Files.h"
#include "platform/richedit/RichEdit.h"
#include "project/Settings.h"
#include "widgets/ColorValue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryFile>
#include <QTextDocument>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace glyphreel::output {

QSize previewTextArea(int outerWidth, int outerHeight)
{
    return {std::max(1, outerWidth - kPreviewStripWidth), std::max(1, outerHeight)};
}

render::FrameLook lookOf(const richedit::RichEdit &box)
{
    render::FrameLook look;
    look.plainText = box.plainTextMode();
    look.baseFont = box.font();
    look.textColor = box.shownTextColor();
    look.background = box.backgroundColor();
    look.margin = box.document()->documentMargin();
    look.dpi = box.logicalDpiY();
    return look;
}

render::FrameLook lookOf(const project::Settings &settings)
{
    render::FrameLook look;
    look.plainText = settings.normalText;
    look.baseFont = QFont(settings.normalFont);
    if (settings.normalSize > 0)
        look.baseFont.setPointSize(settings.normalSize);
    look.background = widgets::toQColor(static_cast<widgets::ColorValue>(settings.backColor));
    look.textColor = widgets::toQColor(static_cast<widgets::ColorValue>(settings.normalColor));
    // As the editor shows it: text in the background's own colour stands out.
    if (look.textColor.rgb() == look.background.rgb())
        look.textColor = qGray(look.background.rgb()) < 128 ? QColor(Qt::white) : QColor(Qt::black);
    look.margin = QTextDocument().documentMargin();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        look.dpi = screen->logicalDotsPerInchY();
    return look;
}

bool frameHasText(const render::ParsedFrame &frame)
{
    return !frame.document.plainText().isEmpty();
}

QImage FramePictures::picture(const render::ParsedFrame &frame)
{
    return renderer_.render(render::layoutFrame(frame, look_), look_, size_);
}

PicturesAhead::PicturesAhead(const render::FrameLook &look, const QSize &size) : look_(look), size_(size)
{
    thread_ = std::thread([this] { run(); });
}

PicturesAhead::~PicturesAhead()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void PicturesAhead::push(std::string memo, bool evenBlank)
{
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(Job{std::move(memo), evenBlank, false, QImage(), nullptr});
    }
    changed_.notify_all();
}

int PicturesAhead::pending() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(jobs_.size());
}

QImage PicturesAhead::take()
{
    std::unique_lock lock(mutex_);
    if (jobs_.empty())
        return QImage();
    changed_.wait(lock, [&] { return jobs_.front().done; });
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    --nextToDraw_;
    lock.unlock();
    if (job.error)
        std::rethrow_exception(job.error);
    return job.picture;
}

void PicturesAhead::run()
{
    // Its own renderer: fonts and glyph caches belong to the thread that
    // made them.
    FramePictures pictures(look_, size_);
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || nextToDraw_ < jobs_.size(); });
        if (stopping_)
            return;
        Job &job = jobs_[nextToDraw_];
        const std::string memo = std::move(job.memo);
        const bool evenBlank = job.evenBlank;
        lock.unlock();
        QImage picture;
        std::exception_ptr error;
        try {
            const render::ParsedFrame frame = render::parseFrame(memo, look_.plainText);
            if (evenBlank || frameHasText(frame))
                picture = pictures.picture(frame);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        // take() only removes jobs that are done, so this one is still here.
        Job &same = jobs_[nextToDraw_];
        same.picture = std::move(picture);
        same.error = error;
        same.done = true;
        ++nextToDraw_;
        changed_.notify_all();
    }
}

QString kitFailure(short status, const QString &kitText, const QString &target)
{
    if (status == 14)
        return QStringLiteral("画像キット (%1) が見つからないため、「%2」を書き出せません。")
            .arg(QString::fromLatin1(imagekit::kModuleName), target);
    if (!kitText.isEmpty())
        return kitText;
    return QStringLiteral("「%1」を書き出せません (画像キットのエラー %2)。").arg(target).arg(status);
}

GifExport::GifExport(imagekit::TVIkCommon &common, imagekit::TVIkFile &file, const QString &target, int delay)
    : common_(common), file_(file), target_(QFileInfo(target).absoluteFilePath()), delay_(delay)
{
    // Hidden, in the target's folder: the rename at the end stays on one
    // file system, and nobody takes it for a finished picture meanwhile.
    const QFileInfo info(target_);
    QTemporaryFile reserved(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    reserved.setAutoRemove(false);
    if (!reserved.open())
        throw ExportError(QStringLiteral("「%1」に書き込めません (%2)。").arg(target_, reserved.errorString()));
    temporary_ = reserved.fileName();
}

GifExport::~GifExport()
{
    if (!committed_)
        ::unlink(QFile::encodeName(temporary_).constData());
}

void GifExport::add(const QImage &picture)
{
    common_.SetPicture(picture);
    const IKImage image = common_.ImageHandle();
    if (image == 0)
        throw ExportError(kitFailure(common_.ErrorStatus(), common_.ErrorText(), target_));
    file_.ImageHandle = image;
    file_.FileName = temporary_;
    file_.setGifAnimeDelay(static_cast<short>(std::clamp(delay_, 0, 32767)));
    const bool saved = file_.SaveFile(imagekit::vikSaveGIF);
    // The picture is in the file now (or failed to get there): its kit
    // image is not needed again, and a long movie would pile them up.
    common_.FreeMemory();
    file_.ImageHandle = 0;
    if (!saved) {
        QString text = file_.ErrorText();
        text.replace(temporary_, target_);
        throw ExportError(kitFailure(file_.ErrorStatus(), text, target_));
    }
    ++pictures_;
}

bool GifExport::commit()
{
    if (pictures_ == 0)
        return false;
    const std::string temporary = QFile::encodeName(temporary_).toStdString();
    const std::string target = QFile::encodeName(target_).toStdString();
    try {
        // Pictures after the first were appended without a flush each.
        const int fd = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            throw files::FileError("「" + target + "」を書き出せません: " + files::reason(errno));
        try {
            files::sync(fd, target);
        } catch (...) {
            ::close(fd);
            throw;
        }
        ::close(fd);
        files::replaceFile(temporary, target);
    } catch (const files::FileError &e) {
        throw ExportError(QString::fromStdString(e.what()));
    }
    committed_ = true;
    return true;
}

} // namespace glyphreel::output
