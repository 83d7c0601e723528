#include "platform/bitmap/PictureFile.h"

#include "platform/bitmap/BmpCodec.h"

#include <QFile>
#include <QImage>
#include <QSaveFile>

namespace glyphreel::bitmap {
namespace {

[[noreturn]] void fail(const QString &path, const std::string &what)
{
    throw BitmapError("\"" + path.toStdString() + "\" " + what);
}

Bitmap fromImage(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    Bitmap out(rgb.width(), rgb.height(), PixelFormat::Bgr24);
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar *src = rgb.constScanLine(y);
        std::uint8_t *dst = out.row(y);
        for (int x = 0; x < rgb.width(); ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return out;
}

} // namespace

Bitmap loadPictureFile(const QString &path)
{
    if (path.isEmpty())
        throw BitmapError("no picture file was given");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(path, "cannot be opened (" + file.errorString().toStdString() + ")");
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        fail(path, "cannot be read (" + file.errorString().toStdString() + ")");
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t *>(data.constData()),
                                              static_cast<std::size_t>(data.size()));
    if (looksLikeBmp(bytes)) {
        try {
            return decodeBmp(bytes);
        } catch (const BitmapError &e) {
            fail(path, std::string("is not a readable BMP file: ") + e.what());
        }
    }
    QImage image;
    if (!data.isEmpty() && image.loadFromData(data) && !image.isNull())
        return fromImage(image);
    fail(path, data.isEmpty() ? "is empty, not a picture" : "is not a picture (not a BMP file nor any other known format)");
}

void saveBmpFile(const Bitmap &bitmap, const QString &path)
{
    const std::vector<std::uint8_t> bytes = encodeBmp(bitmap);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(path, "cannot be written (" + file.errorString().toStdString() + ")");
    file.write(reinterpret_cast<const char *>(bytes.data()), static_cast<qint64>(bytes.size()));
    if (!file.commit())
        fail(path, "cannot be written (" + file.errorString().toStdString() + ")");
}

} // namespace glyphreel::bitmap
