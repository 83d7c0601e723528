#include "convert/Bmp2str.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <type_traits>
#include <vector>

namespace glyphreel::convert {

// clang-format off
const DensityTable FDensityList = {{
    {0x81, 0x40}, {0x81, 0x44}, {0x81, 0x43}, {0x81, 0x46}, {0xFA, 0x56}, {0x81, 0x47}, {0x81, 0x4D}, {0xFA, 0x57}, {0x81, 0x4F}, {0x81, 0x42}, {0x81, 0x68}, {0x82, 0x89}, {0x83, 0xC7}, {0x81, 0x51}, {0x81, 0x69}, {0x81, 0x6A},
    {0x82, 0x8C}, {0xFA, 0x40}, {0x82, 0x92}, {0x81, 0x7C}, {0xFA, 0x55}, {0x81, 0x49}, {0x82, 0x8A}, {0x83, 0xA7}, {0x88, 0xEA}, {0x82, 0x50}, {0x84, 0x73}, {0x84, 0x84}, {0x98, 0xA4}, {0x81, 0x75}, {0x81, 0x76}, {0x82, 0x68},
    {0x82, 0x96}, {0x98, 0xAB}, {0x81, 0x70}, {0x83, 0xD1}, {0x82, 0x86}, {0x81, 0x62}, {0x81, 0x6F}, {0x82, 0x98}, {0x98, 0xA6}, {0x84, 0x83}, {0x84, 0x89}, {0x81, 0x60}, {0x83, 0x42}, {0x83, 0x6D}, {0x82, 0x83}, {0x84, 0x87},
    {0x82, 0x8E}, {0x84, 0x78}, {0x83, 0xC3}, {0x82, 0x95}, {0x83, 0xCB}, {0x84, 0x7B}, {0x82, 0xC1}, {0x82, 0x9A}, {0x83, 0xB2}, {0x83, 0xCD}, {0x96, 0x6D}, {0x81, 0x84}, {0x82, 0x93}, {0x82, 0x8B}, {0x83, 0xD0}, {0x83, 0x40},
    {0x82, 0x91}, {0x82, 0x90}, {0x82, 0xA5}, {0x84, 0x88}, {0x82, 0xD7}, {0x82, 0xB2}, {0x83, 0x5D}, {0x82, 0x77}, {0x83, 0xB0}, {0x83, 0xA4}, {0x83, 0x69}, {0x84, 0x7A}, {0x81, 0x8F}, {0x83, 0xCC}, {0x82, 0x6F}, {0xFA, 0x45},
    {0x82, 0x60}, {0x83, 0xA3}, {0x82, 0x62}, {0x83, 0x7D}, {0x84, 0x90}, {0x84, 0x4C}, {0x84, 0x4E}, {0x83, 0xC6}, {0x84, 0x4F}, {0x82, 0x64}, {0x83, 0xAD}, {0x83, 0xD3}, {0x82, 0x63}, {0x84, 0x60}, {0x83, 0x4A}, {0x8E, 0xB5},
    {0x84, 0x57}, {0x83, 0x5A}, {0x82, 0x72}, {0x82, 0xB3}, {0x84, 0x8B}, {0x83, 0xAB}, {0x83, 0x94}, {0x83, 0x7A}, {0x82, 0x66}, {0x98, 0xBB}, {0x97, 0xCD}, {0x89, 0xEE}, {0x82, 0x70}, {0x83, 0x4D}, {0x84, 0x86}, {0x84, 0x5C},
    {0x8B, 0xD0}, {0x88, 0xC8}, {0x95, 0x73}, {0x82, 0xED}, {0x83, 0x7C}, {0x82, 0xD2}, {0x82, 0xAA}, {0x82, 0xBA}, {0x84, 0x47}, {0x90, 0x85}, {0x82, 0xF0}, {0x82, 0xDC}, {0x88, 0xF2}, {0x8C, 0xC1}, {0x88, 0xF8}, {0x8C, 0xB3},
    {0x8B, 0x75}, {0x82, 0xCB}, {0x88, 0xF0}, {0x89, 0x88}, {0x8B, 0xCA}, {0x82, 0xCF}, {0x84, 0x4D}, {0x8A, 0xA7}, {0x8B, 0xA4}, {0x88, 0xE4}, {0x89, 0x50}, {0x89, 0x45}, {0x89, 0x9E}, {0x8D, 0xEC}, {0x8C, 0x8F}, {0x82, 0xDB},
    {0x89, 0x9B}, {0x8B, 0x77}, {0x89, 0xD4}, {0x88, 0xE5}, {0x8E, 0xDB}, {0x8A, 0xA2}, {0x8B, 0x78}, {0x8A, 0x77}, {0x8A, 0x70}, {0x8D, 0x5E}, {0x89, 0xBD}, {0x89, 0xEF}, {0x89, 0x9D}, {0x89, 0xD5}, {0x88, 0xFA}, {0x8B, 0x9B},
    {0x8A, 0xEA}, {0x88, 0xC0}, {0x89, 0xFC}, {0x8B, 0x88}, {0x89, 0xB6}, {0x89, 0x6B}, {0x8B, 0x43}, {0x89, 0x47}, {0x8A, 0xC1}, {0x88, 0xDD}, {0x89, 0xBC}, {0x88, 0xF9}, {0x89, 0x59}, {0x89, 0xD7}, {0x88, 0xCC}, {0x89, 0x75},
    {0x88, 0xA5}, {0x89, 0xAD}, {0x88, 0xAE}, {0x88, 0xED}, {0x88, 0xA7}, {0x88, 0xD4}, {0x89, 0x4A}, {0x88, 0xE6}, {0x89, 0xA2}, {0x89, 0xC3}, {0x88, 0xD6}, {0x89, 0x57}, {0x88, 0xD0}, {0x88, 0xDC}, {0x8A, 0x57}, {0x88, 0xFC},
    {0x8A, 0xD4}, {0x89, 0x42}, {0x89, 0x5F}, {0x88, 0xE3}, {0x88, 0xBA}, {0x89, 0x4F}, {0x88, 0xEE}, {0x8A, 0xC0}, {0x89, 0x86}, {0x89, 0x5C}, {0x89, 0x4D}, {0x89, 0x54}, {0x89, 0x99}, {0x89, 0xAE}, {0x89, 0x8C}, {0x89, 0x43},
    {0x89, 0xF9}, {0x89, 0x7C}, {0x8A, 0xF9}, {0x89, 0x77}, {0x8B, 0x4A}, {0x89, 0xDA}, {0x88, 0xB1}, {0x8A, 0x9A}, {0x89, 0xDB}, {0x89, 0xB1}, {0x89, 0x7D}, {0x8B, 0x61}, {0x89, 0xC9}, {0x8E, 0x82}, {0x88, 0xC5}, {0x8D, 0xB5},
    {0x8B, 0xEC}, {0x8B, 0xC0}, {0x89, 0x92}, {0x98, 0x49}, {0x93, 0x51}, {0x8A, 0xD3}, {0x93, 0x4C}, {0x8C, 0xEF}, {0x94, 0x65}, {0x8A, 0x5D}, {0x93, 0xD3}, {0x96, 0xC9}, {0x91, 0x57}, {0x9A, 0xA0}, {0x91, 0xE2}, {0x9A, 0x97},
    {0xEA, 0x97}, {0x91, 0x9F}, {0x97, 0x93}, {0xE6, 0xDC}, {0xE0, 0xA3}, {0x8C, 0xED}, {0x95, 0xDA}, {0x9A, 0xA2}, {0xFB, 0xE7}, {0xE2, 0xF8}, {0xFB, 0xE3}, {0x9A, 0xA4}, {0x9A, 0xA6}, {0xE0, 0xAF}, {0xEA, 0x99}, {0xEA, 0x9A},
}};

const DensityTable FDensityAnkList = {{
    {0x20, 0x20}, {0x20, 0x2E}, {0x20, 0x2C}, {0x20, 0x27}, {0x20, 0x3A}, {0x20, 0x60}, {0x20, 0x3B}, {0x27, 0x2E}, {0x2E, 0x3A}, {0x2E, 0x60}, {0x27, 0x2C}, {0x20, 0x5F}, {0x20, 0x5E}, {0x2E, 0x3B}, {0x2C, 0x60}, {0x27, 0x3A},
    {0x27, 0x60}, {0x3A, 0x3A}, {0x3A, 0x60}, {0x60, 0x60}, {0x27, 0x3B}, {0x2E, 0x5F}, {0x2E, 0x5E}, {0x20, 0x22}, {0x3B, 0x3A}, {0x3B, 0x60}, {0x2D, 0x2E}, {0x2C, 0x5F}, {0x2C, 0x5E}, {0x27, 0x5E}, {0x3B, 0x3B}, {0x2E, 0x7E},
    {0x3A, 0x5F}, {0x5F, 0x60}, {0x3A, 0x5E}, {0x20, 0x2F}, {0x2C, 0x7E}, {0x2D, 0x60}, {0x27, 0x7E}, {0x3B, 0x5E}, {0x22, 0x2C}, {0x22, 0x27}, {0x3A, 0x7E}, {0x60, 0x7E}, {0x22, 0x3A}, {0x22, 0x60}, {0x20, 0x69}, {0x5E, 0x5F},
    {0x2E, 0x2F}, {0x3B, 0x7E}, {0x22, 0x3B}, {0x20, 0x28}, {0x20, 0x21}, {0x27, 0x2F}, {0x5F, 0x7E}, {0x2E, 0x69}, {0x22, 0x5F}, {0x2F, 0x60}, {0x20, 0x6C}, {0x2D, 0x7E}, {0x2B, 0x2E}, {0x2C, 0x69}, {0x22, 0x2D}, {0x2F, 0x3B},
    {0x7E, 0x7E}, {0x2E, 0x3D}, {0x60, 0x69}, {0x27, 0x28}, {0x22, 0x22}, {0x21, 0x27}, {0x2F, 0x5F}, {0x2F, 0x5E}, {0x21, 0x3A}, {0x20, 0x31}, {0x2C, 0x6C}, {0x27, 0x6C}, {0x3A, 0x3D}, {0x28, 0x3B}, {0x21, 0x3B}, {0x2F, 0x7E},
    {0x60, 0x6C}, {0x22, 0x2F}, {0x2C, 0x49}, {0x3A, 0x72}, {0x60, 0x72}, {0x20, 0x7C}, {0x3B, 0x6C}, {0x21, 0x5E}, {0x3A, 0x49}, {0x20, 0x7B}, {0x28, 0x2D}, {0x27, 0x31}, {0x27, 0x6A}, {0x2E, 0x76}, {0x2D, 0x3D}, {0x5F, 0x72},
    {0x2D, 0x6C}, {0x2E, 0x7D}, {0x2C, 0x76}, {0x27, 0x76}, {0x27, 0x7A}, {0x2C, 0x5D}, {0x2E, 0x78}, {0x2C, 0x5B}, {0x2A, 0x2E}, {0x3A, 0x7D}, {0x21, 0x2F}, {0x20, 0x6F}, {0x22, 0x49}, {0x3B, 0x7D}, {0x3B, 0x7B}, {0x2C, 0x66},
    {0x27, 0x66}, {0x3A, 0x66}, {0x2D, 0x76}, {0x28, 0x2B}, {0x21, 0x28}, {0x22, 0x76}, {0x4C, 0x5F}, {0x2D, 0x4C}, {0x3B, 0x6F}, {0x3D, 0x72}, {0x20, 0x70}, {0x31, 0x69}, {0x2F, 0x7C}, {0x3B, 0x65}, {0x2F, 0x5D}, {0x20, 0x53},
    {0x2D, 0x6F}, {0x22, 0x75}, {0x46, 0x5F}, {0x25, 0x3A}, {0x21, 0x7C}, {0x2B, 0x5B}, {0x20, 0x4F}, {0x21, 0x6F}, {0x41, 0x5F}, {0x2F, 0x56}, {0x2C, 0x44}, {0x26, 0x7E}, {0x43, 0x72}, {0x21, 0x41}, {0x22, 0x24}, {0x49, 0x4E},
    {0x35, 0x64}, {0x38, 0x68}, {0x41, 0x53}, {0x40, 0x5C}, {0x41, 0x4F}, {0x40, 0x47}, {0x38, 0x5C}, {0x43, 0x52}, {0x26, 0x4F}, {0x26, 0x39}, {0x4B, 0x55}, {0x23, 0x23}, {0x24, 0x40}, {0x26, 0x38}, {0x41, 0x52}, {0x42, 0x62},
    {0x23, 0x26}, {0x26, 0x4B}, {0x57, 0x61}, {0x24, 0x36}, {0x44, 0x47}, {0x25, 0x4E}, {0x23, 0x52}, {0x41, 0x42}, {0x25, 0x57}, {0x26, 0x44}, {0x26, 0x51}, {0x24, 0x4B}, {0x4E, 0x70}, {0x43, 0x4E}, {0x36, 0x42}, {0x39, 0x42},
    {0x43, 0x57}, {0x42, 0x6D}, {0x4D, 0x75}, {0x51, 0x51}, {0x4E, 0x67}, {0x4E, 0x53}, {0x44, 0x52}, {0x35, 0x57}, {0x24, 0x44}, {0x24, 0x51}, {0x57, 0x67}, {0x42, 0x4B}, {0x52, 0x52}, {0x24, 0x52}, {0x24, 0x24}, {0x26, 0x42},
    {0x40, 0x57}, {0x46, 0x4D}, {0x57, 0x77}, {0x4E, 0x5C}, {0x41, 0x57}, {0x36, 0x4E}, {0x4E, 0x4F}, {0x42, 0x51}, {0x4D, 0x5A}, {0x36, 0x57}, {0x4F, 0x57}, {0x39, 0x57}, {0x4E, 0x55}, {0x24, 0x42}, {0x57, 0x6D}, {0x33, 0x4D},
    {0x47, 0x4E}, {0x38, 0x57}, {0x23, 0x4E}, {0x32, 0x4D}, {0x25, 0x4D}, {0x23, 0x57}, {0x4D, 0x56}, {0x4B, 0x57}, {0x4D, 0x70}, {0x43, 0x4D}, {0x42, 0x42}, {0x4D, 0x58}, {0x4D, 0x62}, {0x44, 0x4E}, {0x34, 0x4D}, {0x35, 0x4D},
    {0x4D, 0x67}, {0x44, 0x57}, {0x51, 0x57}, {0x24, 0x4E}, {0x52, 0x57}, {0x24, 0x57}, {0x40, 0x4D}, {0x4D, 0x77}, {0x41, 0x4D}, {0x4D, 0x5C}, {0x36, 0x4D}, {0x4D, 0x4F}, {0x39, 0x4D}, {0x4D, 0x6D}, {0x42, 0x57}, {0x38, 0x4D},
    {0x4D, 0x55}, {0x47, 0x4D}, {0x23, 0x4D}, {0x4B, 0x4D}, {0x26, 0x4D}, {0x4E, 0x4E}, {0x44, 0x4D}, {0x4D, 0x51}, {0x4E, 0x57}, {0x4D, 0x52}, {0x24, 0x4D}, {0x57, 0x57}, {0x42, 0x4D}, {0x4D, 0x4E}, {0x4D, 0x57}, {0x4D, 0x4D},
}};
// clang-format on

namespace {

// The table index of a block whose n pixels have the channel sum s: the mean
// of the 3n channel values rounded half up, mirrored when not inverting.
inline int densityIndex(std::uint64_t s, std::uint64_t n, bool invert)
{
    const int v = static_cast<int>((2 * s + 3 * n) / (6 * n));
    return invert ? v : 255 - v;
}

// Full blocks all have the same pixel count, so their cells come from a table
// indexed by the block's sum: no division in the inner loop. Beyond this size
// the blocks are so large and few that dividing costs nothing.
constexpr std::uint64_t kMaxLookupSums = 1u << 20;

// The row kernels, compiled for AVX2 as well as for any x86-64; the loader
// picks the best the processor has. Each walks its row once.
#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__) && !defined(__clang__)
#define GLYPHREEL_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define GLYPHREEL_CLONES
#endif

// Brightness sums (blue + green + red) of the pixels of one row.
GLYPHREEL_CLONES void rowSums(const std::uint8_t *__restrict src, std::uint16_t *__restrict out, std::size_t width)
{
    for (std::size_t x = 0; x < width; ++x)
        out[x] = static_cast<std::uint16_t>(src[3 * x] + src[3 * x + 1] + src[3 * x + 2]);
}

GLYPHREEL_CLONES void addRowSums(const std::uint8_t *__restrict src, std::uint32_t *__restrict acc, std::size_t width)
{
    for (std::size_t x = 0; x < width; ++x)
        acc[x] += static_cast<std::uint32_t>(src[3 * x] + src[3 * x + 1] + src[3 * x + 2]);
}

// Pixel width 1, in one pass over a row: its brightness sums replace the
// previous row's in prev, and each column's sum over both rows goes to col.
GLYPHREEL_CLONES void rowAndColumnSums(const std::uint8_t *__restrict src, std::uint16_t *__restrict prev,
                                       std::uint16_t *__restrict col, std::size_t width)
{
    for (std::size_t x = 0; x < width; ++x) {
        const auto s = static_cast<std::uint16_t>(src[3 * x] + src[3 * x + 1] + src[3 * x + 2]);
        col[x] = static_cast<std::uint16_t>(prev[x] + s);
        prev[x] = s;
    }
}

GLYPHREEL_CLONES void addSums(const std::uint16_t *__restrict sums, std::uint32_t *__restrict acc, std::size_t width)
{
    for (std::size_t x = 0; x < width; ++x)
        acc[x] += sums[x];
}

GLYPHREEL_CLONES void neighbourSums(const std::uint16_t *__restrict acc, std::uint16_t *__restrict out, std::size_t count)
{
    for (std::size_t k = 0; k < count; ++k)
        out[k] = static_cast<std::uint16_t>(acc[k] + acc[k + 1]);
}

// Cells of one pixel width: each the sum of two neighbouring columns.
GLYPHREEL_CLONES void pairSums(const std::uint16_t *__restrict acc, std::uint64_t *__restrict cells, std::size_t count)
{
    for (std::size_t k = 0; k < count; ++k)
        cells[k] = static_cast<std::uint64_t>(acc[k]) + acc[k + 1];
}

void pairSums(const std::uint32_t *acc, std::uint64_t *cells, std::size_t count)
{
    for (std::size_t k = 0; k < count; ++k)
        cells[k] = static_cast<std::uint64_t>(acc[k]) + acc[k + 1];
}

// Blocks more than one pixel wide: the rows of a line are added byte by
// byte, a strip of 32 bytes at a time kept in registers, so that each row is
// read once and the sums are written once; then the three channels of each
// column are added.
using Bytes16 = std::uint8_t __attribute__((vector_size(16)));
using Words16 = std::uint16_t __attribute__((vector_size(32)));

GLYPHREEL_CLONES void sumRows(const std::uint8_t *const *rows, std::size_t rowCount, std::uint16_t *__restrict acc,
                              std::size_t n)
{
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        Words16 low = {}, high = {};
        for (std::size_t r = 0; r < rowCount; ++r) {
            Bytes16 a, b;
            std::memcpy(&a, rows[r] + i, sizeof a);
            std::memcpy(&b, rows[r] + i + 16, sizeof b);
            low += __builtin_convertvector(a, Words16);
            high += __builtin_convertvector(b, Words16);
        }
        std::memcpy(acc + i, &low, sizeof low);
        std::memcpy(acc + i + 16, &high, sizeof high);
    }
    for (; i < n; ++i) {
        std::uint16_t sum = 0;
        for (std::size_t r = 0; r < rowCount; ++r)
            sum = static_cast<std::uint16_t>(sum + rows[r][i]);
        acc[i] = sum;
    }
}

GLYPHREEL_CLONES void channelSums(const std::uint16_t *__restrict acc, std::uint16_t *__restrict out, std::size_t width)
{
    for (std::size_t x = 0; x < width; ++x)
        out[x] = static_cast<std::uint16_t>(acc[3 * x] + acc[3 * x + 1] + acc[3 * x + 2]);
}

inline char *putCell(char *dst, const DensityCell &cell)
{
    dst[0] = static_cast<char>(cell[0]);
    dst[1] = static_cast<char>(cell[1]);
    return dst + 2;
}

// What every line shares: the block geometry, the tables, the output.
struct LineWriter {
    std::int64_t width;
    std::int64_t p;
    const DensityTable &table;
    bool invert;
    std::vector<std::uint16_t> lookup; // cells of full blocks by their sum
    std::vector<std::uint64_t> sums;
    std::vector<std::uint16_t> pairs;
    char *dst;

