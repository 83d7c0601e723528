#include "imagekit/IkFile.h"

#include "imagekit/IkInit.h"
#include "imagekit/Ikdllprocs.h"

#include <QFile>

#include <algorithm>

namespace glyphreel::imagekit {

namespace {

// The component whose save the kit reports progress for. One at a time:
// the kit's progress procedure takes no argument to tell saves apart.
TVIkFile *progressOwner = nullptr;

IKBool ikBool(bool value)
{
    return value ? -1 : 0;
}

} // namespace

IKBool ikProgress(int16_t percent)
{
    TVIkFile *owner = progressOwner;
    if (!owner)
        return 0;
    if (percent != owner->lastProgress_) {
        owner->lastProgress_ = percent;
        if (owner->OnProgress)
            owner->OnProgress(owner, percent);
    }
    // The handler may have destroyed the owner; then the save stops.
    if (progressOwner != owner)
        return 0;
    return owner->Abort ? 0 : -1;
}

TVIkFile::TVIkFile(QObject *parent)
    : QObject(parent), FileExt(QStringLiteral("BMP;JPG;TIF;PCX;FPX;PNG;WMF;EMF;DXF;GIF"))
{
    InitializeIK(QLatin1String(kComponentIdentifier));
}

TVIkFile::~TVIkFile()
{
    if (progressOwner == this)
        progressOwner = nullptr;
    TerminateIK(QLatin1String(kComponentIdentifier));
}

void TVIkFile::setGifAnimeDelay(short delay)
{
    gifAnimeDelay_ = std::max<short>(delay, 0);
}

void TVIkFile::setJpegQuality(short quality)
{
    jpegQuality_ = std::clamp<short>(quality, 0, 100);
}

void TVIkFile::setLoadPage(short page)
{
    loadPage_ = std::max<short>(page, 0);
}

void TVIkFile::setPalRed(short value)
{
    palRed_ = std::clamp<short>(value, 0, 255);
}

void TVIkFile::setPalGreen(short value)
{
    palGreen_ = std::clamp<short>(value, 0, 255);
}

void TVIkFile::setPalBlue(short value)
{
    palBlue_ = std::clamp<short>(value, 0, 255);
}

void TVIkFile::setVectorHeight(int height)
{
    vectorHeight_ = std::max(height, 0);
}

void TVIkFile::setVectorWidth(int width)
{
    vectorWidth_ = std::max(width, 0);
}

bool TVIkFile::SaveFile(TVIkSaveFile format)
{
    errorText_.clear();
    if (!ikProcs.IKBmpFileSave) {
        errorStatus_ = IK_ERR_NOT_AVAILABLE;
        return false;
    }
    errorStatus_ = 0;
    if (OnStartSave)
        OnStartSave(this, FileName);

    lastProgress_ = 0;
    Abort = false;
    progress_ = nullptr;
    // A progress window of the kit's would show when any of its texts is
    // set; the kit shows none, and the events report progress otherwise.
    if (Caption.isEmpty() && Message.isEmpty() && ButtonName.isEmpty() && !progressOwner) {
        progressOwner = this;
        progress_ = &ikProgress;
    }

    const QByteArray name = QFile::encodeName(FileName);
    const QByteArray caption = Caption.toUtf8(), message = Message.toUtf8(), button = ButtonName.toUtf8();
    bool result = false;
    bool called = false;
    switch (format) {
    case vikSaveGIF:
        if (ikProcs.IKGifFileSave) {
            const QByteArray comment = Comment.toUtf8();
            result = ikProcs.IKGifFileSave(name.constData(), ImageHandle, ikBool(Interlace), ikBool(Transparent),
                                           uint8_t(palRed_), uint8_t(palGreen_), uint8_t(palBlue_), ikBool(GifAnime),
                                           gifAnimeDelay_, comment.constData(), progress_, caption.constData(),
                                           message.constData(), button.constData())
                != 0;
            called = true;
        }
        break;
    case vikSaveBMP:
        result = ikProcs.IKBmpFileSave(name.constData(), ImageHandle, progress_, caption.constData(),
                                       message.constData(), button.constData())
            != 0;
        called = true;
        break;
    default:
        break;
    }
    if (called) {
        errorStatus_ = ikProcs.IKGetErrorStatus ? ikProcs.IKGetErrorStatus() : 0;
        errorText_ = ikProcs.IKGetErrorText ? QString::fromUtf8(ikProcs.IKGetErrorText()) : QString();
    } else {
        // The kit has no procedure for this format.
        errorStatus_ = IK_ERR_NOT_AVAILABLE;
    }

    progress_ = nullptr;
    if (progressOwner == this)
        progressOwner = nullptr;
    if (OnEndSave)
        OnEndSave(this, FileName);
    return result;
}

} // namespace glyphreel::imagekit
