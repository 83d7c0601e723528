// The image kit module. Kit images live in one table per process; every
// entry point is a C function that catches whatever the C++ below throws
// and turns it into the thread's error status and text.

#include "platform/kit/ImageKit.h"

#include "platform/files/Files.h"
#include "platform/gif/Gif.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#define IK_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// The largest side a kit image takes: what a GIF's 16-bit sizes hold.
constexpr std::int32_t kMaxSide = 65535;

struct KitImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // width × height, rows top to bottom
};

// Shared so that a save keeps its image even when another thread frees
// the handle meanwhile.
using ImagePtr = std::shared_ptr<const KitImage>;

std::mutex tableMutex;
std::unordered_map<IKImage, ImagePtr> table;
// Handles count up and are not given again soon after a release, so that
// a stale handle names no image rather than somebody else's.
IKImage lastHandle = 0;

thread_local std::int16_t errorStatus = IK_OK;
thread_local std::string errorText;

// Thrown inside the module for a failure with its code; caught at the C
// boundary.
struct KitError {
    std::int16_t status;
    std::string text;
};

[[noreturn]] void failWith(std::int16_t status, std::string text)
{
    throw KitError {status, std::move(text)};
}

void clearError()
{
    errorStatus = IK_OK;
    errorText.clear();
}

void setError(std::int16_t status, const std::string &text)
{
    errorStatus = status;
    try {
        errorText = text;
    } catch (...) {
        errorText.clear();
    }
}

// Runs body under the boundary rules: the error reset first, every
// exception turned into a status. Returns body's result, or failed.
template <typename Result, typename Body>
Result guarded(Result failed, Body &&body) noexcept
{
    clearError();
    try {
        return body();
    } catch (const KitError &e) {
        setError(e.status, e.text);
    } catch (const glyphreel::files::FileError &e) {
        setError(IK_ERR_WRITE, e.what());
    } catch (const std::bad_alloc &) {
        setError(IK_ERR_MEMORY, "メモリが足りません。");
    } catch (const std::exception &e) {
        setError(IK_ERR_WRITE, std::string("画像を保存できません: ") + e.what());
    } catch (...) {
        setError(IK_ERR_WRITE, "画像を保存できません。");
    }
    return failed;
}

ImagePtr findImage(IKImage image)
{
    std::lock_guard lock(tableMutex);
    const auto it = table.find(image);
    if (it == table.end())
        failWith(IK_ERR_NO_IMAGE, "画像がありません（ハンドル " + std::to_string(image) + "）。");
    return it->second;
}

std::string fileNameOf(const char *fileName)
{
    if (!fileName || !*fileName)
        failWith(IK_ERR_ARGUMENT, "ファイル名がありません。");
    return fileName;
}

// Progress before writing may stop the save; after it, the file is
// written and the answer no longer matters.
void progressBefore(IKProgressProc progress)
{
    if (progress && progress(0) == 0)
        failWith(IK_ERR_CANCELLED, "保存が中止されました。");
}

void progressAfter(IKProgressProc progress)
{
    if (progress)
        progress(100);
}

void put16(std::string &out, std::uint16_t v)
{
    out.push_back(char(v & 0xff));
    out.push_back(char(v >> 8));
}

void put32(std::string &out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(char((v >> (8 * i)) & 0xff));
}

std::string bmpBytes(const KitImage &image)
{
    constexpr std::uint32_t kHeaders = 14 + 40;
    const std::uint64_t rowBytes = (std::uint64_t(image.width) * 3 + 3) / 4 * 4;
    const std::uint64_t dataBytes = rowBytes * std::uint64_t(image.height);
    // The file header's size field is 32 bits.
    if (dataBytes + kHeaders > 0xffffffffu)
        failWith(IK_ERR_ARGUMENT, "画像が大きすぎて BMP ファイルに書き出せません。");

    std::string out;
    out.reserve(std::size_t(kHeaders + dataBytes));
    out += "BM";
    put32(out, std::uint32_t(kHeaders + dataBytes));
    put32(out, 0); // reserved
    put32(out, kHeaders);
    put32(out, 40);
    put32(out, std::uint32_t(image.width));
    put32(out, std::uint32_t(image.height)); // positive: rows bottom-up
    put16(out, 1);                           // planes
    put16(out, 24);                          // bits per pixel
    put32(out, 0);                           // no compression
    put32(out, std::uint32_t(dataBytes));
    put32(out, 0); // resolution unknown
    put32(out, 0);
    put32(out, 0); // no palette
    put32(out, 0);

    const std::size_t padding = std::size_t(rowBytes - std::uint64_t(image.width) * 3);
    for (int y = image.height - 1; y >= 0; --y) {
        const std::uint32_t *row = image.pixels.data() + std::size_t(y) * std::size_t(image.width);
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t p = row[x];
            out.push_back(char(p & 0xff));         // blue
            out.push_back(char((p >> 8) & 0xff));  // green
            out.push_back(char((p >> 16) & 0xff)); // red
        }
        out.append(padding, '\0');
    }
    return out;
}

} // namespace

