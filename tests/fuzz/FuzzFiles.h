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

// Stops the run with the reason, so that the fuzzer keeps the input.
[[noreturn]] inline void broken(const char *what)
{
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

} // namespace fuzzsupport
