#include "platform/gif/Gif.h"

#include "platform/files/Files.h"
#include "platform/gif/GifEncoding.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <list>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace glyphreel::gif {

namespace {

using detail::Canvas;
using detail::Rgb;

// What identifies the file as the one we wrote last: if any of it differs
// someone else wrote or replaced it, and appending would corrupt theirs.
struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified {};

    bool operator==(const Stamp &o) const
    {
        return device == o.device && inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec
               && modified.tv_nsec == o.modified.tv_nsec;
    }
};

Stamp stampOf(const struct stat &st)
{
    return {st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

struct Animation {
    std::string key;
    std::string path;
    Stamp stamp;
    Canvas canvas;
};

std::mutex mutex;
// Most recently used first; at most kMaxOpenAnimations.
std::list<Animation> open;

std::string keyOf(const std::string &path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

std::list<Animation>::iterator find(const std::string &key)
{
    for (auto it = open.begin(); it != open.end(); ++it)
        if (it->key == key)
            return it;
    return open.end();
}

bool stillOurs(const Animation &a)
{
    struct stat st {};
    return ::stat(a.path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && stampOf(st) == a.stamp;
}

std::vector<Rgb> pixelsOf(const Picture &picture)
{
    std::vector<Rgb> pixels(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
    std::size_t i = 0;
    for (int y = 0; y < picture.height; ++y) {
        const unsigned char *row = picture.bits + static_cast<std::ptrdiff_t>(y) * picture.bytesPerLine;
        for (int x = 0; x < picture.width; ++x) {
            std::uint32_t p;
            std::memcpy(&p, row + static_cast<std::ptrdiff_t>(x) * 4, 4);
            pixels[i++] = p & 0xFFFFFF;
        }
    }
    return pixels;
}

Stamp writeFirst(const std::string &path, const std::string &bytes)
{
    files::writeFileAtomically(path, bytes + '\x3B');
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        files::fail(path, "を確かめられません: " + files::reason(errno));
    return stampOf(st);
}

// Writes the frame over the trailer and a new trailer after it. On a
// failure puts the trailer back where it was, so the file stays the GIF
// it was.
Stamp append(const Animation &a, const std::string &frame)
{
    const std::string &path = a.path;
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        files::fail(path, "に書き込めません: " + files::reason(errno));
    const off_t end = a.stamp.size - 1;
    std::string bytes = frame;
    bytes.push_back('\x3B');
    struct stat st {};
    try {
        files::crashPoint();
        files::writeAt(fd, path, static_cast<std::uint64_t>(end), bytes.data(), bytes.size());
        files::crashPoint();
        if (::fstat(fd, &st) != 0)
            files::fail(path, "を確かめられません: " + files::reason(errno));
    } catch (...) {
        const char trailer = '\x3B';
        if (::ftruncate(fd, end + 1) == 0)
            (void)!::pwrite(fd, &trailer, 1, end);
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0)
        files::fail(path, "に書き込めません: " + files::reason(errno));
    return stampOf(st);
}

} // namespace

void saveGif(const std::string &path, const Picture &picture, bool animate, int delayCentiseconds)
{
    if (picture.width <= 0 || picture.height <= 0 || !picture.bits)
        files::fail(path, "に書き出す絵がありません (大きさが 0 です)");
    if (picture.width > 65535 || picture.height > 65535)
        files::fail(path, "に書き出す絵が GIF には大きすぎます (縦横 65535 ピクセルまで)");
    const int delay = std::clamp(delayCentiseconds, 0, 65535);
    const std::string key = keyOf(path);

    std::lock_guard lock(mutex);
    auto it = find(key);
    if (it != open.end() && (!animate || !stillOurs(*it))) {
        open.erase(it);
        it = open.end();
    }

    if (it == open.end()) {
        Animation a;
        a.key = key;
        a.path = path;
        const std::string bytes = detail::firstFrame(pixelsOf(picture), picture.width, picture.height, delay, a.canvas, path);
        a.stamp = writeFirst(path, bytes);
        open.push_front(std::move(a));
        if (open.size() > kMaxOpenAnimations)
            open.pop_back();
        return;
    }

    if (picture.width != it->canvas.width || picture.height != it->canvas.height)
        files::fail(path, "のアニメーションに大きさの違う絵を続けられません (" + std::to_string(it->canvas.width) + "×"
                              + std::to_string(it->canvas.height) + " のところに " + std::to_string(picture.width) + "×"
                              + std::to_string(picture.height) + ")");
    open.splice(open.begin(), open, it);
    Animation &a = open.front();
    detail::PendingFrame frame = detail::nextFrame(pixelsOf(picture), a.canvas, delay, path);
    try {
        a.stamp = append(a, frame.bytes);
    } catch (...) {
        // The file is as before the call, but we are no longer sure of
        // what is shown; the next frame starts a new file.
        open.pop_front();
        throw;
    }
    detail::apply(a.canvas, std::move(frame));
}

void finishGif(const std::string &path)
{
    std::lock_guard lock(mutex);
    const auto it = find(keyOf(path));
    if (it == open.end())
        return;
    const Animation a = std::move(*it);
    open.erase(it);
    if (!stillOurs(a))
        return;
    const int fd = ::open(a.path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        files::fail(a.path, "をディスクに書き込めません: " + files::reason(errno));
    try {
        files::sync(fd, a.path);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
}

void forgetAllGifs()
{
    std::lock_guard lock(mutex);
    open.clear();
}

std::size_t openGifCount()
{
    std::lock_guard lock(mutex);
    return open.size();
}

} // namespace glyphreel::gif
