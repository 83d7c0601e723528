#include "platform/rtf/RtfDocument.h"

#include "platform/text/Cp932.h"
#include "platform/text/Lines.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <unordered_map>

namespace glyphreel::rtf {
namespace {

int codePageOfCharset(int charset, int ansiCodePage)
{
    switch (charset) {
    case 0: return 1252;
    case 1: return ansiCodePage;
    case 2: return 1252;
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return ansiCodePage;
    }
}

bool isDbcsLead(int codePage, unsigned char c)
{
    switch (codePage) {
    case 932: return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case 936: case 949: case 950: return c >= 0x81 && c <= 0xFE;
    default: return false;
    }
}

// Code pages whose bytes below 0x80 are ASCII wherever they stand, checked
// once against the converter itself: a run of such bytes needs no
// conversion. Stateful code pages (EBCDIC with shifts) are never listed.
bool asciiIsIdentity(int codePage)
{
    switch (codePage) {
    case 932: case 936: case 949: case 950: case 874: case 437: case 850: case 10000:
    case 1250: case 1251: case 1252: case 1253: case 1254: case 1255: case 1256: case 1257: case 1258:
        break;
    default:
        return false;
    }
    thread_local std::map<int, bool> checked;
    const auto it = checked.find(codePage);
    if (it != checked.end())
        return it->second;
    char ascii[128];
    for (int i = 0; i < 128; ++i)
        ascii[i] = static_cast<char>(i);
    const QString decoded = text::decodeCodePage(std::string_view(ascii, sizeof ascii), codePage);
    bool same = decoded.size() == 128;
    for (qsizetype i = 0; same && i < 128; ++i)
        same = decoded[i].unicode() == i;
    checked.emplace(codePage, same);
    return same;
}

// Bytes of text in a code page as characters. Colour art flushes a run per
// character, and the converter costs far more than the character: short
// byte strings are remembered per thread (the conversion depends on nothing
// else), ASCII needs no converter at all.
QString decodeBytes(std::string_view bytes, int codePage)
{
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii && asciiIsIdentity(codePage))
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (bytes.size() > 8)
        return text::decodeCodePage(bytes, codePage);
    struct Key {
        std::uint64_t bytes;
        int codePage;
        int length;
        bool operator==(const Key &) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key &k) const
        {
            return (k.bytes ^ std::uint64_t(unsigned(k.codePage)) << 40 ^ std::uint64_t(k.length) << 56) * 0x9E3779B97F4A7C15ULL;
        }
    };
    Key key{0, codePage, static_cast<int>(bytes.size())};
    std::memcpy(&key.bytes, bytes.data(), bytes.size());
    // A direct-mapped table in front of the map: one multiplication and one
    // comparison for the few characters a frame repeats.
    struct Slot {
        Key key{0, 0, -1};
        QString text;
    };
    thread_local std::array<Slot, 1024> recent;
    Slot &slot = recent[KeyHash()(key) >> 54 & 1023];
    if (slot.key == key)
        return slot.text;
    thread_local std::unordered_map<Key, QString, KeyHash> known;
    auto it = known.find(key);
    if (it == known.end()) {
        if (known.size() >= 8192)
            known.clear(); // random bytes would grow it without bound
        it = known.emplace(key, text::decodeCodePage(bytes, codePage)).first;
    }
    slot = {key, it->second};
    return it->second;
}

// The control words the reader acts on; anything else is ignored.
enum class Word {
    Other, Bin, U, Par, Tab, Ansicpg, Deff, Fonttbl, Colortbl, F, Fcharset, Red, Green, Blue, Fs, Cf, B, I, Strike,
    Underline, Ulnone, Plain, Uc, Char, SkippedDestination
};

struct WordInfo {
    Word word;
    char16_t character; // for Word::Char
};

