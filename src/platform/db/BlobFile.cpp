#include "platform/db/BlobFile.h"

#include "platform/db/ParadoxFormat.h"
#include "platform/files/Files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace glyphreel::db {
namespace {

constexpr std::uint32_t kSlots = 64;
constexpr std::uint32_t kSlotTable = 12;
constexpr std::uint32_t kFirstDataChunk = 0x15;
constexpr std::uint32_t kChunks = 256;

} // namespace

std::string BlobFile::headerBlock()
{
    std::string h(BlobFile::kUnit, '\0');
    h[0] = 0;                // header
    writeU16(&h[1], 1);      // one unit
    writeU16(&h[3], 1);      // modification counter
    const unsigned char constant[6] = {0x82, 0x73, 0x02, 0x00, 0x29, 0x00};
    std::memcpy(&h[5], constant, sizeof constant);
    writeU16(&h[0x0B], 0x1000);
    writeU16(&h[0x0D], 0x1000);
    h[0x10] = 0x10;
    writeU16(&h[0x11], 0x0040);
    writeU16(&h[0x13], 0x0800);
    writeU16(&h[0x29], 0x02A1);
    return h;
}

namespace {

using files::crashPoint;

} // namespace

BlobFile::BlobFile(std::string path) : path_(std::move(path))
{
    try {
        fd_ = files::openRegularFile(path_, size_, "がありません (メモファイル)");
    } catch (const files::FileError &e) {
        throw DbError(e.what());
    }
    char head[3];
    if (size_ < kUnit)
        fail(path_, "は途中で切れています (メモファイルは 4096 バイトのヘッダーブロックで始まります)");
    readAt(0, head, sizeof head, "ヘッダー");
    if (head[0] != 0)
        fail(path_, "はメモファイルではありません (最初のブロックがヘッダーブロックではありません)");
}

BlobFile::~BlobFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void BlobFile::readAt(std::uint64_t offset, char *buffer, std::size_t size, const char *what) const
{
    if (offset > size_ || size > size_ - offset)
        fail(path_, std::string("は壊れています: レコードがファイルの外を指しています (") + what + "、オフセット " + std::to_string(offset) + ")");
    files::readAt(fd_, path_, offset, buffer, size);
}

