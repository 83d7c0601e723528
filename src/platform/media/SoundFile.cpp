// Which decoder a sound file goes to, and what is refused before any
// decoder sees it.

#include "platform/files/Files.h"
#include "platform/media/SoundDecoder.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <unistd.h>

namespace glyphreel::media {
namespace {

std::string extension(const std::string &path)
{
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string e = path.substr(dot + 1);
    std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return std::tolower(c); });
    return e;
}

std::uint32_t le32(const std::string &bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

bool startsWith(const std::string &bytes, std::size_t at, const char *tag)
{
    return bytes.size() >= at + std::strlen(tag) && bytes.compare(at, std::strlen(tag), tag) == 0;
}

// The first bytes of a file, as many as there are up to count.
std::string firstBytes(const std::string &path, std::size_t count)
{
    std::uint64_t size = 0;
    const int fd = files::openRegularFile(path, size, "音声ファイルがありません");
    std::string bytes(static_cast<std::size_t>(std::min<std::uint64_t>(size, count)), '\0');
    try {
        files::readAt(fd, path, 0, bytes.data(), bytes.size());
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    return bytes;
}

// The standard MIDI file in a file: the whole of it, or the "data" chunk
// of a RIFF "RMID" wrapper. Throws SoundError naming the file when it holds
// none.
std::string standardMidiFile(const std::string &path, std::string bytes)
{
    if (startsWith(bytes, 0, "RIFF") && startsWith(bytes, 8, "RMID")) {
        std::size_t at = 12;
        std::string data;
        while (at + 8 <= bytes.size()) {
            const std::uint64_t length = le32(bytes, at + 4);
            if (startsWith(bytes, at, "data")) {
                if (at + 8 + length > bytes.size())
                    throw SoundError("RMIファイルが途中で切れています: " + path);
                data = bytes.substr(at + 8, static_cast<std::size_t>(length));
                break;
            }
            at += 8 + length + (length & 1); // chunks are padded to even lengths
        }
        bytes = std::move(data);
    }
    // "MThd", a header of at least 6 bytes, then the first track.
    if (!startsWith(bytes, 0, "MThd") || bytes.size() < 22)
        throw SoundError("MIDIファイルではありません: " + path);
    const std::uint32_t header = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[4])) << 24 |
                                 static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[5])) << 16 |
                                 static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[6])) << 8 |
                                 static_cast<unsigned char>(bytes[7]);
    if (header < 6 || 8 + std::uint64_t(header) + 8 > bytes.size() || !startsWith(bytes, 8 + header, "MTrk"))
        throw SoundError("MIDIファイルではありません: " + path);
    return bytes;
}

} // namespace

std::unique_ptr<SoundDecoder> openSoundFile(const std::string &path)
{
    // A FIFO would block and a device never end: only regular files.
    if (!files::isRegularFile(path))
        throw SoundError("音声ファイルではありません (通常のファイルではないか、ありません): " + path);
    const std::string ext = extension(path);
    std::string head;
    try {
        head = firstBytes(path, 16);
    } catch (const files::FileError &e) {
        throw SoundError(std::string("音声ファイルを読めません: ") + e.what());
    }
    // What a CD shows for its tracks holds no samples, only where the
    // track lies on the disc.
    if (ext == "cda" || (startsWith(head, 0, "RIFF") && startsWith(head, 8, "CDDA")))
        throw SoundError("CDオーディオトラック (.cda) には対応していません: " + path);
    const bool midiName = ext == "mid" || ext == "midi" || ext == "rmi";
    const bool midiBytes = startsWith(head, 0, "MThd") || (startsWith(head, 0, "RIFF") && startsWith(head, 8, "RMID"));
    if (midiName || midiBytes) {
        std::string bytes;
        try {
            bytes = files::readRegularFile(path, "音声ファイルがありません");
        } catch (const files::FileError &e) {
            throw SoundError(std::string("音声ファイルを読めません: ") + e.what());
        }
        return openMidiSound(path, standardMidiFile(path, std::move(bytes)));
    }
    if (head.empty())
        throw SoundError("音声ファイルが空です: " + path);
    return openFfmpegSound(path);
}

} // namespace glyphreel::media
