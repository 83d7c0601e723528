#pragma once
// Scratch files for fuzz targets whose readers take a path.

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace fuzzsupport {

inline std::string scratch(const char *name)
{
    static const std::string base = "/tmp/glyphreel-fuzz-" + std::to_string(::getpid()) + "-";
    return base + name;
}

inline void writeFile(const std::string &path, const std::uint8_t *data, std::size_t size)
{
    if (std::FILE *f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
}

// A table input: the first two bytes give the records file's length in
// 16-byte units, the rest after it is the blob file. Writes both; false
// when the input is too short to be one.
inline bool writeTableInput(const std::uint8_t *data, std::size_t size, const std::string &db, const std::string &mb)
{
    if (size < 2)
        return false;
    std::size_t dbSize = (std::size_t(data[0]) | (std::size_t(data[1]) << 8)) * 16;
    data += 2;
    size -= 2;
    if (dbSize > size)
        dbSize = size;
    writeFile(db, data, dbSize);
    writeFile(mb, data + dbSize, size - dbSize);
    return true;
}

// Stops the run with the reason, so that the fuzzer keeps the input.
[[noreturn]] inline void broken(const char *what)
{
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

} // namespace fuzzsupport
