#include "platform/gif/GifEncoding.h"

#include "platform/files/Files.h"

#include <libimagequant.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <unordered_map>

namespace glyphreel::gif::detail {

namespace {

void putU16(std::string &out, unsigned value)
{
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

// The smallest n >= 1 with 2^n >= count.
int tableBits(std::size_t count)
{
    int bits = 1;
    while ((std::size_t{1} << bits) < count)
        ++bits;
    return bits;
}

void putColourTable(std::string &out, const std::vector<Rgb> &colours, int bits)
{
    const std::size_t size = std::size_t{1} << bits;
    for (std::size_t i = 0; i < size; ++i) {
        const Rgb c = i < colours.size() ? colours[i] : 0;
        out.push_back(static_cast<char>((c >> 16) & 0xFF));
        out.push_back(static_cast<char>((c >> 8) & 0xFF));
        out.push_back(static_cast<char>(c & 0xFF));
    }
}

// Graphic control: "do not dispose" so a later frame's rectangle lands on
// what is shown, the delay, the transparent index if any.
void putGraphicControl(std::string &out, int delay, int transparent)
{
    out += "\x21\xF9\x04";
    out.push_back(static_cast<char>((1 << 2) | (transparent >= 0 ? 1 : 0)));
    putU16(out, static_cast<unsigned>(delay));
    out.push_back(static_cast<char>(transparent >= 0 ? transparent : 0));
    out.push_back('\0');
}

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};

// The indices of one frame's rectangle and the table they index.
struct Coded {
    std::vector<std::uint8_t> indices;
    std::vector<Rgb> palette;     // the colours the written pixels show
    bool local = true;
    int bits = 1;                 // of the table used
    int transparent = -1;
};

void putImage(std::string &out, const Rect &r, const Coded &coded, int delay)
{
    putGraphicControl(out, delay, coded.transparent);
    out.push_back('\x2C');
    putU16(out, static_cast<unsigned>(r.left));
    putU16(out, static_cast<unsigned>(r.top));
    putU16(out, static_cast<unsigned>(r.width));
    putU16(out, static_cast<unsigned>(r.height));
    if (coded.local) {
        out.push_back(static_cast<char>(0x80 | (coded.bits - 1)));
        putColourTable(out, coded.palette, coded.bits);
    } else {
        out.push_back('\0');
    }
    out += lzwImageData(coded.indices, std::max(2, coded.bits));
}

struct LiqAttr {
    void operator()(liq_attr *p) const { liq_attr_destroy(p); }
};
struct LiqImage {
    void operator()(liq_image *p) const { liq_image_destroy(p); }
};
struct LiqResult {
    void operator()(liq_result *p) const { liq_result_destroy(p); }
};

[[noreturn]] void quantizeFailed(const std::string &path)
{
    files::fail(path, "に書き出す絵の色を減らせません (メモリーが足りない可能性があります)");
}

// Quantizes the pixels of the rectangle to at most maxColours, dithered
// (gradient backgrounds band badly without). Pixels with importance 0 do
// not shape the palette; their indices are overwritten by the caller.
void quantize(const std::vector<Rgb> &pixels, int stride, const Rect &r, const std::vector<std::uint8_t> *importance,
              int maxColours, Coded &coded, const std::string &path)
{
    const std::size_t count = static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height);
    std::vector<unsigned char> rgba(count * 4);
    std::size_t o = 0;
    for (int y = r.top; y < r.top + r.height; ++y) {
        for (int x = r.left; x < r.left + r.width; ++x) {
            const Rgb c = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) + static_cast<std::size_t>(x)];
            rgba[o++] = static_cast<unsigned char>(c >> 16);
            rgba[o++] = static_cast<unsigned char>(c >> 8);
            rgba[o++] = static_cast<unsigned char>(c);
            rgba[o++] = 255;
        }
    }
    std::unique_ptr<liq_attr, LiqAttr> attr(liq_attr_create());
    if (!attr || liq_set_max_colors(attr.get(), maxColours) != LIQ_OK)
        quantizeFailed(path);
    std::unique_ptr<liq_image, LiqImage> image(liq_image_create_rgba(attr.get(), rgba.data(), r.width, r.height, 0));
    if (!image)
        quantizeFailed(path);
    if (importance) {
        std::vector<unsigned char> map(importance->begin(), importance->end());
        if (liq_image_set_importance_map(image.get(), map.data(), map.size(), LIQ_COPY_PIXELS) != LIQ_OK)
            quantizeFailed(path);
    }
    liq_result *raw = nullptr;
    if (liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK || !raw)
        quantizeFailed(path);
    std::unique_ptr<liq_result, LiqResult> result(raw);
    liq_set_dithering_level(result.get(), 1.0f);
    coded.indices.assign(count, 0);
    if (liq_write_remapped_image(result.get(), image.get(), coded.indices.data(), coded.indices.size()) != LIQ_OK)
        quantizeFailed(path);
    const liq_palette *palette = liq_get_palette(result.get());
    coded.palette.clear();
    for (unsigned i = 0; i < palette->count; ++i) {
        const liq_color &c = palette->entries[i];
        coded.palette.push_back((Rgb(c.r) << 16) | (Rgb(c.g) << 8) | Rgb(c.b));
    }
}

