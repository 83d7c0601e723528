#include "imagekit/IkCommon.h"

#include "imagekit/IkInit.h"
#include "imagekit/Ikdllprocs.h"

namespace glyphreel::imagekit {

TVIkCommon::TVIkCommon(QObject *parent) : QObject(parent)
{
    InitializeIK(QLatin1String(kComponentIdentifier));
}

TVIkCommon::~TVIkCommon()
{
    TerminateIK(QLatin1String(kComponentIdentifier));
}

void TVIkCommon::setXdpi(int dpi)
{
    if (dpi < 0 || dpi == xdpi_)
        return;
    xdpi_ = dpi;
}

void TVIkCommon::setYdpi(int dpi)
{
    if (dpi < 0 || dpi == ydpi_)
        return;
    ydpi_ = dpi;
}

void TVIkCommon::takeStatus()
{
    errorStatus_ = ikProcs.IKGetErrorStatus ? ikProcs.IKGetErrorStatus() : 0;
    errorText_ = ikProcs.IKGetErrorText ? QString::fromUtf8(ikProcs.IKGetErrorText()) : QString();
}

void TVIkCommon::SetPicture(const QImage &picture)
{
    errorText_.clear();
    if (!ikProcs.IKDibFromBitmap) {
        // Without the kit the handle keeps whatever the caller put there.
        errorStatus_ = IK_ERR_NOT_AVAILABLE;
        return;
    }
    errorStatus_ = 0;
    imageHandle_ = 0;
    picture_ = QImage();
    if (picture.isNull() || picture.width() == 0 || picture.height() == 0)
        return;
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull())
        return;
    const IKBitmap bitmap {rgb.width(), rgb.height(), static_cast<int32_t>(rgb.bytesPerLine()), rgb.constBits()};
    imageHandle_ = ikProcs.IKDibFromBitmap(&bitmap, nullptr);
    takeStatus();
    picture_ = picture.copy();
}

bool TVIkCommon::FreeMemory()
{
    errorText_.clear();
    if (!ikProcs.IKFreeMemory) {
        errorStatus_ = IK_ERR_NOT_AVAILABLE;
        return false;
    }
    errorStatus_ = 0;
    const bool freed = ikProcs.IKFreeMemory(imageHandle_) != 0;
    takeStatus();
    imageHandle_ = 0;
    return freed;
}

} // namespace glyphreel::imagekit
