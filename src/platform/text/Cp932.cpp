#include "platform/text/Cp932.h"

#include <QList>

#include <map>
#include <memory>

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace glyphreel::text {
namespace {

// One conversion descriptor per direction and thread: iconv_open is costly
// compared with converting a frame of text.
class Converter {
public:
    Converter(const char *to, const char *from)
        : cd_(iconv_open(to, from))
    {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw EncodingError(std::string("iconv cannot convert from ") + from + " to " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    // Converts the whole input. onInvalid(consumed input pointer, remaining)
    // decides what happens to an unconvertible sequence: it returns how many
    // input bytes to skip and appends its replacement to out, or throws.
    template <typename OnInvalid>
    std::string run(std::string_view input, OnInvalid onInvalid)
    {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out;
        out.reserve(input.size() * 2 + 16);
        char *in = const_cast<char *>(input.data());
        size_t inLeft = input.size();
        char buffer[4096];
        while (inLeft > 0) {
            char *outPtr = buffer;
            size_t outLeft = sizeof buffer;
            size_t rc = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<size_t>(outPtr - buffer));
            if (rc == static_cast<size_t>(-1)) {
                if (errno == E2BIG)
                    continue;
                // EILSEQ or EINVAL (truncated sequence at the end)
                size_t skip = onInvalid(std::string_view(in, inLeft), out);
                in += skip;
                inLeft -= skip;
            }
        }
        char *outPtr = buffer;
        size_t outLeft = sizeof buffer;
        iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        return out;
    }

private:
    iconv_t cd_;
};

Converter &decoder()
{
    thread_local Converter c("UTF-8", "CP932");
    return c;
}

Converter &encoder()
{
    thread_local Converter c("CP932", "UTF-8");
    return c;
}

size_t replaceInvalid(std::string_view rest, std::string &out)
{
    out += "\xEF\xBF\xBD"; // U+FFFD
    // A lead byte followed by a byte that is no trail byte: skip the lead
    // only, so the next character is not lost.
    return rest.empty() ? 0 : 1;
}

} // namespace

std::string cp932ToUtf8(std::string_view bytes)
{
    return decoder().run(bytes, replaceInvalid);
}

QString decodeCodePage(std::string_view bytes, int codePage)
{
    if (codePage == 932)
        return decodeCp932(bytes);
    const std::string name = codePage == 10000 ? std::string("MACINTOSH") : "CP" + std::to_string(codePage);
    thread_local std::map<int, std::unique_ptr<Converter>> converters;
    auto it = converters.find(codePage);
    if (it == converters.end()) {
        try {
            it = converters.emplace(codePage, std::make_unique<Converter>("UTF-8", name.c_str())).first;
        } catch (const EncodingError &) {
            if (codePage == 1252)
                throw;
            return decodeCodePage(bytes, 1252);
        }
    }
    const std::string utf8 = it->second->run(bytes, replaceInvalid);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

bool encodableInCp932(QChar c)
{
    try {
        encodeCp932(QString(c));
        return true;
    } catch (const EncodingError &) {
        return false;
    }
}

QString decodeCp932(std::string_view bytes)
{
    const std::string utf8 = cp932ToUtf8(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string encodeCp932(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    return encoder().run(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())),
                         [](std::string_view rest, std::string &) -> size_t {
                             const QList<uint> codes =
                                 QString::fromUtf8(rest.data(), static_cast<qsizetype>(std::min<size_t>(rest.size(), 4)))
                                     .toUcs4();
                             const uint code = codes.isEmpty() ? 0 : codes.front();
                             throw EncodingError("文字「" + QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1).toStdString()
                                                 + "」 U+"
                                                 + QString::number(code, 16).toUpper().rightJustified(4, u'0').toStdString()
                                                 + " は CP932 (Shift-JIS) にありません");
                         });
}

} // namespace glyphreel::text