IK_EXPORT IKImage IKDibFromBitmap(const IKBitmap *bitmap, const void *palette)
{
    return guarded<IKImage>(0, [&]() -> IKImage {
        if (!bitmap || !bitmap->bits || palette)
            failWith(IK_ERR_ARGUMENT, "画像として受け取れない絵です。");
        if (bitmap->width <= 0 || bitmap->height <= 0)
            failWith(IK_ERR_ARGUMENT, "絵が空です。");
        if (bitmap->width > kMaxSide || bitmap->height > kMaxSide)
            failWith(IK_ERR_ARGUMENT, "絵が大きすぎます（幅と高さは 65535 まで）。");
        if (bitmap->bytesPerLine < bitmap->width * 4)
            failWith(IK_ERR_ARGUMENT, "絵の行の長さが正しくありません。");

        auto image = std::make_shared<KitImage>();
        image->width = bitmap->width;
        image->height = bitmap->height;
        image->pixels.resize(std::size_t(bitmap->width) * std::size_t(bitmap->height));
        for (int y = 0; y < bitmap->height; ++y)
            std::memcpy(image->pixels.data() + std::size_t(y) * std::size_t(bitmap->width),
                        bitmap->bits + std::size_t(y) * std::size_t(bitmap->bytesPerLine),
                        std::size_t(bitmap->width) * 4);

        std::lock_guard lock(tableMutex);
        IKImage handle = lastHandle;
        do
            ++handle;
        while (handle == 0 || table.count(handle));
        table.emplace(handle, std::move(image));
        lastHandle = handle;
        return handle;
    });
}

IK_EXPORT int16_t IKGetErrorStatus(void)
{
    return errorStatus;
}

IK_EXPORT const char *IKGetErrorText(void)
{
    return errorText.c_str();
}

IK_EXPORT IKBool IKFreeMemory(IKImage image)
{
    return guarded<IKBool>(0, [&]() -> IKBool {
        ImagePtr released; // destroyed after the lock is let go
        {
            std::lock_guard lock(tableMutex);
            const auto it = table.find(image);
            if (it == table.end())
                failWith(IK_ERR_NO_IMAGE, "画像がありません（ハンドル " + std::to_string(image) + "）。");
            released = std::move(it->second);
            table.erase(it);
        }
        return -1;
    });
}

IK_EXPORT IKBool IKBmpFileSave(const char *fileName, IKImage image, IKProgressProc progress, const char *, const char *,
                               const char *)
{
    return guarded<IKBool>(0, [&]() -> IKBool {
        const ImagePtr kit = findImage(image);
        const std::string path = fileNameOf(fileName);
        progressBefore(progress);
        glyphreel::files::writeFileAtomically(path, bmpBytes(*kit));
        progressAfter(progress);
        return -1;
    });
}

IK_EXPORT IKBool IKGifFileSave(const char *fileName, IKImage image, IKBool interlace, IKBool transparent, uint8_t,
                               uint8_t, uint8_t, IKBool animation, int16_t delay, const char *comment,
                               IKProgressProc progress, const char *, const char *, const char *)
{
    return guarded<IKBool>(0, [&]() -> IKBool {
        const ImagePtr kit = findImage(image);
        if (interlace != 0)
            failWith(IK_ERR_UNSUPPORTED, "インターレースの GIF は書き出せません。");
        if (transparent != 0)
            failWith(IK_ERR_UNSUPPORTED, "透過色のある GIF は書き出せません。");
        if (comment && *comment)
            failWith(IK_ERR_UNSUPPORTED, "コメント付きの GIF は書き出せません。");
        const std::string path = fileNameOf(fileName);
        progressBefore(progress);
        const glyphreel::gif::Picture picture {kit->width, kit->height,
                                               reinterpret_cast<const unsigned char *>(kit->pixels.data()),
                                               std::ptrdiff_t(kit->width) * 4};
        glyphreel::gif::saveGif(path, picture, animation != 0, delay);
        progressAfter(progress);
        return -1;
    });
}
