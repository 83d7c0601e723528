#include "platform/db/TableFiles.h"

#include "platform/db/ParadoxFormat.h"
#include "platform/db/ParadoxTable.h"
#include "platform/text/Ascii.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace glyphreel::db {
namespace {

namespace fs = std::filesystem;

std::string reason()
{
    return std::strerror(errno);
}

bool identity(const std::string &path, dev_t &device, ino_t &inode)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    device = st.st_dev;
    inode = st.st_ino;
    return true;
}

bool sameFile(const std::string &a, const std::string &b)
{
    dev_t da = 0, db = 0;
    ino_t ia = 0, ib = 0;
    return identity(a, da, ia) && identity(b, db, ib) && da == db && ia == ib;
}

std::string folderOf(const std::string &path)
{
    const std::string folder = fs::path(path).parent_path().string();
    return folder.empty() ? std::string(".") : folder;
}

// Copies one file to a new file and flushes it; throws naming the file.
void copyFile(const std::string &from, const std::string &to)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        fail(from, "を読めません (" + reason() + ")");
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        const std::string why = reason();
        ::close(in);
        fail(to, "に書き込めません (" + why + ")");
    }
    std::vector<char> buffer(1 << 20);
    auto failWith = [&](const std::string &file, const std::string &what) {
        const std::string why = reason();
        ::close(in);
        ::close(out);
        fail(file, what + " (" + why + ")");
    };
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failWith(from, "を読めません");
        }
        if (n == 0)
            break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                failWith(to, "に書き込めません");
            }
            if (w == 0) {
                errno = ENOSPC;
                failWith(to, "に書き込めません");
            }
            done += w;
        }
    }
    if (::fdatasync(out) != 0)
        failWith(to, "をディスクに書き込めません");
    ::close(in);
    if (::close(out) != 0)
        fail(to, "に書き込めません (" + reason() + ")");
}

} // namespace

std::array<std::string, 3> tableFiles(const std::string &dbPath)
{
    return {dbPath, ParadoxTable::blobPathFor(dbPath), ParadoxTable::indexPathFor(dbPath)};
}

bool tableFilesExist(const std::string &dbPath)
{
    std::error_code ec;
    for (const std::string &file : tableFiles(dbPath))
        if (fs::exists(file, ec))
            return true;
    return false;
}

bool folderIsCaseSensitive(const std::string &folder)
{
    std::random_device random;
    const std::string name = ".glyphreel-case-probe-" + std::to_string(random());
    const std::string probe = (fs::path(folder) / name).string();
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return true;
    ::close(fd);
    std::string other = name;
    for (char &c : other)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    struct stat st {};
    const bool folded = ::stat((fs::path(folder) / other).string().c_str(), &st) == 0;
    ::unlink(probe.c_str());
    return !folded;
}

bool sameTable(const std::string &a, const std::string &b)
{
    if (sameFile(a, b))
        return true;
    // One of them may not exist yet; their folders still tell.
    const std::string folderA = folderOf(a), folderB = folderOf(b);
    if (!sameFile(folderA, folderB))
        return false;
    const std::string nameA = fs::path(a).filename().string(), nameB = fs::path(b).filename().string();
    if (nameA == nameB)
        return true;
    return text::equalsIgnoringAsciiCase(nameA, nameB) && !folderIsCaseSensitive(folderA);
}

void copyTable(const std::string &fromDb, const std::string &toDb)
{
    const auto from = tableFiles(fromDb);
    const auto to = tableFiles(toDb);
    std::vector<std::string> temporary;
    try {
        for (std::size_t i = 0; i < from.size(); ++i) {
            temporary.push_back(to[i] + ".copying");
            copyFile(from[i], temporary.back());
        }
        for (std::size_t i = 0; i < to.size(); ++i)
            if (::rename(temporary[i].c_str(), to[i].c_str()) != 0)
                fail(to[i], "を置き換えられません (" + reason() + ")");
    } catch (...) {
        for (const std::string &t : temporary)
            ::unlink(t.c_str());
        throw;
    }
    const int dir = ::open(folderOf(toDb).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace glyphreel::db
