#pragma once
// The Paradox table file format: field types, the encodings of field values,
// and the errors of the table engine.

#include "platform/db/Value.h"
#include "platform/files/Files.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace glyphreel::db {

// Every engine error says which file and what is wrong with it, in words
// for the user: 「file」 followed by what.
class DbError : public files::FileError {
public:
    using files::FileError::FileError;
};

[[noreturn]] void fail(const std::string &file, const std::string &what);

enum class FieldType : std::uint8_t {
    Alpha = 0x01,
    Date = 0x02,
    Short = 0x03,
    Long = 0x04,
    Money = 0x05,
    Number = 0x06,
    Logical = 0x09,
    Memo = 0x0C,
    Binary = 0x0D,
    FormattedMemo = 0x0E,
    Ole = 0x0F,
    Graphic = 0x10,
    Time = 0x14,
    Timestamp = 0x15,
    AutoInc = 0x16,
    Bcd = 0x17,
    Bytes = 0x18,
};

bool isKnownFieldType(std::uint8_t code);
bool isBlobType(FieldType type);
// The number of bytes a field of this type takes, or 0 when the size byte of
// the field info says it (alpha, bytes, blobs).
int fixedFieldSize(FieldType type);

struct FieldDef {
    std::string name; // in the table's code page
    FieldType type = FieldType::Alpha;
    int size = 0;     // bytes in the record; for blobs leader + 10
};

// The blob descriptor at the end of a blob field: ref, length, mod.
constexpr int kBlobDescriptorSize = 10;

// Field values in records are big-endian with the top bit of the first byte
// inverted; all zero bytes is null.
Value decodeField(const FieldDef &field, std::string_view bytes);
// The stored bytes of a value; a blob value must already be a BlobRef.
// Throws DbError for a value that does not fit the field.
std::string encodeField(const FieldDef &field, const Value &value);

std::uint16_t readU16(const char *p);
std::uint32_t readU32(const char *p);
void writeU16(char *p, std::uint16_t v);
void writeU32(char *p, std::uint32_t v);

} // namespace glyphreel::db
