#pragma once
// Loading a picture file into a Bitmap and saving one as BMP.

#include "platform/bitmap/Bitmap.h"

#include <QString>

namespace glyphreel::bitmap {

// Loads a Windows BMP file; other picture formats that Qt reads (PNG, JPEG,
// GIF, ...) are accepted too and arrive as 24-bit pictures. Throws
// BitmapError with a message that names the file and says what is wrong.
Bitmap loadPictureFile(const QString &path);

// Writes an uncompressed BMP file; throws BitmapError naming the file.
void saveBmpFile(const Bitmap &bitmap, const QString &path);

} // namespace glyphreel::bitmap
