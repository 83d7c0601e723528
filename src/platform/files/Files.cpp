#include "platform/files/Files.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace glyphreel::files {

void fail(const std::string &path, const std::string &what)
{
    throw FileError("「" + path + "」" + what);
}

std::string reason(int error)
{
    const char *words = nullptr;
    switch (error) {
    case ENOSPC: words = "空き容量がありません"; break;
    case EDQUOT: words = "使える容量の上限 (クォータ) を超えます"; break;
    case EIO: words = "ディスクの読み書きでエラーが起きました"; break;
    case EACCES:
    case EPERM: words = "権限がありません"; break;
    case EROFS: words = "読み取り専用の場所です"; break;
    case ENOENT: words = "ファイルまたはフォルダーがありません"; break;
    case ENOTDIR: words = "フォルダーではないものがパスの途中にあります"; break;
    case EISDIR: words = "フォルダーです"; break;
    case EFBIG: words = "ファイルが大きすぎます"; break;
    case ENAMETOOLONG: words = "名前が長すぎます"; break;
    case EMFILE:
    case ENFILE: words = "開いているファイルが多すぎます"; break;
    case EBUSY:
    case ETXTBSY: words = "ほかのプログラムが使っています"; break;
    default: break;
    }
    const std::string system = std::strerror(error);
    return words ? std::string(words) + " (" + system + ")" : system;
}

#ifdef GLYPHREEL_CRASH_POINTS
namespace {

long passed = 0;

long crashAt()
{
    static const long at = [] {
        const char *v = std::getenv("GLYPHREEL_CRASH_AT");
        return v ? std::atol(v) : 0L;
    }();
    return at;
}

} // namespace

void crashPoint()
{
    ++passed;
    if (passed == crashAt())
        std::raise(SIGKILL);
}

long crashPointsPassed()
{
    return passed;
}
#endif

int openRegularFile(const std::string &path, std::uint64_t &size, const std::string &missing)
{
    // Not blocking: a FIFO would wait for a writer that never comes.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        fail(path, errno == ENOENT ? missing : "を開けません: " + reason(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        fail(path, "を開けません: " + reason(e));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        fail(path, "は通常のファイルではありません");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    size = static_cast<std::uint64_t>(st.st_size);
    return fd;
}

bool isRegularFile(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string readRegularFile(const std::string &path, const std::string &missing)
{
    std::uint64_t size = 0;
    const int fd = openRegularFile(path, size, missing);
    std::string data(static_cast<std::size_t>(size), '\0');
    try {
        readAt(fd, path, 0, data.data(), data.size());
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    return data;
}

void readAt(int fd, const std::string &path, std::uint64_t offset, char *data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, data + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail(path, "を読めません: " + (n == 0 ? std::string("ファイルが途中で終わっています") : reason(errno)));
        done += static_cast<std::size_t>(n);
    }
}

void writeAt(int fd, const std::string &path, std::uint64_t offset, const char *data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail(path, "に書き込めません: " + reason(errno));
        if (n == 0)
            fail(path, "に書き込めません: " + reason(ENOSPC));
        done += static_cast<std::size_t>(n);
    }
}

void sync(int fd, const std::string &path)
{
    if (::fdatasync(fd) != 0)
        fail(path, "をディスクに書き込めません: " + reason(errno));
}

void writeNewFile(const std::string &path, const std::string &bytes)
{
    crashPoint();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail(path, "に書き込めません: " + reason(errno));
    try {
        // Half a file is a state a crash can leave too.
        const std::size_t half = bytes.size() / 2;
        writeAt(fd, path, 0, bytes.data(), half);
        crashPoint();
        writeAt(fd, path, half, bytes.data() + half, bytes.size() - half);
        crashPoint();
        sync(fd, path);
    } catch (...) {
        ::close(fd);
        ::unlink(path.c_str());
        throw;
    }
    if (::close(fd) != 0) {
        const int e = errno;
        ::unlink(path.c_str());
        fail(path, "に書き込めません: " + reason(e));
    }
    crashPoint();
}

void syncFolderOf(const std::string &path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void replaceFile(const std::string &from, const std::string &to)
{
    crashPoint();
    if (::rename(from.c_str(), to.c_str()) != 0)
        fail(to, "を置き換えられません: " + reason(errno));
    crashPoint();
    syncFolderOf(to);
    crashPoint();
}

void writeFileAtomically(const std::string &path, const std::string &bytes)
{
    const std::string temporary = path + kSavingSuffix;
    writeNewFile(temporary, bytes);
    try {
        replaceFile(temporary, path);
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
}

} // namespace glyphreel::files