// Looked up by length first: most words of a frame are one or two letters.
WordInfo classify(std::string_view w)
{
    struct Entry {
        std::string_view name;
        WordInfo info;
    };
    static constexpr Entry entries[] = {
        {"b", {Word::B, 0}}, {"f", {Word::F, 0}}, {"i", {Word::I, 0}}, {"u", {Word::U, 0}},
        {"cf", {Word::Cf, 0}}, {"fs", {Word::Fs, 0}}, {"ul", {Word::Underline, 0}}, {"uc", {Word::Uc, 0}},
        {"pn", {Word::SkippedDestination, 0}},
        {"par", {Word::Par, 0}}, {"red", {Word::Red, 0}}, {"bin", {Word::Bin, 0}}, {"tab", {Word::Tab, 0}},
        {"uld", {Word::Underline, 0}}, {"ulw", {Word::Underline, 0}},
        {"line", {Word::Par, 0}}, {"blue", {Word::Blue, 0}}, {"deff", {Word::Deff, 0}}, {"uldb", {Word::Underline, 0}},
        {"ulth", {Word::Underline, 0}}, {"info", {Word::SkippedDestination, 0}}, {"pict", {Word::SkippedDestination, 0}},
        {"green", {Word::Green, 0}}, {"plain", {Word::Plain, 0}},
        {"strike", {Word::Strike, 0}}, {"ulwave", {Word::Underline, 0}}, {"uldash", {Word::Underline, 0}},
        {"ulnone", {Word::Ulnone, 0}}, {"emdash", {Word::Char, 0x2014}}, {"endash", {Word::Char, 0x2013}},
        {"lquote", {Word::Char, 0x2018}}, {"rquote", {Word::Char, 0x2019}}, {"bullet", {Word::Char, 0x2022}},
        {"header", {Word::SkippedDestination, 0}}, {"footer", {Word::SkippedDestination, 0}},
        {"pntext", {Word::SkippedDestination, 0}}, {"revtbl", {Word::SkippedDestination, 0}},
        {"ansicpg", {Word::Ansicpg, 0}}, {"fonttbl", {Word::Fonttbl, 0}}, {"striked", {Word::Strike, 0}},
        {"emspace", {Word::Char, 0x2003}}, {"enspace", {Word::Char, 0x2002}}, {"headerl", {Word::SkippedDestination, 0}},
        {"headerr", {Word::SkippedDestination, 0}}, {"headerf", {Word::SkippedDestination, 0}},
        {"footerl", {Word::SkippedDestination, 0}}, {"footerr", {Word::SkippedDestination, 0}},
        {"footerf", {Word::SkippedDestination, 0}}, {"rsidtbl", {Word::SkippedDestination, 0}},
        {"filetbl", {Word::SkippedDestination, 0}}, {"fldinst", {Word::SkippedDestination, 0}},
        {"objdata", {Word::SkippedDestination, 0}}, {"objname", {Word::SkippedDestination, 0}},
        {"colortbl", {Word::Colortbl, 0}}, {"fcharset", {Word::Fcharset, 0}}, {"listtext", {Word::SkippedDestination, 0}},
        {"footnote", {Word::SkippedDestination, 0}}, {"xmlnstbl", {Word::SkippedDestination, 0}},
        {"objclass", {Word::SkippedDestination, 0}},
        {"ldblquote", {Word::Char, 0x201C}}, {"rdblquote", {Word::Char, 0x201D}}, {"themedata", {Word::SkippedDestination, 0}},
        {"datastore", {Word::SkippedDestination, 0}}, {"listtable", {Word::SkippedDestination, 0}},
        {"generator", {Word::SkippedDestination, 0}},
        {"stylesheet", {Word::SkippedDestination, 0}}, {"annotation", {Word::SkippedDestination, 0}},
        {"latentstyles", {Word::SkippedDestination, 0}},
        {"listoverridetable", {Word::SkippedDestination, 0}}, {"colorschememapping", {Word::SkippedDestination, 0}},
    };
    // entries[first[n]] .. entries[first[n + 1]] are the words of n letters.
    static constexpr int kLongest = 18;
    static const auto first = [] {
        std::array<int, kLongest + 2> f{};
        for (std::size_t n = 0; n <= kLongest + 1; ++n) {
            int i = 0;
            while (i < int(std::size(entries)) && entries[i].name.size() < n)
                ++i;
            f[n] = i;
        }
        return f;
    }();
    static_assert(std::is_sorted(std::begin(entries), std::end(entries),
                                 [](const Entry &a, const Entry &b) { return a.name.size() < b.name.size(); }));
    static_assert(std::end(entries)[-1].name.size() == kLongest);
    if (w.empty() || w.size() > kLongest)
        return {Word::Other, 0};
    for (int i = first[w.size()]; i < first[w.size() + 1]; ++i)
        if (entries[i].name[0] == w[0] && entries[i].name == w)
            return entries[i].info;
    return {Word::Other, 0};
}

struct Font {
    QString name;
    int codePage = 1252;
};

struct CharState {
    int font = -1;
    int halfPoints = 24;
    int color = -1; // -1: never set
    bool bold = false, italic = false, underline = false, strike = false;
    int uc = 1;
};

enum class Destination { Text, FontTable, ColorTable, Skip };

struct Group {
    CharState state;
    Destination destination;
};

class Reader {
public:
    explicit Reader(std::string_view in) : in_(in) {}

