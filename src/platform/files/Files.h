#pragma once
// Files written so that no failure and no crash loses what was there: every
// write checked and every failure named with its reason, new contents made
// under a temporary name, flushed to the disk and renamed into place.
// Reads refuse what is not a regular file (a FIFO would block, a device
// never ends) and read no more than the file held when it was opened.
//
// Numbered crash points sit around every write, flush and rename. In a
// build with GLYPHREEL_CRASH_POINTS (the test build) the process kills
// itself at point N when GLYPHREEL_CRASH_AT=N is set, the way a power cut
// would stop it; elsewhere they compile to nothing.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace glyphreel::files {

// A file that cannot be read or written, in words for the user: the file
// and why.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "「path」" followed by what.
[[noreturn]] void fail(const std::string &path, const std::string &what);

// Why an operation failed, in Japanese with the system's own text after
// it: "空き容量がありません (No space left on device)".
std::string reason(int error);

#ifdef GLYPHREEL_CRASH_POINTS
void crashPoint();
// The points passed so far in this process.
long crashPointsPassed();
#else
inline void crashPoint() {}
#endif

// The suffix of a file being written in place of another: removed by the
// next open when a crash left it.
inline const std::string kSavingSuffix = ".saving";

// Opens a regular file for reading and gives its size. Refuses a folder, a
// FIFO (without blocking on it) or a device. Throws FileError naming the
// file, saying `missing` when there is none.
int openRegularFile(const std::string &path, std::uint64_t &size, const std::string &missing);

// Whether the path names a regular file (following links).
bool isRegularFile(const std::string &path);

// The whole of a regular file. Throws FileError naming the file, saying
// `missing` when there is none.
std::string readRegularFile(const std::string &path, const std::string &missing);

// Reads exactly size bytes at the offset; throws FileError naming the file
// when it cannot, or when the file ends before.
void readAt(int fd, const std::string &path, std::uint64_t offset, char *data, std::size_t size);

// Writes all the bytes at the offset; throws FileError naming the file on
// any failure (no space, quota, I/O error).
void writeAt(int fd, const std::string &path, std::uint64_t offset, const char *data, std::size_t size);

// Flushes the file's data to the disk; throws FileError on failure.
void sync(int fd, const std::string &path);

// Writes a new file (replacing any file of that name) and flushes it. On a
// failure the partly written file is removed.
void writeNewFile(const std::string &path, const std::string &bytes);

// Renames from over to and flushes the folder: the step that makes a new
// content the file's.
void replaceFile(const std::string &from, const std::string &to);

void syncFolderOf(const std::string &path);

// Writes the file under path + ".saving", flushes it and renames it over
// path. After a crash or a failure at any moment the file holds its old or
// its new content; a failure leaves no temporary file.
void writeFileAtomically(const std::string &path, const std::string &bytes);

} // namespace glyphreel::files
