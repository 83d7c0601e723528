#include "platform/bitmap/PictureFile.h"

#include "platform/bitmap/BmpCodec.h"
#include "platform/files/Files.h"

#include <QFile>
#include <QImage>
#include <QSaveFile>

namespace glyphreel::bitmap {
namespace {

[[noreturn]] void fail(const QString &path, const std::string &what)
{
    throw BitmapError("「" + path.toStdString() + "」" + what);
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
        throw BitmapError("絵のファイルが指定されていません");
    QByteArray data;
    try {
        // A FIFO or a device named like a picture is refused, not read for
        // ever; a file is read as long as it was when opened.
        data = QByteArray::fromStdString(files::readRegularFile(path.toStdString(), "がありません"));
    } catch (const files::FileError &e) {
        throw BitmapError(e.what());
    }
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t *>(data.constData()),
                                              static_cast<std::size_t>(data.size()));
    if (looksLikeBmp(bytes)) {
        try {
            return decodeBmp(bytes);
        } catch (const BitmapError &e) {
            fail(path, std::string("は読める BMP ファイルではありません: ") + e.what());
        }
    }
    QImage image;
    if (!data.isEmpty() && image.loadFromData(data) && !image.isNull())
        return fromImage(image);
    fail(path, data.isEmpty() ? "は空で、絵ではありません"
                              : "は絵ではありません (BMP でも、ほかの読める形式でもありません)");
}

void saveBmpFile(const Bitmap &bitmap, const QString &path)
{
    const std::vector<std::uint8_t> bytes = encodeBmp(bitmap);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(path, "に書き込めません (" + file.errorString().toStdString() + ")");
    file.write(reinterpret_cast<const char *>(bytes.data()), static_cast<qint64>(bytes.size()));
    if (!file.commit())
        fail(path, "に書き込めません (" + file.errorString().toStdString() + ")");
}

} // namespace glyphreel::bitmap