    RtfDocument run()
    {
        doc_.paragraphs.emplace_back();
        pos_ = in_.find("{\\rtf");
        parse();
        flush();
        // The final paragraph mark adds no line.
        if (doc_.paragraphs.size() > 1 && doc_.paragraphs.back().empty() && endedWithPar_)
            doc_.paragraphs.pop_back();
        if (doc_.paragraphs.size() == 1 && doc_.paragraphs.back().empty())
            doc_.paragraphs.clear();
        return std::move(doc_);
    }

private:
    // --- state
    // The current font's code page and name, looked up again only when the
    // font or the table changes: every byte of text asks for them.
    void resolveFont() const
    {
        if (resolved_.font == state_.font && resolved_.version == fontsVersion_)
            return;
        resolved_.font = state_.font;
        resolved_.version = fontsVersion_;
        const auto def = fonts_.find(defaultFont_);
        const auto it = state_.font >= 0 ? fonts_.find(state_.font) : def;
        resolved_.codePage = it != fonts_.end() ? it->second.codePage : def != fonts_.end() ? def->second.codePage : ansiCodePage_;
        resolved_.name = it != fonts_.end() ? it->second.name : QString();
    }

    int codePage() const
    {
        resolveFont();
        return resolved_.codePage;
    }

    RtfRun runFormat() const
    {
        RtfRun r;
        resolveFont();
        r.font = resolved_.name;
        r.sizePt = state_.halfPoints / 2.0;
        if (state_.color >= 0) {
            if (state_.color < static_cast<int>(colors_.size()) && colors_[static_cast<std::size_t>(state_.color)])
                r.color = {RtfColor::Kind::Rgb, *colors_[static_cast<std::size_t>(state_.color)]};
            else
                r.color = {RtfColor::Kind::Auto, {}};
        }
        r.bold = state_.bold;
        r.italic = state_.italic;
        r.underline = state_.underline;
        r.strike = state_.strike;
        return r;
    }

    // Pending bytes of text in the current code page become characters.
    void flush()
    {
        if (bytes_.empty())
            return;
        const QString text = decodeBytes(bytes_, bytesCodePage_);
        bytes_.clear();
        if (destination() == Destination::FontTable) {
            fontName_ += text;
            return;
        }
        if (destination() == Destination::Text)
            appendText(text);
    }

    void appendText(const QString &text)
    {
        if (text.isEmpty())
            return;
        RtfRun r = runFormat();
        auto &para = doc_.paragraphs.back();
        endedWithPar_ = false;
        if (!para.empty() && para.back().sameFormat(r)) {
            para.back().text += text;
            return;
        }
        r.text = text;
        para.push_back(std::move(r));
    }

    void addByte(char c)
    {
        // A font name is in its own entry's code page.
        const int cp = destination() == Destination::FontTable ? codePageOfCharset(fontCharset_, ansiCodePage_) : codePage();
        if (!bytes_.empty() && cp != bytesCodePage_)
            flush();
        bytesCodePage_ = cp;
        bytes_ += c;
    }

    Destination destination() const { return groups_.empty() ? Destination::Text : groups_.back().destination; }

    void paragraph()
    {
        flush();
        if (destination() != Destination::Text)
            return;
        // Lines of a frame are alike: the next one likely has as many runs.
        const std::size_t runs = doc_.paragraphs.back().size();
        doc_.paragraphs.emplace_back().reserve(runs);
        endedWithPar_ = true;
    }

    // --- lexing
    void parse()
    {
        if (pos_ == std::string_view::npos)
            return;
        while (pos_ < in_.size()) {
            const char c = in_[pos_];
            if (c == '{') {
                flush();
                ++pos_;
                groups_.push_back({state_, destination()});
                skipFallback_ = 0;
            } else if (c == '}') {
                flush();
                ++pos_;
                skipFallback_ = 0;
                if (destination() == Destination::FontTable)
                    endFontEntry();
                if (groups_.empty())
                    return;
                state_ = groups_.back().state;
                groups_.pop_back();
                if (groups_.empty())
                    return; // the outer group is closed: the rest is not RTF
            } else if (c == '\\') {
                controlWord();
            } else {
                ++pos_;
                rawByte(c);
            }
        }
    }

    bool fallbackSkipped()
    {
        if (skipFallback_ > 0) {
            --skipFallback_;
            return true;
        }
        return false;
    }