// The distinct colours of the rectangle's pixels (those marked in need,
// or all), in order of appearance, with each one's index. False when
// there are more than limit.
bool exactColours(const std::vector<Rgb> &pixels, int stride, const Rect &r, const std::vector<std::uint8_t> *need,
                  std::size_t limit, std::vector<Rgb> &colours, std::unordered_map<Rgb, std::uint8_t> &index)
{
    colours.clear();
    index.clear();
    std::size_t k = 0;
    bool haveLast = false;
    Rgb last = 0;
    for (int y = r.top; y < r.top + r.height; ++y) {
        for (int x = r.left; x < r.left + r.width; ++x, ++k) {
            if (need && !(*need)[k])
                continue;
            const Rgb c = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) + static_cast<std::size_t>(x)];
            // Text art runs in long stretches of one colour.
            if (haveLast && c == last)
                continue;
            haveLast = true;
            last = c;
            if (index.count(c))
                continue;
            if (colours.size() == limit)
                return false;
            index.emplace(c, static_cast<std::uint8_t>(colours.size()));
            colours.push_back(c);
        }
    }
    return true;
}

int distance2(Rgb a, Rgb b)
{
    const int dr = int((a >> 16) & 0xFF) - int((b >> 16) & 0xFF);
    const int dg = int((a >> 8) & 0xFF) - int((b >> 8) & 0xFF);
    const int db = int(a & 0xFF) - int(b & 0xFF);
    return dr * dr + dg * dg + db * db;
}

// The entry of the table nearest to c. The table's entries sorted by
// green are searched outward from c's green, each way only while green
// alone is not farther than the best found.
std::uint8_t nearestOf(Rgb c, const std::vector<Rgb> &table, const std::vector<std::uint8_t> &byGreen)
{
    const int green = int((c >> 8) & 0xFF);
    auto greenOf = [&](std::size_t i) { return int((table[byGreen[i]] >> 8) & 0xFF); };
    std::size_t lo = 0, hi = byGreen.size();
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (greenOf(mid) < green)
            lo = mid + 1;
        else
            hi = mid;
    }
    int bestDistance = INT32_MAX;
    std::uint8_t best = byGreen.empty() ? 0 : byGreen[std::min(lo, byGreen.size() - 1)];
    std::size_t up = lo;
    std::size_t down = lo;
    bool goUp = up < byGreen.size();
    bool goDown = down > 0;
    while (goUp || goDown) {
        if (goUp) {
            const int dg = greenOf(up) - green;
            if (dg * dg >= bestDistance) {
                goUp = false;
            } else {
                const int d = distance2(c, table[byGreen[up]]);
                if (d < bestDistance) {
                    bestDistance = d;
                    best = byGreen[up];
                }
                goUp = ++up < byGreen.size();
            }
        }
        if (goDown) {
            const int dg = green - greenOf(down - 1);
            if (dg * dg >= bestDistance) {
                goDown = false;
            } else {
                const int d = distance2(c, table[byGreen[down - 1]]);
                if (d < bestDistance) {
                    bestDistance = d;
                    best = byGreen[down - 1];
                }
                goDown = --down > 0;
            }
        }
    }
    return best;
}

