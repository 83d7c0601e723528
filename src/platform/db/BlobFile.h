#pragma once
// The blob file (.mb) beside a table: memo contents in 4 KiB units. Small
// blobs share suballocated blocks, large ones have single-blob blocks.
//
// New blobs never go into a unit that a committed record may still point
// to: the caller names those units, and everything else is free to reuse.

#include "platform/db/Value.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace glyphreel::db {

class BlobFile {
public:
    static constexpr std::uint32_t kUnit = 4096;
    static constexpr std::uint32_t kSmallBlobLimit = 2048;

    // Opens an existing blob file and checks its header block.
    explicit BlobFile(std::string path);
    ~BlobFile();
    BlobFile(const BlobFile &) = delete;
    BlobFile &operator=(const BlobFile &) = delete;

    // The header block a new blob file holds, and nothing else.
    static std::string headerBlock();

    const std::string &path() const { return path_; }

    // The blob's bytes, checked against the file: the block kind, the slot,
    // the length and the modification number must agree with the record.
    std::string read(const BlobRef &ref) const;

    // One flag per 4 KiB unit of the file, counted from 0.
    using Units = std::vector<bool>;

    // Flags the units that the blob occupies. Graphic blobs have a longer
    // header in their block.
    void addUnits(const BlobRef &ref, bool graphic, Units &units) const;

    // Stores new blobs in units not flagged in `protectedUnits`, reusing free
    // units before the end of the file, and flushes them to the disk.
    // Returns one reference per blob, in order. Empty blobs get an empty
    // reference.
    std::vector<BlobRef> store(const std::vector<const std::string *> &blobs, const Units &protectedUnits);

    // Marks every unit but the header and those in use as free, in runs, so
    // that the file's blocks chain up again after units were reused. Only
    // for units no committed record points to.
    void markFreeExcept(const Units &inUse);

    // Cuts off what a killed save left after the last unit in use when it
    // does not make whole blocks (a block running past the end, a file that
    // is not whole units). Nothing a record uses is touched.
    void repairTail(const Units &inUse);

private:
    void readAt(std::uint64_t offset, char *buffer, std::size_t size, const char *what) const;
    void writeAt(std::uint64_t offset, const char *buffer, std::size_t size);
    void makeWritable();
    // The units of the block starting at this unit, 0 when none starts there.
    std::uint32_t blockUnitsAt(std::uint32_t unit) const;
    void storeBlobs(const std::vector<const std::string *> &blobs, const Units &protectedUnits, std::vector<BlobRef> &refs);

    std::string path_;
    int fd_ = -1;
    bool writable_ = false;
    std::uint64_t size_ = 0;
};

} // namespace glyphreel::db
