// libFuzzer target for the settings file reader: any bytes read as a
// settings file; its keys read, a key written reads back as written and
// every other line of the file stays as it was.

#include "FuzzFiles.h"
#include "platform/text/ProfileFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using glyphreel::text::ProfileFile;
    const std::string path = fuzzsupport::scratch("s.td");
    fuzzsupport::writeFile(path, data, size);
    const QString section = QStringLiteral("Setting");
    ProfileFile ini(QString::fromStdString(path));
    for (const QString &key : ini.keys(section)) {
        (void)ini.readString(section, key, QString());
        (void)ini.readInteger(section, key, 0);
    }
    const std::string before = ini.bytes();
    ini.setStrings(section, {{QStringLiteral("Speed"), QStringLiteral("42")}, {QStringLiteral("Track1"), QStringLiteral("音.wav")}});
    const std::string after = ini.bytes();
    fuzzsupport::writeFile(path, reinterpret_cast<const std::uint8_t *>(after.data()), after.size());
    const ProfileFile back(QString::fromStdString(path));
    if (back.readInteger(section, QStringLiteral("Speed"), -1) != 42
        || back.readString(section, QStringLiteral("Track1"), QString()) != QStringLiteral("音.wav"))
        fuzzsupport::broken("a key written does not read back");
    // Lines are only added or replaced: every line of before that is no
    // Speed or Track1 line is still there.
    std::size_t kept = 0, lines = 0;
    for (std::size_t at = 0; at < before.size();) {
        const std::size_t end = before.find('\n', at);
        const std::string line = before.substr(at, end == std::string::npos ? std::string::npos : end - at + 1);
        at = end == std::string::npos ? before.size() : end + 1;
        ++lines;
        if (after.find(line) != std::string::npos)
            ++kept;
    }
    if (lines - kept > 2)
        fuzzsupport::broken("writing two keys changed other lines");
    return 0;
}