// Maps the needed pixels of the rectangle onto their nearest colours of
// the global table. Returns the mean squared distance of those pixels.
double remapToGlobal(const std::vector<Rgb> &pixels, int stride, const Rect &r, const std::vector<std::uint8_t> &need,
                     const Canvas &canvas, std::vector<std::uint8_t> &indices)
{
    const std::vector<Rgb> &table = canvas.global;
    if (canvas.nearestIndex.empty()) {
        canvas.nearestIndex.assign(std::size_t{1} << 18, Canvas::kUnknown);
        canvas.byGreen.resize(table.size());
        for (std::size_t i = 0; i < table.size(); ++i)
            canvas.byGreen[i] = static_cast<std::uint8_t>(i);
        std::stable_sort(canvas.byGreen.begin(), canvas.byGreen.end(),
                         [&](std::uint8_t a, std::uint8_t b) { return (table[a] & 0xFF00) < (table[b] & 0xFF00); });
    }
    indices.assign(need.size(), 0);
    std::uint64_t sum = 0;
    std::size_t counted = 0;
    std::size_t k = 0;
    // Text art runs in long stretches of one colour, the background most.
    Rgb last = 0xFFFFFFFFu; // no colour: colours have 24 bits
    std::uint8_t lastBest = 0;
    int lastDistance = 0;
    for (int y = r.top; y < r.top + r.height; ++y) {
        const Rgb *row = pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
        for (int x = r.left; x < r.left + r.width; ++x, ++k) {
            if (!need[k])
                continue;
            const Rgb c = row[x];
            if (c != last) {
                const std::size_t cell = ((c >> 6) & 0x3F000) | ((c >> 4) & 0xFC0) | ((c >> 2) & 0x3F);
                if (canvas.nearestIndex[cell] != Canvas::kUnknown) {
                    lastBest = static_cast<std::uint8_t>(canvas.nearestIndex[cell]);
                } else {
                    lastBest = nearestOf(c, table, canvas.byGreen);
                    canvas.nearestIndex[cell] = lastBest;
                }
                last = c;
                lastDistance = distance2(c, table[lastBest]);
            }
            indices[k] = lastBest;
            sum += static_cast<std::uint64_t>(lastDistance);
            ++counted;
        }
    }
    return counted ? static_cast<double>(sum) / static_cast<double>(counted) : 0;
}

// Whether a frame mapped onto the global table with this error looks
// about as good as the first frame did. Text art is small glyphs in a
// colour each, blended into the background at their edges: a few levels
// off in each of red, green and blue do not show there.
bool closeEnough(double error, const Canvas &canvas)
{
    constexpr double kUnseen = 48; // 4 levels in each of R, G and B
    return error <= std::max(kUnseen, canvas.globalError * 3);
}

} // namespace