std::string BlobFile::read(const BlobRef &ref) const
{
    const std::uint64_t block = ref.ref & 0xFFFFFF00u;
    const std::uint32_t index = ref.ref & 0xFFu;
    if (block == 0)
        fail(path_, "は壊れています: レコードがメモの代わりにヘッダーブロックを指しています");
    char head[12];
    readAt(block, head, 9, "メモのブロック");
    const auto type = static_cast<unsigned char>(head[0]);
    // No blob is longer than what is left of the file: check before making
    // room for it.
    if (ref.length > size_ - block)
        fail(path_, "は壊れています: レコードがファイルの外を指しています (" + std::to_string(ref.length) + " バイト、オフセット "
                        + std::to_string(block) + ")");
    std::string data(ref.length, '\0');
    if (type == 2) {
        if (index != 0xFF)
            fail(path_, "は壊れています: レコードが単独のメモのブロックのスロット " + std::to_string(index) + " を指しています");
        const std::uint32_t length = readU32(head + 3);
        const std::uint16_t mod = readU16(head + 7);
        const std::uint64_t units = readU16(head + 1);
        if (length != ref.length)
            fail(path_, "は壊れています: オフセット " + std::to_string(block) + " のメモは " + std::to_string(length)
                            + " バイトですが、レコードでは " + std::to_string(ref.length) + " バイトです");
        if (mod != ref.mod)
            fail(path_, "は壊れています: オフセット " + std::to_string(block) + " のメモは変更されています (変更番号 "
                            + std::to_string(mod) + "、レコードでは " + std::to_string(ref.mod) + ")");
        if (9 + std::uint64_t(length) > units * kUnit)
            fail(path_, "は壊れています: オフセット " + std::to_string(block) + " のメモがブロックより長くなっています");
        readAt(block + 9, data.data(), data.size(), "メモ");
        return data;
    }
    if (type == 3) {
        if (index >= kSlots)
            fail(path_, "は壊れています: レコードが分割ブロックのスロット " + std::to_string(index) + " を指しています");
        char slot[5];
        readAt(block + kSlotTable + 5 * index, slot, sizeof slot, "メモのスロット");
        const auto start = static_cast<unsigned char>(slot[0]);
        const auto chunks = static_cast<unsigned char>(slot[1]);
        const std::uint16_t mod = readU16(slot + 2);
        const auto last = static_cast<unsigned char>(slot[4]);
        if (start == 0)
            fail(path_, "は壊れています: レコードがオフセット " + std::to_string(block) + " のブロックの空きスロット "
                            + std::to_string(index) + " を指しています");
        if (chunks == 0 || last == 0 || last > 16 || (chunks - 1u) * 16u + last != ref.length)
            fail(path_, "は壊れています: オフセット " + std::to_string(block) + " のブロックのスロット " + std::to_string(index)
                            + " にレコードの " + std::to_string(ref.length) + " バイトがありません");
        if (mod != ref.mod)
            fail(path_, "は壊れています: オフセット " + std::to_string(block) + " のブロックのスロット " + std::to_string(index)
                            + " のメモは変更されています (変更番号 " + std::to_string(mod) + "、レコードでは "
                            + std::to_string(ref.mod) + ")");
        if (start * 16u + ref.length > kUnit)
            fail(path_, "は壊れています: オフセット " + std::to_string(block) + " のブロックのスロット " + std::to_string(index)
                            + " がブロックの外にはみ出しています");
        readAt(block + start * 16u, data.data(), data.size(), "メモ");
        return data;
    }
    fail(path_, "は壊れています: レコードがオフセット " + std::to_string(block) + " の"
                    + std::string(type == 4 ? "空き" : type == 0 ? "ヘッダー" : "種類の分からない") + "ブロックを指しています");
}

void BlobFile::addUnits(const BlobRef &ref, bool graphic, Units &units) const
{
    const std::uint32_t block = ref.ref & 0xFFFFFF00u;
    if (block == 0 || block % kUnit != 0 || block >= size_)
        return;
    const std::uint32_t first = block / kUnit;
    // A single-blob block is as long as its blob and header need; no read is
    // needed to know it.
    const std::uint64_t header = graphic ? 17 : 9;
    const std::uint32_t count = (ref.ref & 0xFFu) != 0xFF
        ? 1
        : static_cast<std::uint32_t>((std::uint64_t(ref.length) + header + kUnit - 1) / kUnit);
    if (units.size() < std::size_t(first) + count)
        units.resize(std::size_t(first) + count, false);
    for (std::uint32_t u = 0; u < count; ++u)
        units[first + u] = true;
}

void BlobFile::makeWritable()
{
    if (writable_)
        return;
    const int fd = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        fail(path_, "に書き込めません: " + files::reason(errno));
    ::close(fd_);
    fd_ = fd;
    writable_ = true;
}

void BlobFile::writeAt(std::uint64_t offset, const char *buffer, std::size_t size)
{
    crashPoint();
    // A write that fails part-way may still have made the file longer.
    size_ = std::max(size_, offset + size);
    files::writeAt(fd_, path_, offset, buffer, size);
}

std::uint32_t BlobFile::blockUnitsAt(std::uint32_t unit) const
{
    if (std::uint64_t(unit) * kUnit + 3 > size_)
        return 0;
    char head[3];
    readAt(std::uint64_t(unit) * kUnit, head, sizeof head, "ブロック");
    const auto type = static_cast<unsigned char>(head[0]);
    if (type != 2 && type != 3 && type != 4)
        return 0;
    return type == 3 ? 1 : readU16(head + 1);
}