    void rawByte(char c)
    {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r' || c == '\n' || c == 0)
            return;
        if (fallbackSkipped())
            return;
        if (destination() == Destination::ColorTable) {
            if (c == ';') {
                colors_.push_back(colorSeen_ ? std::optional<QColor>(QColor(red_, green_, blue_)) : std::nullopt);
                red_ = green_ = blue_ = 0;
                colorSeen_ = false;
            }
            return;
        }
        if (destination() == Destination::FontTable) {
            if (c == ';') {
                flush();
                endFontEntry();
                return;
            }
            addByte(c);
            return;
        }
        if (destination() == Destination::Skip)
            return;
        if (c == '\t') {
            flush();
            appendText(QStringLiteral("\t"));
            return;
        }
        if (u < 0x20)
            return;
        addByte(c);
        // A raw lead byte takes the next raw byte as its trail, whatever it is.
        if (isDbcsLead(codePage(), u) && pos_ < in_.size()) {
            addByte(in_[pos_]);
            ++pos_;
        }
    }

    void endFontEntry()
    {
        if (fontEntry_ >= 0) {
            QString name = fontName_.trimmed();
            if (name.endsWith(u';'))
                name.chop(1);
            fonts_[fontEntry_] = {name, codePageOfCharset(fontCharset_, ansiCodePage_)};
            ++fontsVersion_;
        }
        fontEntry_ = -1;
        fontName_.clear();
        fontCharset_ = 1;
    }

    void controlWord()
    {
        ++pos_; // the backslash
        if (pos_ >= in_.size())
            return;
        const char c = in_[pos_];
        if (!isLetter(c)) {
            ++pos_;
            controlSymbol(c);
            return;
        }
        const std::size_t start = pos_;
        while (pos_ < in_.size() && isLetter(in_[pos_]) && pos_ - start < 32)
            ++pos_;
        const std::string_view word = in_.substr(start, pos_ - start);
        bool hasParam = false;
        long long param = 0;
        bool negative = false;
        if (pos_ < in_.size() && in_[pos_] == '-') {
            negative = true;
            ++pos_;
        }
        while (pos_ < in_.size() && in_[pos_] >= '0' && in_[pos_] <= '9') {
            hasParam = true;
            if (param < (1LL << 40))
                param = param * 10 + (in_[pos_] - '0');
            ++pos_;
        }
        if (negative)
            param = -param;
        if (pos_ < in_.size() && in_[pos_] == ' ')
            ++pos_; // the delimiter space is part of the word
        const int p = static_cast<int>(std::max<long long>(std::min<long long>(param, 1 << 30), -(1 << 30)));
        const WordInfo info = classify(word);
        if (info.word == Word::Bin) {
            flush();
            pos_ = std::min(in_.size(), pos_ + static_cast<std::size_t>(std::max(0, p)));
            return;
        }
        if (info.word != Word::U && fallbackSkipped())
            return;
        act(info, hasParam, p);
    }