std::string lzwImageData(const std::vector<std::uint8_t> &indices, int minCodeSize)
{
    std::string out;
    out.push_back(static_cast<char>(minCodeSize));

    // Codes packed least significant bit first into sub-blocks of 255.
    std::string block;
    std::uint32_t acc = 0;
    int accBits = 0;
    auto putByte = [&](std::uint8_t b) {
        block.push_back(static_cast<char>(b));
        if (block.size() == 255) {
            out.push_back(static_cast<char>(block.size()));
            out += block;
            block.clear();
        }
    };
    auto putCode = [&](unsigned code, int size) {
        acc |= static_cast<std::uint32_t>(code) << accBits;
        accBits += size;
        while (accBits >= 8) {
            putByte(static_cast<std::uint8_t>(acc & 0xFF));
            acc >>= 8;
            accBits -= 8;
        }
    };

    const unsigned clear = 1u << minCodeSize;
    const unsigned end = clear + 1;
    // The dictionary: (prefix code, next index) -> code, open addressing.
    constexpr std::size_t kSlots = 8192;
    std::vector<std::int32_t> keys(kSlots, -1);
    std::vector<std::uint16_t> codes(kSlots, 0);
    auto slotOf = [&](std::uint32_t key) {
        std::size_t s = (key * 2654435761u) >> (32 - 13);
        while (keys[s] >= 0 && static_cast<std::uint32_t>(keys[s]) != key)
            s = (s + 1) & (kSlots - 1);
        return s;
    };

    int codeSize = minCodeSize + 1;
    unsigned next = clear + 2;
    putCode(clear, codeSize);
    if (!indices.empty()) {
        unsigned prefix = indices[0];
        for (std::size_t i = 1; i < indices.size(); ++i) {
            const unsigned c = indices[i];
            const std::uint32_t key = (prefix << 8) | c;
            const std::size_t s = slotOf(key);
            if (keys[s] >= 0) {
                prefix = codes[s];
                continue;
            }
            putCode(prefix, codeSize);
            keys[s] = static_cast<std::int32_t>(key);
            codes[s] = static_cast<std::uint16_t>(next);
            // The decoder needs the wider code once this code exists.
            if (next >= (1u << codeSize) && codeSize < 12)
                ++codeSize;
            ++next;
            if (next == 4095) {
                // Start over before the 12-bit table is full.
                putCode(clear, codeSize);
                std::fill(keys.begin(), keys.end(), -1);
                codeSize = minCodeSize + 1;
                next = clear + 2;
            }
            prefix = c;
        }
        putCode(prefix, codeSize);
    }
    putCode(end, codeSize);
    if (accBits > 0)
        putByte(static_cast<std::uint8_t>(acc & 0xFF));
    if (!block.empty()) {
        out.push_back(static_cast<char>(block.size()));
        out += block;
    }
    out.push_back('\0');
    return out;
}

std::string firstFrame(std::vector<Rgb> pixels, int width, int height, int delay, Canvas &canvas, const std::string &path)
{
    const Rect whole{0, 0, width, height};
    Coded coded;
    std::unordered_map<Rgb, std::uint8_t> index;
    if (exactColours(pixels, width, whole, nullptr, 256, coded.palette, index)) {
        coded.indices.resize(pixels.size());
        for (std::size_t i = 0; i < pixels.size(); ++i)
            coded.indices[i] = index.at(pixels[i]);
    } else {
        // 255: a slot stays free for the transparent index of later frames.
        quantize(pixels, width, whole, nullptr, 255, coded, path);
    }
    coded.local = false;
    // One slot more than the colours when there is room: the transparent
    // index of later frames that keep to these colours.
    coded.bits = tableBits(std::min<std::size_t>(coded.palette.size() + 1, 256));

    std::string out = "GIF89a";
    putU16(out, static_cast<unsigned>(width));
    putU16(out, static_cast<unsigned>(height));
    out.push_back(static_cast<char>(0x80 | (7 << 4) | (coded.bits - 1)));
    out.push_back('\0'); // background index
    out.push_back('\0'); // no aspect ratio
    putColourTable(out, coded.palette, coded.bits);
    // Loop forever; written now because the header is never rewritten.
    out += "\x21\xFF\x0B" "NETSCAPE2.0" "\x03\x01";
    out.append("\x00\x00\x00", 3);
    putImage(out, whole, coded, delay);

    canvas.width = width;
    canvas.height = height;
    canvas.shown.resize(pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i)
        canvas.shown[i] = coded.palette[coded.indices[i]];
    canvas.input = std::move(pixels);
    canvas.global = std::move(coded.palette);
    canvas.globalBits = coded.bits;
    canvas.globalFree = canvas.global.size() < (std::size_t{1} << coded.bits) ? static_cast<int>(canvas.global.size()) : -1;
    double error = 0;
    for (std::size_t i = 0; i < canvas.input.size(); ++i)
        error += distance2(canvas.input[i], canvas.shown[i]);
    canvas.globalError = canvas.input.empty() ? 0 : error / static_cast<double>(canvas.input.size());
    return out;
}