void BlobFile::repairTail(const Units &inUse)
{
    // Units past the last one a record uses belong to no committed save; a
    // save killed while it wrote there may have left a block that runs past
    // the end of the file, or a file that is not whole units.
    std::uint32_t end = 1;
    for (std::uint32_t u = 1; u < inUse.size(); ++u)
        if (inUse[u])
            end = u + 1;
    const auto units = static_cast<std::uint32_t>(size_ / kUnit);
    std::uint32_t at = end;
    bool whole = size_ % kUnit == 0;
    while (whole && at < units) {
        const std::uint32_t count = blockUnitsAt(at);
        if (count == 0 || at + count > units)
            whole = false;
        else
            at += count;
    }
    if (whole)
        return;
    makeWritable();
    crashPoint();
    if (::ftruncate(fd_, static_cast<off_t>(std::uint64_t(end) * kUnit)) != 0)
        fail(path_, "を直せません: " + files::reason(errno));
    size_ = std::uint64_t(end) * kUnit;
    files::sync(fd_, path_);
}

std::vector<BlobRef> BlobFile::store(const std::vector<const std::string *> &blobs, const Units &protectedUnits)
{
    std::vector<BlobRef> refs(blobs.size());
    bool any = false;
    for (const std::string *b : blobs)
        any = any || !b->empty();
    if (!any)
        return refs;
    makeWritable();
    const std::uint64_t sizeBefore = size_;
    try {
        storeBlobs(blobs, protectedUnits, refs);
        crashPoint();
        files::sync(fd_, path_);
        crashPoint();
    } catch (...) {
        // A failed save leaves the file as it was: what it appended goes;
        // blocks it wrote into free units are referenced by no record and
        // still make a whole file.
        if (size_ > sizeBefore && ::ftruncate(fd_, static_cast<off_t>(sizeBefore)) == 0)
            size_ = sizeBefore;
        throw;
    }
    return refs;
}