    // ASCII letters without a call; other bytes as the C library's locale
    // classifies them, as it always has.
    static bool isLetter(char c)
    {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80)
            return (u | 0x20) >= 'a' && (u | 0x20) <= 'z';
        return std::isalpha(u) != 0;
    }

    static int hexDigit(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    void controlSymbol(char c)
    {
        switch (c) {
        case '\'': {
            if (pos_ + 2 > in_.size())
                return;
            const int high = hexDigit(in_[pos_]), low = hexDigit(in_[pos_ + 1]);
            pos_ += 2;
            if (fallbackSkipped())
                return;
            if (high < 0 || low < 0)
                return;
            const int value = high * 16 + low;
            if (destination() == Destination::ColorTable || destination() == Destination::Skip)
                return;
            addByte(static_cast<char>(value));
            return;
        }
        case '*':
            flush();
            if (!groups_.empty())
                groups_.back().destination = Destination::Skip;
            return;
        case '\\': case '{': case '}':
            if (fallbackSkipped())
                return;
            if (destination() == Destination::FontTable || destination() == Destination::Text)
                addByte(c);
            return;
        case '~':
            flush();
            if (destination() == Destination::Text)
                appendText(QString(QChar(0x00A0)));
            return;
        case '_':
            flush();
            if (destination() == Destination::Text)
                appendText(QString(QChar(0x2011)));
            return;
        case '\r': case '\n':
            paragraph();
            return;
        default:
            return; // \- \| \: and unknown symbols
        }
    }

    void setState(auto CharState::*member, auto value)
    {
        flush();
        state_.*member = value;
    }

    void act(WordInfo info, bool hasParam, int p)
    {
        const bool on = !hasParam || p != 0;
        switch (info.word) {
        case Word::Par:
            paragraph();
            break;
        case Word::Tab:
            flush();
            if (destination() == Destination::Text)
                appendText(QStringLiteral("\t"));
            break;
        case Word::Ansicpg:
            ansiCodePage_ = p;
            ++fontsVersion_;
            break;
        case Word::Deff:
            defaultFont_ = p;
            ++fontsVersion_;
            break;
        case Word::Fonttbl:
            flush();
            if (!groups_.empty())
                groups_.back().destination = Destination::FontTable;
            break;
        case Word::Colortbl:
            flush();
            if (!groups_.empty())
                groups_.back().destination = Destination::ColorTable;
            break;
        case Word::F:
            if (destination() == Destination::FontTable) {
                flush();
                if (fontEntry_ >= 0 && fontEntry_ != p)
                    endFontEntry(); // entries without their own braces
                fontEntry_ = p;
                fontName_.clear();
            } else {
                setState(&CharState::font, p);
            }
            break;
        case Word::Fcharset:
            if (destination() == Destination::FontTable)
                fontCharset_ = p;
            break;
        case Word::Red: case Word::Green: case Word::Blue:
            if (destination() == Destination::ColorTable) {
                (info.word == Word::Red ? red_ : info.word == Word::Green ? green_ : blue_) = std::clamp(p, 0, 255);
                colorSeen_ = true;
            }
            break;
        case Word::Fs:
            setState(&CharState::halfPoints, hasParam && p > 0 ? p : 24);
            break;
        case Word::Cf:
            setState(&CharState::color, p);
            break;
        case Word::B:
            setState(&CharState::bold, on);
            break;
        case Word::I:
            setState(&CharState::italic, on);
            break;
        case Word::Strike:
            setState(&CharState::strike, on);
            break;
        case Word::Underline:
            setState(&CharState::underline, on);
            break;
        case Word::Ulnone:
            setState(&CharState::underline, false);
            break;
        case Word::Plain: {
            flush();
            const int uc = state_.uc;
            state_ = CharState();
            state_.font = defaultFont_;
            state_.uc = uc;
            break;
        }
        case Word::Uc:
            state_.uc = std::max(0, p);
            break;
        case Word::U: {
            flush();
            const auto unit = static_cast<char16_t>(p < 0 ? p + 65536 : p);
            if (destination() == Destination::Text)
                appendText(QString(QChar(unit)));
            else if (destination() == Destination::FontTable)
                fontName_ += QChar(unit);
            skipFallback_ = state_.uc;
            break;
        }
        case Word::Char:
            flush();
            if (destination() == Destination::Text)
                appendText(QString(QChar(info.character)));
            break;
        case Word::SkippedDestination:
            flush();
            if (!groups_.empty())
                groups_.back().destination = Destination::Skip;
            break;
        case Word::Bin: // taken before
        case Word::Other:
            break; // ignored
        }
    }

    std::string_view in_;
    std::size_t pos_ = 0;
    RtfDocument doc_;
    std::vector<Group> groups_;
    CharState state_;
    std::map<int, Font> fonts_;
    unsigned fontsVersion_ = 0; // changes with fonts_, defaultFont_ and ansiCodePage_
    mutable struct {
        int font = INT_MIN;
        unsigned version = ~0u;
        int codePage = 1252;
        QString name;
    } resolved_;
    std::vector<std::optional<QColor>> colors_;
    int ansiCodePage_ = 1252;
    int defaultFont_ = 0;
    std::string bytes_;
    int bytesCodePage_ = 1252;
    int skipFallback_ = 0;
    bool endedWithPar_ = false;
    // font table entry being read
    int fontEntry_ = -1;
    int fontCharset_ = 1;
    QString fontName_;
    // colour table entry being read
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorSeen_ = false;
};

} // namespace

QString RtfDocument::plainText() const
{
    QStringList lines;
    for (const auto &para : paragraphs) {
        QString line;
        for (const RtfRun &r : para)
            line += r.text;
        lines << line;
    }
    return lines.join(u'\n');
}

RtfDocument readRtf(std::string_view bytes)
{
    std::size_t start = 0;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        start = 3;
    while (start < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[start])))
        ++start;
    if (bytes.substr(start, 5) == "{\\rtf")
        return Reader(bytes.substr(start)).run();
    // Not RTF: plain CP932 text with CR LF lines.
    RtfDocument doc;
    std::string_view text = bytes;
    while (!text.empty() && text.back() == '\0')
        text.remove_suffix(1);
    if (text.empty())
        return doc;
    const QString all = text::toLineFeeds(text::decodeCp932(text));
    for (const QString &line : all.split(u'\n')) {
        doc.paragraphs.emplace_back();
        if (!line.isEmpty()) {
            RtfRun r;
            r.text = line;
            doc.paragraphs.back().push_back(r);
        }
    }
    return doc;
}

} // namespace glyphreel::rtf
