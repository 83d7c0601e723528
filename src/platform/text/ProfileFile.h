#pragma once
// Settings files in INI form, in CP932, written key by key: a key already in
// its section has its line replaced, a new key goes to the end of its
// section, and every other byte of the file stays as it was. Sections and
// keys match without regard to ASCII case, as Windows' profile functions do.

#include "platform/files/Files.h"

#include <QString>
#include <QStringList>

#include <stdexcept>

#include <string>
#include <utility>
#include <vector>

namespace glyphreel::text {

class ProfileError : public files::FileError {
public:
    using files::FileError::FileError;
};

class ProfileFile {
public:
    // Reads the file if it exists; a missing file reads as empty.
    explicit ProfileFile(const QString &path);

    const QString &path() const { return path_; }

    QString readString(const QString &section, const QString &key, const QString &defaultValue) const;
    // A value that is not a whole number in signed decimal reads as the default.
    int readInteger(const QString &section, const QString &key, int defaultValue) const;
    // True for any whole number other than 0; the default when not a number.
    bool readBool(const QString &section, const QString &key, bool defaultValue) const;
    bool hasKey(const QString &section, const QString &key) const;

    // Each write goes to the file at once, whole: under a temporary name,
    // flushed, then renamed over the file, so that a crash leaves its old or
    // its new content. Throws ProfileError naming the file when it cannot
    // be written, or a key or value that CP932 cannot hold.
    void writeString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);
    void writeBool(const QString &section, const QString &key, bool value);
    // Several keys of one section in this order, each by the same rule,
    // and the file written once.
    void writeStrings(const QString &section, const std::vector<std::pair<QString, QString>> &values);
    // The same change in memory only: bytes() is then what the file would
    // hold, for a caller that writes it together with other files.
    void setStrings(const QString &section, const std::vector<std::pair<QString, QString>> &values);
    std::string bytes() const;

    // The keys of a section in file order.
    QStringList keys(const QString &section) const;

private:
    struct Line {
        std::string bytes; // without the line end
        std::string end;   // "\r\n", "\n" or "" for a last line without one
    };
    std::size_t findSection(const std::string &section) const;
    std::size_t findKey(std::size_t sectionLine, const std::string &key) const;
    bool rawValue(const QString &section, const QString &key, std::string &value) const;
    void put(const QString &section, const QString &key, const QString &value);
    void save() const;

    QString path_;
    std::vector<Line> lines_;
};

} // namespace glyphreel::text