    LineWriter(std::int64_t width_, std::int64_t p_, const DensityTable &table_, bool invert_, char *out)
        : width(width_), p(p_), table(table_), invert(invert_), dst(out)
    {
        const std::uint64_t fullCount = static_cast<std::uint64_t>(p + 1) * static_cast<std::uint64_t>(p + 1);
        // Each cell's two bytes as one 16-bit word in memory order, so a
        // cell is one load and one store.
        if (fullCount < kMaxLookupSums / 765) {
            const std::uint64_t maxSum = 765 * fullCount;
            lookup.resize(maxSum + 1);
            for (std::uint64_t s = 0; s <= maxSum; ++s)
                std::memcpy(&lookup[s], table[densityIndex(s, fullCount, invert)].data(), 2);
        }
        sums.resize(static_cast<std::size_t>((width + p - 1) / p) + 1);
    }

    // The full cells of a line for the common small pixel widths, with the
    // width known to the compiler: sum and lookup in one unrolled loop.
    template <int P, typename Acc>
    void writeFixed(const Acc *a, std::size_t count)
    {
        const std::uint16_t *lut = lookup.data();
        for (std::size_t k = 0; k < count; ++k) {
            const Acc *col = a + k * P;
            std::uint32_t s = 0;
            for (int i = 0; i <= P; ++i)
                s += col[i];
            std::memcpy(dst + 2 * k, &lut[s], 2);
        }
        dst += 2 * count;
    }

