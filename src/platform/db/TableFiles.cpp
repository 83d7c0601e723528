#include "platform/db/TableFiles.h"

#include "platform/db/ParadoxFormat.h"
#include "platform/db/ParadoxTable.h"
#include "platform/files/Files.h"
#include "platform/text/Ascii.h"

#include <algorithm>
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
    std::uint64_t size = 0;
    const int in = files::openRegularFile(from, size, "がありません");
    files::crashPoint();
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        const int e = errno;
        ::close(in);
        files::fail(to, "に書き込めません: " + files::reason(e));
    }
    try {
        std::vector<char> buffer(1 << 20);
        std::uint64_t done = 0;
        while (done < size) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size - done));
            files::readAt(in, from, done, buffer.data(), n);
            files::writeAt(out, to, done, buffer.data(), n);
            done += n;
            files::crashPoint();
        }
        files::sync(out, to);
    } catch (...) {
        ::close(in);
        ::close(out);
        throw;
    }
    ::close(in);
    if (::close(out) != 0)
        files::fail(to, "に書き込めません: " + files::reason(errno));
    files::crashPoint();
}

std::string folderPath(const std::string &file)
{
    return (fs::path(folderOf(file)) / "").string();
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

FileSet::FileSet(std::string journal) : journal_(std::move(journal)) {}

FileSet::~FileSet()
{
    if (committed_)
        return;
    for (const std::string &f : files_)
        ::unlink((f + kCopyingSuffix).c_str());
}

std::string FileSet::temporaryFor(const std::string &file)
{
    if (std::find(files_.begin(), files_.end(), file) == files_.end())
        files_.push_back(file);
    return file + kCopyingSuffix;
}

void FileSet::write(const std::string &file, const std::string &bytes)
{
    files::writeNewFile(temporaryFor(file), bytes);
}

void FileSet::copy(const std::string &from, const std::string &file)
{
    copyFile(from, temporaryFor(file));
}

void FileSet::commit()
{
    // The journal names the files by their names in its folder, in the
    // order they are renamed.
    std::string list;
    for (const std::string &f : files_)
        list += fs::path(f).filename().string() + "\n";
    files::writeFileAtomically(journal_, list);
    committed_ = true;
    for (const std::string &f : files_) {
        files::crashPoint();
        if (::rename((f + kCopyingSuffix).c_str(), f.c_str()) != 0)
            files::fail(f, "を置き換えられません: " + files::reason(errno));
    }
    files::crashPoint();
    files::syncFolderOf(journal_);
    files::crashPoint();
    ::unlink(journal_.c_str());
    files::syncFolderOf(journal_);
    files::crashPoint();
}

std::string journalFor(const std::string &dbPath)
{
    return dbPath + ".commit";
}

void finishInterruptedCommit(const std::string &dbPath)
{
    const std::string journal = journalFor(dbPath);
    std::error_code ec;
    if (fs::exists(journal, ec)) {
        const std::string folder = folderPath(journal);
        const std::string list = files::readRegularFile(journal, "がありません");
        std::size_t at = 0;
        while (at < list.size()) {
            const std::size_t end = list.find('\n', at);
            const std::string name = list.substr(at, end == std::string::npos ? std::string::npos : end - at);
            at = end == std::string::npos ? list.size() : end + 1;
            if (name.empty() || name.find('/') != std::string::npos)
                continue;
            const std::string file = folder + name;
            if (fs::exists(file + kCopyingSuffix, ec) && ::rename((file + kCopyingSuffix).c_str(), file.c_str()) != 0)
                files::fail(file, "の書き込みを終えられません: " + files::reason(errno));
        }
        files::syncFolderOf(journal);
        ::unlink(journal.c_str());
        files::syncFolderOf(journal);
    }
    // Temporaries of a set that never reached its commit, and of a save
    // that never reached its own.
    for (const std::string &file : tableFiles(dbPath)) {
        ::unlink((file + kCopyingSuffix).c_str());
        ::unlink((file + files::kSavingSuffix).c_str());
    }
    ::unlink((journal + files::kSavingSuffix).c_str());
}

void copyTable(const std::string &fromDb, const std::string &toDb,
               const std::vector<std::pair<std::string, std::string>> &otherFiles)
{
    FileSet set(journalFor(toDb));
    // The settings first: renamed first, it is the file a user opens, and
    // opening it finishes the rest.
    for (const auto &[file, bytes] : otherFiles)
        set.write(file, bytes);
    const auto from = tableFiles(fromDb);
    const auto to = tableFiles(toDb);
    for (std::size_t i = 0; i < from.size(); ++i)
        set.copy(from[i], to[i]);
    set.commit();
}

} // namespace glyphreel::db
