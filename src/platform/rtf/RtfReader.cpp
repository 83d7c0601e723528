#include "platform/rtf/RtfDocument.h"

#include "platform/text/Cp932.h"
#include "platform/text/Lines.h"

#include <QStringList>

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

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
    int codePage() const
    {
        if (state_.font >= 0) {
            const auto it = fonts_.find(state_.font);
            if (it != fonts_.end())
                return it->second.codePage;
        }
        const auto def = fonts_.find(defaultFont_);
        return def != fonts_.end() ? def->second.codePage : ansiCodePage_;
    }

    RtfRun runFormat() const
    {
        RtfRun r;
        const auto it = fonts_.find(state_.font >= 0 ? state_.font : defaultFont_);
        if (it != fonts_.end())
            r.font = it->second.name;
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
        const QString text = text::decodeCodePage(bytes_, bytesCodePage_);
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
        doc_.paragraphs.emplace_back();
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
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++pos_;
            controlSymbol(c);
            return;
        }
        const std::size_t start = pos_;
        while (pos_ < in_.size() && std::isalpha(static_cast<unsigned char>(in_[pos_])) && pos_ - start < 32)
            ++pos_;
        const std::string word(in_.substr(start, pos_ - start));
        bool hasParam = false;
        long long param = 0;
        bool negative = false;
        if (pos_ < in_.size() && in_[pos_] == '-') {
            negative = true;
            ++pos_;
        }
        while (pos_ < in_.size() && std::isdigit(static_cast<unsigned char>(in_[pos_]))) {
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
        if (word == "bin") {
            flush();
            pos_ = std::min(in_.size(), pos_ + static_cast<std::size_t>(std::max(0, p)));
            return;
        }
        if (word != "u" && fallbackSkipped())
            return;
        act(word, hasParam, p);
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

    void act(const std::string &w, bool hasParam, int p)
    {
        const bool on = !hasParam || p != 0;
        if (w == "par" || w == "line") {
            paragraph();
        } else if (w == "tab") {
            flush();
            if (destination() == Destination::Text)
                appendText(QStringLiteral("\t"));
        } else if (w == "ansicpg") {
            ansiCodePage_ = p;
        } else if (w == "deff") {
            defaultFont_ = p;
        } else if (w == "fonttbl") {
            flush();
            if (!groups_.empty())
                groups_.back().destination = Destination::FontTable;
        } else if (w == "colortbl") {
            flush();
            if (!groups_.empty())
                groups_.back().destination = Destination::ColorTable;
        } else if (w == "f") {
            if (destination() == Destination::FontTable) {
                flush();
                if (fontEntry_ >= 0 && fontEntry_ != p)
                    endFontEntry(); // entries without their own braces
                fontEntry_ = p;
                fontName_.clear();
            } else {
                setState(&CharState::font, p);
            }
        } else if (w == "fcharset") {
            if (destination() == Destination::FontTable)
                fontCharset_ = p;
        } else if (w == "red" || w == "green" || w == "blue") {
            if (destination() == Destination::ColorTable) {
                (w == "red" ? red_ : w == "green" ? green_ : blue_) = std::clamp(p, 0, 255);
                colorSeen_ = true;
            }
        } else if (w == "fs") {
            setState(&CharState::halfPoints, hasParam && p > 0 ? p : 24);
        } else if (w == "cf") {
            setState(&CharState::color, p);
        } else if (w == "b") {
            setState(&CharState::bold, on);
        } else if (w == "i") {
            setState(&CharState::italic, on);
        } else if (w == "strike" || w == "striked") {
            setState(&CharState::strike, on);
        } else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "ulwave" || w == "ulth" || w == "uldash") {
            setState(&CharState::underline, on);
        } else if (w == "ulnone") {
            setState(&CharState::underline, false);
        } else if (w == "plain") {
            flush();
            const int uc = state_.uc;
            state_ = CharState();
            state_.font = defaultFont_;
            state_.uc = uc;
        } else if (w == "uc") {
            state_.uc = std::max(0, p);
        } else if (w == "u") {
            flush();
            const auto unit = static_cast<char16_t>(p < 0 ? p + 65536 : p);
            if (destination() == Destination::Text)
                appendText(QString(QChar(unit)));
            else if (destination() == Destination::FontTable)
                fontName_ += QChar(unit);
            skipFallback_ = state_.uc;
        } else if (w == "emdash" || w == "endash" || w == "lquote" || w == "rquote" || w == "ldblquote" || w == "rdblquote"
                   || w == "bullet" || w == "emspace" || w == "enspace") {
            static const std::map<std::string, char16_t> chars{{"emdash", 0x2014}, {"endash", 0x2013}, {"lquote", 0x2018},
                                                               {"rquote", 0x2019}, {"ldblquote", 0x201C}, {"rdblquote", 0x201D},
                                                               {"bullet", 0x2022}, {"emspace", 0x2003}, {"enspace", 0x2002}};
            flush();
            if (destination() == Destination::Text)
                appendText(QString(QChar(chars.at(w))));
        } else if (isSkippedDestination(w)) {
            flush();
            if (!groups_.empty())
                groups_.back().destination = Destination::Skip;
        }
        // anything else: ignored
    }

    static bool isSkippedDestination(const std::string &w)
    {
        static const char *const skipped[] = {"pntext", "listtext", "info", "stylesheet", "header", "headerl", "headerr",
                                               "headerf", "footer", "footerl", "footerr", "footerf", "footnote", "annotation",
                                               "pict", "themedata", "colorschememapping", "latentstyles", "datastore",
                                               "listtable", "listoverridetable", "revtbl", "rsidtbl", "xmlnstbl", "filetbl",
                                               "fldinst", "objdata", "objclass", "objname", "generator", "pn"};
        for (const char *s : skipped)
            if (w == s)
                return true;
        return false;
    }

    std::string_view in_;
    std::size_t pos_ = 0;
    RtfDocument doc_;
    std::vector<Group> groups_;
    CharState state_;
    std::map<int, Font> fonts_;
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
