#pragma once
// CP932 (Shift-JIS with the NEC and IBM extension rows), the code page of
// every text our projects store. glibc's iconv maps the extension rows the
// way Windows does, so all conversions go through it.

#include <QString>

#include <stdexcept>
#include <string>
#include <string_view>

namespace glyphreel::text {

class EncodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Decodes CP932 bytes; an invalid or truncated sequence becomes U+FFFD and
// decoding goes on, so damaged text still shows.
QString decodeCp932(std::string_view bytes);

// Encodes to CP932; throws EncodingError naming the first character that has
// no CP932 code.
std::string encodeCp932(const QString &text);

// Converts CP932 bytes to UTF-8 bytes (same rules as decodeCp932).
std::string cp932ToUtf8(std::string_view bytes);

// Decodes bytes of a Windows code page (932, 1252, 1251, 850, ...); bytes the
// code page lacks become U+FFFD. An unknown code page reads as 1252.
QString decodeCodePage(std::string_view bytes, int codePage);

// Whether the character has a code in CP932.
bool encodableInCp932(QChar c);

} // namespace glyphreel::text