PendingFrame nextFrame(std::vector<Rgb> pixels, const Canvas &canvas, int delay, const std::string &path)
{
    const std::size_t w = static_cast<std::size_t>(canvas.width);
    // A pixel goes into the frame when it shows something else than the
    // new picture. Strictly (after the exact colours did not fit): only
    // when the picture changed there too, so an approximation already
    // shown for an unchanged pixel stays.
    auto changed = [&](std::size_t i, bool strict) {
        return pixels[i] != canvas.shown[i] && (!strict || pixels[i] != canvas.input[i]);
    };

    Coded coded;
    Rect r;
    std::vector<std::uint8_t> need;
    bool transparency = false;
    for (bool strict : {false, true}) {
        int x0 = canvas.width, y0 = canvas.height, x1 = -1, y1 = -1;
        for (int y = 0; y < canvas.height; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * w;
            for (int x = 0; x < canvas.width; ++x) {
                if (changed(row + static_cast<std::size_t>(x), strict)) {
                    x0 = std::min(x0, x);
                    x1 = std::max(x1, x);
                    y0 = std::min(y0, y);
                    y1 = std::max(y1, y);
                }
            }
        }
        // Nothing changed: the frame still shows for its delay, as one
        // transparent pixel.
        r = x1 < 0 ? Rect{0, 0, 1, 1} : Rect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
        need.assign(static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height), 0);
        transparency = false;
        std::size_t k = 0;
        for (int y = r.top; y < r.top + r.height; ++y) {
            for (int x = r.left; x < r.left + r.width; ++x, ++k) {
                need[k] = changed(static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x), strict) ? 1 : 0;
                transparency = transparency || !need[k];
            }
        }

        // The transparent index takes a slot: then 255 colours at most.
        const std::size_t limit = transparency ? 255 : 256;
        std::unordered_map<Rgb, std::uint8_t> index;
        if (exactColours(pixels, canvas.width, r, &need, limit, coded.palette, index)) {
            bool inGlobal = !transparency || canvas.globalFree >= 0;
            std::unordered_map<Rgb, std::uint8_t> globalIndex;
            for (std::size_t i = 0; inGlobal && i < canvas.global.size(); ++i)
                globalIndex.emplace(canvas.global[i], static_cast<std::uint8_t>(i));
            for (std::size_t i = 0; inGlobal && i < coded.palette.size(); ++i)
                inGlobal = globalIndex.count(coded.palette[i]) > 0;
            if (inGlobal) {
                coded.local = false;
                coded.palette = canvas.global;
                coded.bits = canvas.globalBits;
                coded.transparent = transparency ? canvas.globalFree : -1;
                index = std::move(globalIndex);
            } else {
                coded.local = true;
                coded.transparent = transparency ? static_cast<int>(coded.palette.size()) : -1;
                coded.bits = tableBits(coded.palette.size() + (transparency ? 1 : 0));
            }
            coded.indices.assign(need.size(), 0);
            k = 0;
            for (int y = r.top; y < r.top + r.height; ++y)
                for (int x = r.left; x < r.left + r.width; ++x, ++k)
                    coded.indices[k] = need[k] ? index.at(pixels[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)])
                                               : static_cast<std::uint8_t>(coded.transparent);
            break;
        }
        if (!strict)
            continue;
        // Too many colours even strictly: onto the global table when it
        // shows them about as well as the first frame, which keeps the
        // frame without a table of its own.
        if (!transparency || canvas.globalFree >= 0) {
            const double error = remapToGlobal(pixels, canvas.width, r, need, canvas, coded.indices);
            if (closeEnough(error, canvas)) {
                coded.local = false;
                coded.palette = canvas.global;
                coded.bits = canvas.globalBits;
                coded.transparent = transparency ? canvas.globalFree : -1;
                for (std::size_t i = 0; i < need.size(); ++i)
                    if (!need[i])
                        coded.indices[i] = static_cast<std::uint8_t>(coded.transparent);
                break;
            }
        }
        // Or quantize what is drawn.
        std::vector<std::uint8_t> importance(need.size());
        for (std::size_t i = 0; i < need.size(); ++i)
            importance[i] = need[i] ? 255 : 0;
        quantize(pixels, canvas.width, r, transparency ? &importance : nullptr, static_cast<int>(limit), coded, path);
        coded.local = true;
        coded.transparent = transparency ? static_cast<int>(coded.palette.size()) : -1;
        coded.bits = tableBits(coded.palette.size() + (transparency ? 1 : 0));
        for (std::size_t i = 0; i < need.size(); ++i)
            if (!need[i])
                coded.indices[i] = static_cast<std::uint8_t>(coded.transparent);
    }

    // An unchanged pixel may take the transparent index or any index of
    // the colour it shows. Continuing the run before it or the one after
    // it gives the compressor longer runs: art on a plain background
    // otherwise alternates transparent and background pixels where glyphs
    // came and went.
    if (coded.transparent >= 0) {
        int previous = -1;
        std::size_t k = 0;
        for (int y = r.top; y < r.top + r.height; ++y) {
            for (int x = r.left; x < r.left + r.width; ++x, ++k) {
                if (!need[k] && previous >= 0 && previous != coded.transparent
                    && coded.palette[static_cast<std::size_t>(previous)]
                           == canvas.shown[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)])
                    coded.indices[k] = static_cast<std::uint8_t>(previous);
                previous = coded.indices[k];
            }
        }
        // And the run after it, back from its start.
        int following = -1;
        k = need.size();
        for (int y = r.top + r.height - 1; y >= r.top; --y) {
            for (int x = r.left + r.width - 1; x >= r.left; --x) {
                --k;
                if (!need[k] && coded.indices[k] == coded.transparent && following >= 0 && following != coded.transparent
                    && coded.palette[static_cast<std::size_t>(following)]
                           == canvas.shown[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)])
                    coded.indices[k] = static_cast<std::uint8_t>(following);
                following = coded.indices[k];
            }
        }
    }

    PendingFrame frame;
    putImage(frame.bytes, r, coded, delay);
    frame.left = r.left;
    frame.top = r.top;
    frame.width = r.width;
    frame.height = r.height;
    frame.shownRect.resize(need.size());
    std::size_t k = 0;
    for (int y = r.top; y < r.top + r.height; ++y)
        for (int x = r.left; x < r.left + r.width; ++x, ++k)
            frame.shownRect[k] = need[k] ? coded.palette[coded.indices[k]]
                                         : canvas.shown[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)];
    frame.input = std::move(pixels);
    return frame;
}

void apply(Canvas &canvas, PendingFrame &&frame)
{
    const std::size_t w = static_cast<std::size_t>(canvas.width);
    std::size_t k = 0;
    for (int y = frame.top; y < frame.top + frame.height; ++y)
        for (int x = frame.left; x < frame.left + frame.width; ++x, ++k)
            canvas.shown[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] = frame.shownRect[k];
    canvas.input = std::move(frame.input);
}

} // namespace glyphreel::gif::detail