void BlobFile::storeBlobs(const std::vector<const std::string *> &blobs, const Units &protectedUnits,
                          std::vector<BlobRef> &refs)
{
    // The runs of units no committed record uses ("gaps"). Each starts where
    // a block starts: after the header or after a block in use.
    const std::uint32_t fileUnits = static_cast<std::uint32_t>(size_ / kUnit);
    struct Gap {
        std::uint32_t start, end;
    };
    std::vector<Gap> gaps;
    for (std::uint32_t u = 1; u < fileUnits;) {
        if (u < protectedUnits.size() && protectedUnits[u]) {
            ++u;
            continue;
        }
        std::uint32_t e = u + 1;
        while (e < fileUnits && !(e < protectedUnits.size() && protectedUnits[e]))
            ++e;
        gaps.push_back({u, e});
        u = e;
    }
    std::uint32_t endUnit = fileUnits;

    // A new block goes at the start of the first gap it fits (first fit) or
    // at the end of the file. Before it is written, the rest of the block it
    // lands in is marked free with a header of its own, so that the file's
    // blocks chain up at every moment, whenever the save is stopped.
    auto allocate = [&](std::uint32_t count) {
        for (Gap &g : gaps) {
            if (g.end - g.start < count)
                continue;
            const std::uint32_t start = g.start, after = start + count;
            std::uint32_t boundary = start;
            while (boundary < after) {
                const std::uint32_t n = blockUnitsAt(boundary);
                if (n == 0 || boundary + n > g.end) {
                    boundary = g.end; // damaged or unknown: the gap ends at a block in use
                    break;
                }
                boundary += n;
            }
            if (boundary > after) {
                char head[3] = {4, 0, 0};
                writeU16(head + 1, static_cast<std::uint16_t>(std::min<std::uint32_t>(boundary - after, 0xFFFF)));
                writeAt(std::uint64_t(after) * kUnit, head, sizeof head);
            }
            g.start = after;
            return start;
        }
        const std::uint32_t start = endUnit;
        endUnit += count;
        return start;
    };

    // Small blobs share suballocated blocks, filled from slot 63 downward and
    // from the first data chunk upward.
    std::string block;
    std::uint32_t blockUnit = 0, nextSlot = 0, nextChunk = 0;
    auto flushBlock = [&] {
        if (!block.empty())
            writeAt(std::uint64_t(blockUnit) * kUnit, block.data(), block.size());
        block.clear();
    };
    for (std::size_t i = 0; i < blobs.size(); ++i) {
        const std::string &data = *blobs[i];
        if (data.empty() || data.size() > kSmallBlobLimit)
            continue;
        const auto chunks = static_cast<std::uint32_t>((data.size() + 15) / 16);
        if (block.empty() || nextSlot == 0 || nextChunk + chunks > kChunks) {
            flushBlock();
            block.assign(kUnit, '\0');
            block[0] = 3;
            writeU16(&block[1], 1);
            blockUnit = allocate(1);
            nextSlot = kSlots;
            nextChunk = kFirstDataChunk;
        }
        const std::uint32_t slot = --nextSlot;
        char *s = &block[kSlotTable + 5 * slot];
        s[0] = static_cast<char>(nextChunk);
        s[1] = static_cast<char>(chunks);
        writeU16(s + 2, 1);
        s[4] = static_cast<char>(data.size() - (chunks - 1) * 16);
        std::memcpy(&block[nextChunk * 16], data.data(), data.size());
        nextChunk += chunks;
        refs[i] = BlobRef{blockUnit * kUnit | slot, static_cast<std::uint32_t>(data.size()), 1, {}};
    }
    flushBlock();

    for (std::size_t i = 0; i < blobs.size(); ++i) {
        const std::string &data = *blobs[i];
        if (data.size() <= kSmallBlobLimit)
            continue;
        const auto units = static_cast<std::uint32_t>((data.size() + 9 + kUnit - 1) / kUnit);
        if (units > 0xFFFF)
            fail(path_, "に " + std::to_string(data.size()) + " バイトのメモは入りません");
        const std::uint32_t start = allocate(units);
        std::string out(std::size_t(units) * kUnit, '\0');
        out[0] = 2;
        writeU16(&out[1], static_cast<std::uint16_t>(units));
        writeU32(&out[3], static_cast<std::uint32_t>(data.size()));
        writeU16(&out[7], 1);
        std::memcpy(&out[9], data.data(), data.size());
        writeAt(std::uint64_t(start) * kUnit, out.data(), out.size());
        refs[i] = BlobRef{start * kUnit | 0xFFu, static_cast<std::uint32_t>(data.size()), 1, {}};
    }
}

void BlobFile::markFreeExcept(const Units &inUse)
{
    const auto fileUnits = static_cast<std::uint32_t>(size_ / kUnit);
    auto used = [&](std::uint32_t u) { return u == 0 || (u < inUse.size() && inUse[u]); };
    struct Run {
        std::uint32_t start, count;
    };
    std::vector<Run> runs;
    for (std::uint32_t u = 1; u < fileUnits;) {
        if (used(u)) {
            ++u;
            continue;
        }
        std::uint32_t count = 1;
        while (u + count < fileUnits && !used(u + count) && count < 0xFFFF)
            ++count;
        runs.push_back({u, count});
        u += count;
    }
    // The last run first: each header written ends where a header already
    // stands, so the blocks chain up after every single write.
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        char head[3];
        head[0] = 4;
        writeU16(head + 1, static_cast<std::uint16_t>(run->count));
        // Only rewrite what is not a free run of this length already.
        char current[3];
        readAt(std::uint64_t(run->start) * kUnit, current, sizeof current, "空きブロック");
        if (std::memcmp(current, head, sizeof head) != 0) {
            makeWritable();
            writeAt(std::uint64_t(run->start) * kUnit, head, sizeof head);
        }
    }
}

} // namespace glyphreel::db
