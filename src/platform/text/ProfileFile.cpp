#include "platform/text/ProfileFile.h"

#include "platform/text/Ascii.h"
#include "platform/text/Cp932.h"

#include "platform/files/Files.h"

#include <QFileInfo>
#include <QStringList>

#include <charconv>

namespace glyphreel::text {
namespace {

constexpr std::size_t npos = static_cast<std::size_t>(-1);

bool isLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Finds a single-byte character, stepping over double-byte characters whose
// trail byte may look like '[', ']' or '='.
std::size_t findChar(const std::string &s, char wanted, std::size_t from = 0)
{
    for (std::size_t i = from; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (isLeadByte(c)) {
            ++i;
            continue;
        }
        if (s[i] == wanted)
            return i;
    }
    return npos;
}

std::string trim(const std::string &s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return s.substr(b, e - b);
}

// The section name of a "[name]" line, or nothing.
bool sectionName(const std::string &line, std::string &name)
{
    const std::string t = trim(line);
    if (t.empty() || t[0] != '[')
        return false;
    const std::size_t close = findChar(t, ']', 1);
    if (close == npos)
        return false;
    name = trim(t.substr(1, close - 1));
    return true;
}

// The key of a "key=value" line, or nothing for comments and blank lines.
bool keyOf(const std::string &line, std::string &key, std::string &value)
{
    const std::string t = trim(line);
    if (t.empty() || t[0] == ';')
        return false;
    const std::size_t eq = findChar(line, '=');
    if (eq == npos)
        return false;
    key = trim(line.substr(0, eq));
    value = trim(line.substr(eq + 1));
    return true;
}

std::string encode(const QString &path, const QString &text)
{
    try {
        return encodeCp932(text);
    } catch (const EncodingError &e) {
        throw ProfileError("「" + path.toStdString() + "」に書き込めません: " + e.what());
    }
}

bool parseInteger(const std::string &text, int &out)
{
    std::string s = text;
    if (!s.empty() && s[0] == '+')
        s.erase(0, 1);
    if (s.empty())
        return false;
    int value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, 10);
    if (ec != std::errc() || end != s.data() + s.size())
        return false;
    out = value;
    return true;
}

} // namespace

ProfileFile::ProfileFile(const QString &path) : path_(path)
{
    if (!QFileInfo::exists(path))
        return;
    std::string all;
    try {
        // A settings file is small; a FIFO or a device named like one is
        // refused rather than read for ever.
        all = files::readRegularFile(path.toStdString(), "がありません");
    } catch (const files::FileError &e) {
        throw ProfileError(e.what());
    }
    std::size_t start = 0;
    while (start < all.size()) {
        const std::size_t nl = all.find('\n', start);
        Line line;
        if (nl == std::string::npos) {
            line.bytes = all.substr(start);
            start = all.size();
        } else {
            const bool cr = nl > start && all[nl - 1] == '\r';
            line.bytes = all.substr(start, nl - start - (cr ? 1 : 0));
            line.end = cr ? "\r\n" : "\n";
            start = nl + 1;
        }
        lines_.push_back(std::move(line));
    }
}

std::size_t ProfileFile::findSection(const std::string &section) const
{
    std::string name;
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (sectionName(lines_[i].bytes, name) && equalsIgnoringAsciiCase(name, section))
            return i;
    return npos;
}

std::size_t ProfileFile::findKey(std::size_t sectionLine, const std::string &key) const
{
    std::string name, k, v;
    for (std::size_t i = sectionLine + 1; i < lines_.size(); ++i) {
        if (sectionName(lines_[i].bytes, name))
            break;
        if (keyOf(lines_[i].bytes, k, v) && equalsIgnoringAsciiCase(k, key))
            return i;
    }
    return npos;
}