    // Pixel width 1: each cell is two neighbouring columns. The pair sums
    // are made for the whole line first, which vectorises; then each cell
    // is one load from the table.
    template <typename Acc>
    void writePairs(const Acc *a, std::size_t count)
    {
        const std::uint16_t *lut = lookup.data();
        if constexpr (std::is_same_v<Acc, std::uint16_t> && std::endian::native == std::endian::little) {
            pairs.resize(count);
            neighbourSums(a, pairs.data(), count);
            const std::uint16_t *idx = pairs.data();
            std::uint16_t *out = reinterpret_cast<std::uint16_t *>(dst);
            std::size_t k = 0;
            for (; k + 4 <= count; k += 4) {
                const std::uint64_t four = static_cast<std::uint64_t>(lut[idx[k]])
                    | static_cast<std::uint64_t>(lut[idx[k + 1]]) << 16
                    | static_cast<std::uint64_t>(lut[idx[k + 2]]) << 32
                    | static_cast<std::uint64_t>(lut[idx[k + 3]]) << 48;
                std::memcpy(out + k, &four, 8);
            }
            for (; k < count; ++k)
                std::memcpy(out + k, &lut[idx[k]], 2);
        } else {
            std::uint32_t left = count ? a[0] : 0;
            for (std::size_t k = 0; k < count; ++k) {
                const std::uint32_t right = a[k + 1];
                std::memcpy(dst + 2 * k, &lut[left + right], 2);
                left = right;
            }
        }
        dst += 2 * count;
    }

