#pragma once
// The image kit: a loadable module (libglyphreel-imagekit.so) that turns
// pictures into kit images and writes them to files. Its functions are
// plain C with fixed-size types, so that the application resolves them by
// name at run time and starts and runs without the module.
//
// Strings are zero-terminated UTF-8 (file names as the file system takes
// them). Booleans are 32-bit: false is 0, true is -1 (all bits set); any
// value other than 0 is read as true.

#include <stdint.h>

extern "C" {

// A kit image: a copy of a picture in the kit's memory. 0 is none.
typedef uint32_t IKImage;
typedef int32_t IKBool;

// Called during a save with the share done so far, 0..100; returns false
// (0) to stop the save.
typedef IKBool (*IKProgressProc)(int16_t percent);

// A picture handed to the kit: rows of 32-bit pixels 0xAARRGGBB in native
// byte order (as a QImage of Format_RGB32 holds them); the alpha byte is
// ignored.
typedef struct IKBitmap {
    int32_t width;
    int32_t height;
    int32_t bytesPerLine;
    const uint8_t *bits;
} IKBitmap;

// The kit's error codes (IKGetErrorStatus). 14 is kept for the binding:
// the procedure a call needs is not available.
enum {
    IK_OK = 0,
    IK_ERR_NO_IMAGE = 1,    // the image handle names no kit image
    IK_ERR_ARGUMENT = 2,    // a picture or argument the kit cannot take
    IK_ERR_WRITE = 3,       // the file could not be written
    IK_ERR_MEMORY = 4,      // out of memory
    IK_ERR_CANCELLED = 5,   // the progress procedure stopped the save
    IK_ERR_UNSUPPORTED = 6, // an option this kit does not write
    IK_ERR_NOT_AVAILABLE = 14
};

// Copies the picture into a new kit image. palette is for pictures of
// indexed colour, which this kit does not take: pass null. Returns 0 and
// sets the error status when the picture is empty, too large or memory
// runs out.
IKImage IKDibFromBitmap(const IKBitmap *bitmap, const void *palette);

// The error code of the last call on this thread; 0 after success.
int16_t IKGetErrorStatus(void);

// The last error in words for the user (Japanese), or "" after success.
// Valid until the next call on this thread.
const char *IKGetErrorText(void);

// Releases a kit image. False when the handle names none.
IKBool IKFreeMemory(IKImage image);

// Writes the image as a 24-bit BMP file, replacing any file at the name.
IKBool IKBmpFileSave(const char *fileName, IKImage image, IKProgressProc progress, const char *caption,
                     const char *message, const char *buttonName);

// Writes the image as a GIF. With animation true, a save to the file an
// earlier save of this process wrote (and nobody changed since) adds the
// image as its next picture; otherwise the file holds this one picture,
// replacing any file at the name. delay: hundredths of a second the
// picture shows. Every animation loops forever. Interlaced pictures, a
// transparent colour and a comment are not written: asking for one fails
// with IK_ERR_UNSUPPORTED and leaves the file as it was. caption, message
// and buttonName would title a progress window of the kit's; this kit
// shows none and reports progress only through the procedure.
IKBool IKGifFileSave(const char *fileName, IKImage image, IKBool interlace, IKBool transparent, uint8_t red,
                     uint8_t green, uint8_t blue, IKBool animation, int16_t delay, const char *comment,
                     IKProgressProc progress, const char *caption, const char *message, const char *buttonName);

} // extern "C"