bool ProfileFile::rawValue(const QString &section, const QString &key, std::string &value) const
{
    std::string s, k;
    try {
        s = encodeCp932(section);
        k = encodeCp932(key);
    } catch (const EncodingError &) {
        return false;
    }
    const std::size_t sec = findSection(s);
    if (sec == npos)
        return false;
    const std::size_t line = findKey(sec, k);
    if (line == npos)
        return false;
    std::string name;
    keyOf(lines_[line].bytes, name, value);
    // A value in matching quotes reads without them.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return true;
}

bool ProfileFile::hasKey(const QString &section, const QString &key) const
{
    std::string value;
    return rawValue(section, key, value);
}

QString ProfileFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    std::string value;
    return rawValue(section, key, value) ? decodeCp932(value) : defaultValue;
}

int ProfileFile::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    std::string value;
    int number = 0;
    return rawValue(section, key, value) && parseInteger(value, number) ? number : defaultValue;
}

bool ProfileFile::readBool(const QString &section, const QString &key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

QStringList ProfileFile::keys(const QString &section) const
{
    QStringList result;
    std::string s;
    try {
        s = encodeCp932(section);
    } catch (const EncodingError &) {
        return result;
    }
    const std::size_t sec = findSection(s);
    if (sec == npos)
        return result;
    std::string name, k, v;
    for (std::size_t i = sec + 1; i < lines_.size(); ++i) {
        if (sectionName(lines_[i].bytes, name))
            break;
        if (keyOf(lines_[i].bytes, k, v))
            result << decodeCp932(k);
    }
    return result;
}

void ProfileFile::writeString(const QString &section, const QString &key, const QString &value)
{
    put(section, key, value);
    save();
}

void ProfileFile::writeStrings(const QString &section, const std::vector<std::pair<QString, QString>> &values)
{
    setStrings(section, values);
    save();
}

void ProfileFile::setStrings(const QString &section, const std::vector<std::pair<QString, QString>> &values)
{
    for (const auto &[key, value] : values)
        put(section, key, value);
}

std::string ProfileFile::bytes() const
{
    std::string all;
    for (const Line &line : lines_)
        all += line.bytes + line.end;
    return all;
}

void ProfileFile::put(const QString &section, const QString &key, const QString &value)
{
    const std::string s = encode(path_, section), k = encode(path_, key), v = encode(path_, value);
    const std::string newLine = k + "=" + v;
    std::size_t sec = findSection(s);
    if (sec == npos) {
        // A new section goes at the end, after a blank line when the file
        // has content.
        if (!lines_.empty() && lines_.back().end.empty())
            lines_.back().end = "\r\n";
        if (!lines_.empty() && !trim(lines_.back().bytes).empty())
            lines_.push_back({"", "\r\n"});
        lines_.push_back({"[" + s + "]", "\r\n"});
        lines_.push_back({newLine, "\r\n"});
        return;
    }
    const std::size_t line = findKey(sec, k);
    if (line != npos) {
        lines_[line].bytes = newLine;
    } else {
        // After the section's last key line (or its header), before any
        // blank lines and comments that lead into the next section.
        std::size_t insertAt = sec + 1, i = sec + 1;
        std::string name, kk, vv;
        for (; i < lines_.size(); ++i) {
            if (sectionName(lines_[i].bytes, name))
                break;
            if (keyOf(lines_[i].bytes, kk, vv))
                insertAt = i + 1;
        }
        if (lines_[insertAt - 1].end.empty())
            lines_[insertAt - 1].end = "\r\n";
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), Line{newLine, "\r\n"});
    }
}

void ProfileFile::writeInteger(const QString &section, const QString &key, int value)
{
    writeString(section, key, QString::number(value));
}

void ProfileFile::writeBool(const QString &section, const QString &key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void ProfileFile::save() const
{
    try {
        files::writeFileAtomically(path_.toStdString(), bytes());
    } catch (const files::FileError &e) {
        throw ProfileError(e.what());
    }
}

} // namespace glyphreel::text
