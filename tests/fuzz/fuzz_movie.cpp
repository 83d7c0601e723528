// libFuzzer target for opening movies: any bytes open as a movie or are
// refused with MovieError naming the file; an open movie's first and last
// positions give a picture of the movie's size or raise MovieError, never
// reading or writing outside the picture. FFmpeg itself is not built with
// coverage; the reader around it is. scripts/fuzz.sh builds and runs it.

#include "FuzzFiles.h"
#include "platform/movie/MovieSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace glyphreel;
    const std::string path = fuzzsupport::scratch("movie");
    fuzzsupport::writeFile(path, data, size);
    movie::MovieSource source;
    try {
        source.open(path);
    } catch (const movie::MovieError &e) {
        if (std::string(e.what()).find(path) == std::string::npos)
            fuzzsupport::broken("an error that does not name the file");
        return 0;
    }
    if (source.width() <= 0 || source.height() <= 0 || source.frameCount() <= 0 || source.length() != source.frameCount() - 1)
        fuzzsupport::broken("an open movie without size or frames");
    bitmap::Bitmap picture;
    for (int position : {0, source.length()}) {
        try {
            source.readFrame(position, picture);
        } catch (const movie::MovieError &) {
            continue;
        }
        if (picture.width() != source.width() || picture.height() != source.height()
            || picture.format() != bitmap::PixelFormat::Bgr24)
            fuzzsupport::broken("a picture of another size than the movie's");
        (void)picture.pixel(picture.width() - 1, picture.height() - 1);
    }
    return 0;
}
