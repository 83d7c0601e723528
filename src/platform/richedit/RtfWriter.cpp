#include "platform/richedit/RtfWriter.h"

namespace glyphreel::richedit {

std::string plainTextToRtf(const std::string &text, int pointSize)
{
    static const char hex[] = "0123456789abcdef";
    std::string out =
        "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1033\\deflangfe1041{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset128 "
        "\\'82\\'6c\\'82\\'72 \\'83\\'53\\'83\\'56\\'83\\'62\\'83\\'4e;}}\r\n"
        "\\viewkind4\\uc1\\pard\\lang1041\\f0\\fs"
        + std::to_string(pointSize * 2) + " ";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        if (lead && i + 1 < text.size()) {
            // Both bytes of a double-byte character are escaped: its trail
            // byte may look like a backslash or a brace.
            const auto trail = static_cast<unsigned char>(text[++i]);
            out += "\\'";
            out += hex[c >> 4];
            out += hex[c & 15];
            out += "\\'";
            out += hex[trail >> 4];
            out += hex[trail & 15];
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "\r\n\\par ";
            ++i;
        } else if (c == '\n') {
            out += "\r\n\\par ";
        } else if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x80 || c < 0x20) {
            out += "\\'";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    out += "\r\n\\par }\r\n";
    out += '\0';
    return out;
}

} // namespace glyphreel::richedit
