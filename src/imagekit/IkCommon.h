#pragma once
// TVIkCommon: turns a picture into a kit image for the kit's file
// procedures.

#include "platform/kit/ImageKit.h"

#include <QImage>
#include <QObject>

namespace glyphreel::imagekit {

class TVIkCommon : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Xdpi READ Xdpi WRITE setXdpi)
    Q_PROPERTY(int Ydpi READ Ydpi WRITE setYdpi)

public:
    explicit TVIkCommon(QObject *parent = nullptr);
    ~TVIkCommon() override;

    // The current kit image; 0 when none.
    IKImage ImageHandle() const { return imageHandle_; }
    void setImageHandle(IKImage image) { imageHandle_ = image; }

    // The kit's code for the last operation: 0 after success, 14 when the
    // procedure it needs is not available.
    short ErrorStatus() const { return errorStatus_; }
    // The kit's words for the last failure, or empty.
    QString ErrorText() const { return errorText_; }

    // Resolution values; negative or unchanged values are ignored.
    int Xdpi() const { return xdpi_; }
    void setXdpi(int dpi);
    int Ydpi() const { return ydpi_; }
    void setYdpi(int dpi);

    // Makes a kit image of the picture. ImageHandle is left as it was when
    // the kit cannot make images; otherwise it is emptied and, when the
    // picture converts, set to the new image. A null or empty picture
    // leaves it empty. Does not release the previous image: FreeMemory
    // does.
    void SetPicture(const QImage &picture);
    // A copy of the last picture given to SetPicture.
    const QImage &Picture() const { return picture_; }

    // Releases the current kit image and empties ImageHandle.
    bool FreeMemory();

private:
    void takeStatus();

    IKImage imageHandle_ = 0;
    short errorStatus_ = 0;
    QString errorText_;
    int xdpi_ = 0;
    int ydpi_ = 0;
    QImage picture_;
};

} // namespace glyphreel::imagekit
