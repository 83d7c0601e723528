#pragma once
// One field of one row as the table engine hands it out.

#include <cstdint>
#include <string>
#include <variant>

namespace glyphreel::db {

// Where a memo's bytes lie in the blob file, as the record describes it.
struct BlobRef {
    std::uint32_t ref = 0;    // block offset | slot (0xFF for a single-blob block)
    std::uint32_t length = 0; // bytes
    std::uint16_t mod = 0;    // modification number, equal in record and blob file
    std::string leader;       // the copy of the first bytes kept in the record
    bool operator==(const BlobRef &) const = default;
};

class Value {
public:
    enum class Kind { Null, Integer, Real, Logical, Bytes, Blob, Raw };

    Value() = default;
    static Value integer(std::int64_t v) { return Value(Kind::Integer, v); }
    static Value real(double v) { return Value(Kind::Real, v); }
    static Value logical(bool v) { return Value(Kind::Logical, v); }
    // Text of alpha fields and memo contents: raw bytes in the table's code page.
    static Value bytes(std::string v) { return Value(Kind::Bytes, std::move(v)); }
    // A memo still in the blob file.
    static Value blob(BlobRef r) { return Value(Kind::Blob, std::move(r)); }
    // The stored bytes of a field type the engine keeps without decoding.
    static Value raw(std::string v) { return Value(Kind::Raw, std::move(v)); }

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }
    std::int64_t asInteger() const { return std::get<std::int64_t>(data_); }
    double asReal() const { return std::get<double>(data_); }
    bool asLogical() const { return std::get<bool>(data_); }
    const std::string &asBytes() const { return std::get<std::string>(data_); }
    const BlobRef &asBlob() const { return std::get<BlobRef>(data_); }

    bool operator==(const Value &) const = default;

private:
    template <typename T>
    Value(Kind k, T v) : kind_(k), data_(std::move(v)) {}

    Kind kind_ = Kind::Null;
    std::variant<std::monostate, std::int64_t, double, bool, std::string, BlobRef> data_;
};

} // namespace glyphreel::db