    template <typename Acc>
    bool writeFullCells(const Acc *a, std::size_t count)
    {
        switch (p) {
        case 1: writePairs(a, count); return true;
        case 2: writeFixed<2>(a, count); return true;
        case 3: writeFixed<3>(a, count); return true;
        case 4: writeFixed<4>(a, count); return true;
        case 5: writeFixed<5>(a, count); return true;
        case 6: writeFixed<6>(a, count); return true;
        case 8: writeFixed<8>(a, count); return true;
        default: return false;
        }
    }

    // Writes one line from the brightness sums of its columns over its rows.
    template <typename Acc>
    void write(const Acc *a, std::uint64_t rows)
    {
        const bool fullRows = rows == static_cast<std::uint64_t>(p + 1);
        // Cell k covers columns kp .. kp + p; the column kp + p is shared
        // with cell k + 1. First the cells that have all p + 1 columns.
        const std::size_t fullCells = width > p ? static_cast<std::size_t>((width - 1 - p) / p + 1) : 0;
        if (fullRows && !lookup.empty() && writeFullCells(a, fullCells)) {
            // done by a loop made for this pixel width
        } else {
            if (p == 1) {
                pairSums(a, sums.data(), fullCells);
            } else {
                for (std::size_t k = 0; k < fullCells; ++k) {
                    const Acc *col = a + static_cast<std::int64_t>(k) * p;
                    std::uint64_t s = 0;
                    for (std::int64_t i = 0; i <= p; ++i)
                        s += col[i];
                    sums[k] = s;
                }
            }
            if (fullRows && !lookup.empty()) {
                const std::uint16_t *lut = lookup.data();
                const std::uint64_t *cellSums = sums.data();
                for (std::size_t k = 0; k < fullCells; ++k)
                    std::memcpy(dst + 2 * k, &lut[cellSums[k]], 2);
                dst += 2 * fullCells;
            } else {
                const std::uint64_t n = rows * static_cast<std::uint64_t>(p + 1);
                for (std::size_t k = 0; k < fullCells; ++k)
                    dst = putCell(dst, table[densityIndex(sums[k], n, invert)]);
            }
        }
        // The cells at the right edge cover fewer columns.
        for (std::int64_t x = static_cast<std::int64_t>(fullCells) * p; x < width; x += p) {
            const std::int64_t lastColumn = std::min(x + p, width - 1);
            std::uint64_t s = 0;
            for (std::int64_t i = x; i <= lastColumn; ++i)
                s += a[i];
            dst = putCell(dst, table[densityIndex(s, rows * static_cast<std::uint64_t>(lastColumn - x + 1), invert)]);
        }
        *dst++ = '\r';
        *dst++ = '\n';
    }
};

// Lines of blocks. A line's last row is also the first row of the next line.
//
// Pixel width 1 and very wide blocks: each row is reduced once to per-column
// brightness sums (blue + green + red), kept for the next line when shared.
template <typename Acc>
void convertByColumns(const bitmap::Bitmap &picture, LineWriter &out)
{
    const std::int64_t p = out.p;
    const std::int64_t height = picture.height();
    const std::size_t w = static_cast<std::size_t>(picture.width());
    std::vector<Acc> acc(w + 1);
    std::vector<std::uint16_t> carry(w + 1);
    for (std::int64_t y = 0; y < height; y += p) {
        const std::int64_t lastRow = std::min(y + p, height - 1);
        Acc *a = acc.data();
        if (y == 0)
            rowSums(picture.row(0), carry.data(), w);
        std::copy(carry.begin(), carry.begin() + static_cast<std::ptrdiff_t>(w), a);
        for (std::int64_t r = y + 1; r <= lastRow; ++r) {
            const std::uint8_t *src = picture.row(static_cast<int>(r));
            if (r == y + p) {
                rowSums(src, carry.data(), w);
                addSums(carry.data(), a, w);
            } else {
                addRowSums(src, a, w);
            }
        }
        out.write(a, static_cast<std::uint64_t>(lastRow - y + 1));
    }
}

// Pixel width 1: every line is two rows, each row read once.
void convertPairs(const bitmap::Bitmap &picture, LineWriter &out)
{
    const int height = picture.height();
    const std::size_t w = static_cast<std::size_t>(picture.width());
    std::vector<std::uint16_t> prev(w + 1), col(w + 1);
    rowSums(picture.row(0), prev.data(), w);
    for (int y = 0; y < height; ++y) {
        if (y + 1 < height) {
            rowAndColumnSums(picture.row(y + 1), prev.data(), col.data(), w);
            out.write(col.data(), 2);
        } else {
            out.write(prev.data(), 1);
        }
    }
}

// Blocks of 2 to 84 pixels: all sums fit 16 bits. The row a line shares
// with the next is read again for the next, from the cache.
void convertByBytes(const bitmap::Bitmap &picture, LineWriter &out)
{
    const std::int64_t p = out.p;
    const std::int64_t height = picture.height();
    const std::size_t w = static_cast<std::size_t>(picture.width());
    std::vector<std::uint16_t> acc(3 * w + 1), columns(w + 1);
    std::vector<const std::uint8_t *> rows(static_cast<std::size_t>(p + 1));
    for (std::int64_t y = 0; y < height; y += p) {
        const std::int64_t lastRow = std::min(y + p, height - 1);
        const std::size_t count = static_cast<std::size_t>(lastRow - y + 1);
        for (std::size_t r = 0; r < count; ++r)
            rows[r] = picture.row(static_cast<int>(y + static_cast<std::int64_t>(r)));
        sumRows(rows.data(), count, acc.data(), 3 * w);
        channelSums(acc.data(), columns.data(), w);
        out.write(columns.data(), static_cast<std::uint64_t>(count));
    }
}

} // namespace

