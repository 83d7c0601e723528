// libFuzzer target for the BMP reader: any bytes decode or are refused
// with an error, never reading outside them nor making room for more than
// the file can describe; a decoded picture converts to 24 bits.

#include "FuzzFiles.h"
#include "platform/bitmap/BmpCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace glyphreel::bitmap;
    try {
        Bitmap b = decodeBmp(std::span<const std::uint8_t>(data, size));
        if (b.width() > 0 && b.height() > 0) {
            (void)b.pixel(b.width() - 1, b.height() - 1);
            b.convertTo24Bit();
            (void)b.pixel(0, 0);
        }
    } catch (const BitmapError &) {
    }
    return 0;
}
