#include "platform/db/ParadoxFormat.h"

#include <bit>
#include <cstring>

namespace glyphreel::db {

void fail(const std::string &file, const std::string &what)
{
    throw DbError("「" + file + "」" + what);
}

bool isKnownFieldType(std::uint8_t code)
{
    switch (code) {
    case 0x01: case 0x02: case 0x03: case 0x04: case 0x05: case 0x06: case 0x09: case 0x0C: case 0x0D:
    case 0x0E: case 0x0F: case 0x10: case 0x14: case 0x15: case 0x16: case 0x17: case 0x18:
        return true;
    default:
        return false;
    }
}

bool isBlobType(FieldType type)
{
    switch (type) {
    case FieldType::Memo: case FieldType::Binary: case FieldType::FormattedMemo: case FieldType::Ole:
    case FieldType::Graphic:
        return true;
    default:
        return false;
    }
}

int fixedFieldSize(FieldType type)
{
    switch (type) {
    case FieldType::Date: case FieldType::Long: case FieldType::Time: case FieldType::AutoInc: return 4;
    case FieldType::Short: return 2;
    case FieldType::Money: case FieldType::Number: case FieldType::Timestamp: return 8;
    case FieldType::Logical: return 1;
    case FieldType::Bcd: return 17;
    default: return 0;
    }
}

std::uint16_t readU16(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return static_cast<std::uint16_t>(u[0] | (u[1] << 8));
}

std::uint32_t readU32(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return std::uint32_t(u[0]) | (std::uint32_t(u[1]) << 8) | (std::uint32_t(u[2]) << 16) | (std::uint32_t(u[3]) << 24);
}

void writeU16(char *p, std::uint16_t v)
{
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>(v >> 8);
}

void writeU32(char *p, std::uint32_t v)
{
    writeU16(p, static_cast<std::uint16_t>(v & 0xFFFF));
    writeU16(p + 2, static_cast<std::uint16_t>(v >> 16));
}

namespace {

bool allZero(std::string_view b)
{
    for (char c : b)
        if (c != 0)
            return false;
    return true;
}

// Big-endian with the sign bit inverted: the order in which keys sort.
std::int64_t decodeInteger(std::string_view b)
{
    std::uint64_t v = 0;
    for (char c : b)
        v = (v << 8) | static_cast<unsigned char>(c);
    const int bits = static_cast<int>(b.size()) * 8;
    v ^= std::uint64_t(1) << (bits - 1);
    // sign-extend
    if (bits < 64 && (v >> (bits - 1)) & 1)
        v |= ~std::uint64_t(0) << bits;
    return static_cast<std::int64_t>(v);
}

std::string encodeInteger(std::int64_t value, int size)
{
    const int bits = size * 8;
    std::uint64_t v = static_cast<std::uint64_t>(value);
    v ^= std::uint64_t(1) << (bits - 1);
    std::string out(static_cast<std::size_t>(size), '\0');
    for (int i = size - 1; i >= 0; --i) {
        out[static_cast<std::size_t>(i)] = static_cast<char>(v & 0xFF);
        v >>= 8;
    }
    return out;
}

double decodeDouble(std::string_view b)
{
    std::uint64_t v = 0;
    for (char c : b)
        v = (v << 8) | static_cast<unsigned char>(c);
    if (v & (std::uint64_t(1) << 63))
        v &= ~(std::uint64_t(1) << 63); // positive: top bit was set
    else
        v = ~v; // negative: all bits were inverted
    return std::bit_cast<double>(v);
}

std::string encodeDouble(double d)
{
    std::uint64_t v = std::bit_cast<std::uint64_t>(d);
    if (v & (std::uint64_t(1) << 63))
        v = ~v;
    else
        v |= std::uint64_t(1) << 63;
    std::string out(8, '\0');
    for (int i = 7; i >= 0; --i) {
        out[static_cast<std::size_t>(i)] = static_cast<char>(v & 0xFF);
        v >>= 8;
    }
    return out;
}

} // namespace

Value decodeField(const FieldDef &field, std::string_view b)
{
    if (isBlobType(field.type)) {
        const std::size_t leaderSize = b.size() - kBlobDescriptorSize;
        const char *d = b.data() + leaderSize;
        BlobRef ref;
        ref.ref = readU32(d);
        ref.length = readU32(d + 4);
        ref.mod = readU16(d + 8);
        if (ref.length == 0)
            return {};
        if (ref.length <= leaderSize)
            return Value::bytes(std::string(b.substr(0, ref.length)));
        ref.leader = std::string(b.substr(0, leaderSize));
        return Value::blob(std::move(ref));
    }
    if (allZero(b))
        return {};
    switch (field.type) {
    case FieldType::Alpha: {
        const std::size_t end = b.find('\0');
        return Value::bytes(std::string(b.substr(0, end)));
    }
    case FieldType::Short: case FieldType::Long: case FieldType::AutoInc: case FieldType::Date: case FieldType::Time:
        return Value::integer(decodeInteger(b));
    case FieldType::Logical:
        return Value::logical(static_cast<unsigned char>(b[0]) != 0x80);
    case FieldType::Money: case FieldType::Number: case FieldType::Timestamp:
        return Value::real(decodeDouble(b));
    default:
        return Value::raw(std::string(b));
    }
}

std::string encodeField(const FieldDef &field, const Value &value)
{
    const std::size_t size = static_cast<std::size_t>(field.size);
    std::string out(size, '\0');
    if (value.isNull())
        return out;
    auto wrongKind = [&]() -> std::string {
        throw DbError("値が列 " + field.name + " に入りません");
    };
    if (isBlobType(field.type)) {
        const std::size_t leaderSize = size - kBlobDescriptorSize;
        if (value.kind() == Value::Kind::Bytes) {
            // Only a value that fits the leader is stored in the record.
            const std::string &bytes = value.asBytes();
            if (bytes.size() > leaderSize)
                return wrongKind();
            std::memcpy(out.data(), bytes.data(), bytes.size());
            writeU32(out.data() + leaderSize + 4, static_cast<std::uint32_t>(bytes.size()));
            return out;
        }
        if (value.kind() != Value::Kind::Blob)
            return wrongKind();
        const BlobRef &ref = value.asBlob();
        std::memcpy(out.data(), ref.leader.data(), std::min(ref.leader.size(), leaderSize));
        writeU32(out.data() + leaderSize, ref.ref);
        writeU32(out.data() + leaderSize + 4, ref.length);
        writeU16(out.data() + leaderSize + 8, ref.mod);
        return out;
    }
    switch (field.type) {
    case FieldType::Alpha: {
        if (value.kind() != Value::Kind::Bytes)
            return wrongKind();
        const std::string &s = value.asBytes();
        std::memcpy(out.data(), s.data(), std::min(s.size(), size));
        return out;
    }
    case FieldType::Short: case FieldType::Long: case FieldType::AutoInc: case FieldType::Date: case FieldType::Time:
        if (value.kind() != Value::Kind::Integer)
            return wrongKind();
        return encodeInteger(value.asInteger(), static_cast<int>(size));
    case FieldType::Logical:
        if (value.kind() != Value::Kind::Logical)
            return wrongKind();
        out[0] = static_cast<char>(value.asLogical() ? 0x81 : 0x80);
        return out;
    case FieldType::Money: case FieldType::Number: case FieldType::Timestamp:
        if (value.kind() != Value::Kind::Real)
            return wrongKind();
        return encodeDouble(value.asReal());
    default:
        if (value.kind() != Value::Kind::Raw || value.asBytes().size() != size)
            return wrongKind();
        return value.asBytes();
    }
}

} // namespace glyphreel::db