std::size_t artSize(int width, int height, int pixelWidth)
{
    if (width < 0 || height <= 0 || pixelWidth < 1)
        return 0;
    const std::size_t p = static_cast<std::size_t>(pixelWidth);
    const std::size_t lines = (static_cast<std::size_t>(height) + p - 1) / p;
    const std::size_t cells = (static_cast<std::size_t>(width) + p - 1) / p;
    return lines * (2 * cells + 2);
}

namespace {

// Writes the art of a 24-bit picture to dst, which holds artSize() bytes.
void convertInto(const bitmap::Bitmap &bitmap, int pixelWidth, bool halfWidth, bool invert, char *dst)
{
    const std::size_t p = static_cast<std::size_t>(pixelWidth);
    LineWriter writer(bitmap.width(), pixelWidth, halfWidth ? FDensityAnkList : FDensityList, invert, dst);
    // A column's brightness sum over p + 1 rows fits 16 bits up to p = 84.
    const bool fits16 = 765 * (p + 1) <= 0xFFFF;
    if (p >= 2 && fits16)
        convertByBytes(bitmap, writer);
    else if (p == 1)
        convertPairs(bitmap, writer);
    else
        convertByColumns<std::uint32_t>(bitmap, writer);
}

void checkPixelWidth(int pixelWidth)
{
    if (pixelWidth < 1)
        throw std::invalid_argument("the pixel width must be 1 or more, not " + std::to_string(pixelWidth));
}

} // namespace

char *ArtBuffer::reserve(std::size_t size)
{
    if (size > capacity_) {
        // Not cleared: every byte is written by the conversion.
        data_.reset(new char[size]);
        capacity_ = size;
    }
    size_ = size;
    return data_.get();
}

std::string BmpToString(bitmap::Bitmap &bitmap, int pixelWidth, bool halfWidth, bool invert)
{
    checkPixelWidth(pixelWidth);
    std::string result;
    if (bitmap.height() == 0)
        return result;
    bitmap.convertTo24Bit();
    result.resize(artSize(bitmap.width(), bitmap.height(), pixelWidth));
    convertInto(bitmap, pixelWidth, halfWidth, invert, result.data());
    return result;
}

std::string_view BmpToString(bitmap::Bitmap &bitmap, int pixelWidth, bool halfWidth, bool invert, ArtBuffer &out)
{
    checkPixelWidth(pixelWidth);
    if (bitmap.height() == 0) {
        out.reserve(0);
        return out.view();
    }
    bitmap.convertTo24Bit();
    convertInto(bitmap, pixelWidth, halfWidth, invert, out.reserve(artSize(bitmap.width(), bitmap.height(), pixelWidth)));
    return out.view();
}

} // namespace glyphreel::convert
