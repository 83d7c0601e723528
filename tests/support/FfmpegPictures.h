#pragma once
// The pictures FFmpeg itself extracts from a movie, to hold ours against.

#include "platform/bitmap/Bitmap.h"

#include <QProcess>
#include <QStringList>

#include <cstring>
#include <vector>

namespace testsupport {

// The pictures FFmpeg itself extracts at the positions (in increasing
// order), as 24-bit rows, from one read of the movie.
inline std::vector<glyphreel::bitmap::Bitmap> ffmpegPictures(const QString &path, const std::vector<int> &positions)
{
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"), {"-v", "error", "-select_streams", "v:0", "-show_entries", "stream=width,height",
                                              "-of", "csv=p=0", path});
    ffprobe.waitForFinished();
    const QStringList size = QString::fromLatin1(ffprobe.readAllStandardOutput()).trimmed().split(u',');
    const int w = size.value(0).toInt(), h = size.value(1).toInt();
    QStringList select;
    for (int p : positions)
        select << QStringLiteral("eq(n\\,%1)").arg(p);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {"-nostdin", "-v", "error", "-i", path, "-vf",
                                            QStringLiteral("select=%1").arg(select.join(u'+')), "-fps_mode", "passthrough",
                                            "-pix_fmt", "bgr24", "-f", "rawvideo", "-"});
    ffmpeg.waitForFinished(120000);
    const QByteArray raw = ffmpeg.readAllStandardOutput();
    const qsizetype frameBytes = qsizetype(w) * h * 3;
    std::vector<glyphreel::bitmap::Bitmap> pictures;
    for (qsizetype at = 0; frameBytes > 0 && at + frameBytes <= raw.size(); at += frameBytes) {
        glyphreel::bitmap::Bitmap b(w, h, glyphreel::bitmap::PixelFormat::Bgr24);
        for (int y = 0; y < h; ++y)
            std::memcpy(b.row(y), raw.constData() + at + qsizetype(y) * w * 3, std::size_t(w) * 3);
        pictures.push_back(std::move(b));
    }
    return pictures;
}

inline glyphreel::bitmap::Bitmap ffmpegPicture(const QString &path, int position)
{
    std::vector<glyphreel::bitmap::Bitmap> one = ffmpegPictures(path, {position});
    return one.size() == 1 ? std::move(one.front()) : glyphreel::bitmap::Bitmap();
}

} // namespace testsupport
