#include "render/FrameRenderer.h"

#include "platform/rtf/RichTextConversion.h"
#include "platform/text/Cp932.h"
#include "platform/text/Lines.h"

#include <QAbstractTextDocumentLayout>
#include <QHash>
#include <QGlyphRun>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace glyphreel::render {
namespace {

// Glyphs are cached at quarter-pixel phases across; baselines are whole
// pixels, as the text engine puts them.
constexpr int kPhases = 4;

int fontIndex(PreparedFrame &frame, const QRawFont &font)
{
    for (std::size_t i = 0; i < frame.fonts.size(); ++i)
        if (frame.fonts[i] == font)
            return static_cast<int>(i);
    frame.fonts.push_back(font);
    return static_cast<int>(frame.fonts.size() - 1);
}

// How a character is drawn besides its font.
struct Ink {
    QRgb color = 0;
    bool underline = false;
    bool strikeOut = false;
    bool operator==(const Ink &o) const { return color == o.color && underline == o.underline && strikeOut == o.strikeOut; }
};

// Appends glyphs [from, to) of a glyph run, at the origin, as one run.
void addRun(PreparedFrame &frame, int font, const QList<quint32> &indexes, const QList<QPointF> &positions, qsizetype from,
            qsizetype to, const QPointF &origin, const Ink &ink)
{
    if (from >= to)
        return;
    PlacedRun run;
    run.font = font;
    run.color = ink.color;
    run.underline = ink.underline;
    run.strikeOut = ink.strikeOut;
    run.baseline = static_cast<float>(origin.y() + positions[from].y());
    run.begin = static_cast<std::uint32_t>(frame.glyphs.size());
    for (qsizetype i = from; i < to; ++i) {
        frame.glyphs.push_back(indexes[i]);
        frame.x.push_back(static_cast<float>(origin.x() + positions[i].x()));
    }
    run.end = static_cast<std::uint32_t>(frame.glyphs.size());
    run.left = frame.x[run.begin];
    run.right = frame.x[run.end - 1];
    // Only lines under or through text need the last glyph's width.
    if (ink.underline || ink.strikeOut) {
        const QRawFont &raw = frame.fonts[static_cast<std::size_t>(font)];
        const QList<QPointF> last = raw.advancesForGlyphIndexes(QList<quint32>{indexes[to - 1]});
        run.right += static_cast<float>(last.isEmpty() ? 0 : last.front().x());
    }
    frame.runs.push_back(run);
}

Ink inkOf(const QTextCharFormat &format, QRgb base)
{
    const QBrush brush = format.foreground();
    return {brush.style() == Qt::NoBrush ? base : brush.color().rgb(), format.fontUnderline(), format.fontStrikeOut()};
}

QTextOption editorTextOption()
{
    QTextOption option = QTextDocument().defaultTextOption();
    option.setWrapMode(QTextOption::NoWrap);
    return option;
}

// What the quick way cannot place character by character: line and
// paragraph breaks inside a line, control characters the document treats
// on its own, objects, characters of two code units, right-to-left text.
bool placeableQuickly(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t') || u == 0x7f || c.isSurrogate() || u == QChar::LineSeparator
            || u == QChar::ParagraphSeparator || u == QChar::ObjectReplacementCharacter || u == 0xfeff)
            return false;
        if (u >= 0x0590 && u < 0x0900)
            return false; // Hebrew, Arabic and their neighbours
        if (u >= 0xfb1d && u < 0xfe00)
            return false;
        if (u >= 0xfe70 && u < 0xff00)
            return false;
    }
    return true;
}

// A paragraph's text, the font changes the text layout shapes by, and each
// character's ink.
struct Paragraph {
    QString text;
    QList<QTextLayout::FormatRange> fonts;
    std::vector<Ink> inks;
};

bool sameFont(const rtf::RtfRun &a, const rtf::RtfRun &b)
{
    return a.font == b.font && a.sizePt == b.sizePt && a.bold == b.bold && a.italic == b.italic;
}

// The runs as the editor's document holds them: a run in the document's own
// family and size carries neither, exactly as the document is filled.
Paragraph paragraphOf(const std::vector<rtf::RtfRun> &runs, const QString &defaultFamily, double defaultSize, QRgb base)
{
    Paragraph p;
    const rtf::RtfRun *previous = nullptr;
    for (const rtf::RtfRun &run : runs) {
        if (run.text.isEmpty())
            continue;
        const int start = static_cast<int>(p.text.size());
        p.text += run.text;
        const Ink ink{run.color.kind == rtf::RtfColor::Kind::Rgb ? run.color.rgb.rgb() : base, run.underline, run.strike};
        p.inks.insert(p.inks.end(), static_cast<std::size_t>(run.text.size()), ink);
        if (previous && sameFont(*previous, run)) {
            p.fonts.back().length += static_cast<int>(run.text.size());
            continue;
        }
        previous = &run;
        QTextCharFormat f;
        if (!run.font.isEmpty() && run.font != defaultFamily)
            f.setFontFamilies(QStringList{run.font});
        if (run.sizePt != defaultSize)
            f.setFontPointSize(run.sizePt);
        if (run.bold)
            f.setFontWeight(QFont::Bold);
        if (run.italic)
            f.setFontItalic(true);
        p.fonts.push_back({start, static_cast<int>(run.text.size()), f});
    }
    return p;
}

// What the text layout does with one font: the face it draws a character
// with, where the baseline and the pen start, the line's height, whether
// advances are rounded to whole pixels. Learnt by laying out a character
// twice, once per font and script, and kept for the thread: fonts belong to
// the thread that loads them.
struct FontProbe {
    bool valid = false;
    QRawFont raw;
    double left = 0;
    double baseline = 0;
    double height = 0;
    bool roundAdvances = false;
    QString face;
};

QString faceKey(const QRawFont &font)
{
    return font.familyName() + u'/' + font.styleName() + u'/' + QString::number(font.pixelSize()) + u'/'
        + QString::number(font.weight()) + u'/' + QString::number(int(font.style()));
}

// A face whose glyphs go where their advances put them, one for one: no
// positioning tables and no substitution the shaper applies to plain
// letters by default. Composition (ccmp) only acts on marks, which the
// quick way leaves to the text layout.
bool placesByAdvances(const QRawFont &font)
{
    if (!font.fontTable("GPOS").isEmpty() || !font.fontTable("kern").isEmpty() || !font.fontTable("morx").isEmpty())
        return false;
    const QByteArray gsub = font.fontTable("GSUB");
    if (gsub.isEmpty())
        return true;
    auto u16 = [&gsub](qsizetype at) {
        return at + 2 <= gsub.size() ? (uchar(gsub[at]) << 8 | uchar(gsub[at + 1])) : -1;
    };
    const int list = u16(6);
    const int count = list < 0 ? -1 : u16(list);
    if (count < 0)
        return false;
    for (int i = 0; i < count; ++i) {
        const qsizetype at = list + 2 + 6 * qsizetype(i);
        if (at + 4 > gsub.size())
            return false;
        const QByteArray tag = gsub.mid(at, 4);
        if (tag == "liga" || tag == "clig" || tag == "calt" || tag == "rlig" || tag == "rclt" || tag == "locl"
            || tag == "rvrn")
            return false;
    }
    return true;
}

// The probes of one font, by script, and the face its first script uses.
struct FontScripts {
    std::array<std::optional<FontProbe>, QChar::ScriptCount> byScript;
};

class FontProbes {
public:
    FontScripts &scriptsOf(const QFont &base, const QTextCharFormat &format)
    {
        const QString key = base.key() + u'|' + format.fontFamilies().toStringList().join(u',') + u'/'
            + QString::number(format.fontPointSize()) + u'/' + QString::number(format.fontWeight()) + u'/'
            + QString::number(format.fontItalic());
        auto it = fonts_.find(key);
        if (it == fonts_.end())
            it = fonts_.insert(key, std::make_shared<FontScripts>());
        return **it;
    }

    const FontProbe &probe(FontScripts &scripts, const QFont &base, const QTextCharFormat &format, QChar c,
                           const QTextOption &option)
    {
        std::optional<FontProbe> &slot = scripts.byScript[std::size_t(c.script())];
        if (slot)
            return *slot;
        FontProbe probe;
        const QString text = QString(c) + c;
        QTextLayout layout(text, base);
        layout.setTextOption(option);
        layout.setFormats({{0, 2, format}});
        layout.beginLayout();
        QTextLine line = layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = line.isValid() ? line.glyphRuns() : QList<QGlyphRun>();
        if (runs.size() == 1 && runs.front().glyphIndexes().size() == 2) {
            const QGlyphRun &run = runs.front();
            probe.raw = run.rawFont();
            const QList<QPointF> at = run.positions();
            const QList<QPointF> advance = probe.raw.advancesForGlyphIndexes(QList<quint32>{run.glyphIndexes().front()});
            const double step = at[1].x() - at[0].x();
            const double a = advance.isEmpty() ? -1 : advance.front().x();
            probe.left = at[0].x();
            probe.baseline = at[0].y();
            probe.height = line.height();
            probe.roundAdvances = step != a && step == std::round(a);
            probe.face = faceKey(probe.raw);
            probe.valid = (step == a || probe.roundAdvances) && simple(probe.raw, probe.face);
        }
        slot = probe;
        return *slot;
    }

private:
    bool simple(const QRawFont &font, const QString &key)
    {
        auto it = faces_.find(key);
        if (it == faces_.end())
            it = faces_.insert(key, placesByAdvances(font));
        return *it;
    }

    QHash<QString, std::shared_ptr<FontScripts>> fonts_;
    QHash<QString, bool> faces_;
};

bool leftToLayout(QChar c)
{
    switch (c.category()) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format:
        return true;
    default:
        break;
    }
    const char16_t u = c.unicode();
    return u == u'\t' || (u >= 0xfe00 && u <= 0xfe0f);
}

// A paragraph in one font of a face that places by advances: its glyphs
// and their places straight from the font, as the text layout would put
// them. Returns the height, or a negative number when the paragraph is not
// such a one.
double placeByAdvances(PreparedFrame &frame, const Paragraph &p, const QFont &font, const QTextOption &option,
                       const QPointF &origin)
{
    if (p.text.isEmpty() || p.fonts.size() > 1 || (p.fonts.size() == 1 && p.fonts.front().length != p.text.size()))
        return -1;
    static thread_local FontProbes probes;
    const QTextCharFormat format = p.fonts.isEmpty() ? QTextCharFormat() : p.fonts.front().format;
    FontScripts &scripts = probes.scriptsOf(font, format);
    const FontProbe &first = probes.probe(scripts, font, format, p.text.front(), option);
    if (!first.valid)
        return -1;
    std::array<bool, QChar::ScriptCount> checked{};
    checked[std::size_t(p.text.front().script())] = true;
    for (const QChar c : p.text) {
        if (leftToLayout(c))
            return -1;
        const QChar::Script script = c.script();
        if (checked[std::size_t(script)])
            continue;
        checked[std::size_t(script)] = true;
        // Every script on the line drawn with the same face, as one line.
        const FontProbe &other = probes.probe(scripts, font, format, c, option);
        if (!other.valid || other.face != first.face || other.baseline != first.baseline || other.height != first.height)
            return -1;
    }
    const QList<quint32> glyphs = first.raw.glyphIndexesForString(p.text);
    if (glyphs.size() != p.text.size() || glyphs.contains(0u))
        return -1;
    const QList<QPointF> advances = first.raw.advancesForGlyphIndexes(glyphs);
    if (advances.size() != glyphs.size())
        return -1;
    const int fi = fontIndex(frame, first.raw);
    // Straight into the frame's arrays, a run per change of ink.
    const std::uint32_t start = static_cast<std::uint32_t>(frame.glyphs.size());
    frame.glyphs.insert(frame.glyphs.end(), glyphs.begin(), glyphs.end());
    frame.x.resize(frame.x.size() + std::size_t(glyphs.size()));
    float *xs = frame.x.data() + start;
    double x = origin.x() + first.left;
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        xs[i] = static_cast<float>(x);
        x += first.roundAdvances ? std::round(advances[i].x()) : advances[i].x();
    }
    const float baseline = static_cast<float>(origin.y() + first.baseline);
    std::size_t from = 0;
    const std::size_t n = std::size_t(glyphs.size());
    for (std::size_t i = 1; i <= n; ++i) {
        if (i < n && p.inks[i] == p.inks[from])
            continue;
        PlacedRun run;
        run.font = fi;
        run.color = p.inks[from].color;
        run.underline = p.inks[from].underline;
        run.strikeOut = p.inks[from].strikeOut;
        run.baseline = baseline;
        run.begin = start + std::uint32_t(from);
        run.end = start + std::uint32_t(i);
        run.left = xs[from];
        // Where a line under or through it ends: after the last glyph.
        run.right = i < n ? xs[i] : static_cast<float>(x);
        frame.runs.push_back(run);
        from = i;
    }
    return first.height;
}

// Lays out a paragraph at the top of the origin; returns its height, or a
// negative number when a line cannot be placed character by character.
double placeParagraph(PreparedFrame &frame, const Paragraph &p, const QFont &font, const QTextOption &option,
                      const QPointF &origin)
{
    QTextLayout layout(p.text, font);
    layout.setTextOption(option);
    layout.setFormats(p.fonts);
    layout.beginLayout();
    while (layout.createLine().isValid()) {
    }
    layout.endLayout();
    // Placed once laid out: a line's height is known only then.
    double height = 0;
    for (int l = 0; l < layout.lineCount(); ++l) {
        QTextLine line = layout.lineAt(l);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    for (int l = 0; l < layout.lineCount(); ++l) {
        const QTextLine line = layout.lineAt(l);
        const QList<QGlyphRun> glyphRuns = line.glyphRuns();
        qsizetype glyphCount = 0;
        for (const QGlyphRun &r : glyphRuns)
            glyphCount += r.glyphIndexes().size();
        // One glyph per character, in the order of the text: the glyphs
        // take the characters' inks one for one.
        if (glyphCount != line.textLength())
            return -1;
        qsizetype k = line.textStart();
        for (const QGlyphRun &r : glyphRuns) {
            const int fi = fontIndex(frame, r.rawFont());
            const QList<quint32> indexes = r.glyphIndexes();
            const QList<QPointF> positions = r.positions();
            qsizetype from = 0;
            for (qsizetype i = 1; i <= indexes.size(); ++i) {
                if (i < indexes.size() && p.inks[static_cast<std::size_t>(k + i)] == p.inks[static_cast<std::size_t>(k + from)])
                    continue;
                addRun(frame, fi, indexes, positions, from, i, origin, p.inks[static_cast<std::size_t>(k + from)]);
                from = i;
            }
            k += indexes.size();
        }
    }
    return height;
}

std::optional<PreparedFrame> layoutQuickly(const rtf::RtfDocument &document, const FrameLook &look)
{
    const QString defaultFamily = look.baseFont.family();
    const double defaultSize = rtf::pointSizeOf(look.baseFont, look.dpi);
    const QRgb base = look.textColor.rgb();
    static const QTextOption option = editorTextOption();
    PreparedFrame frame;
    // Grown once: a colour page has a glyph and a run per character.
    std::size_t characters = 0, inks = 0;
    for (const auto &runs : document.paragraphs) {
        inks += runs.size();
        for (const rtf::RtfRun &run : runs)
            characters += std::size_t(run.text.size());
    }
    frame.glyphs.reserve(characters);
    frame.x.reserve(characters);
    frame.runs.reserve(inks);
    double y = look.margin;
    for (const auto &runs : document.paragraphs) {
        for (const rtf::RtfRun &run : runs)
            if (!placeableQuickly(run.text))
                return std::nullopt;
        const Paragraph p = look.plainText ? Paragraph{runs.front().text, {}, std::vector<Ink>(runs.front().text.size(), Ink{base})}
                                           : paragraphOf(runs, defaultFamily, defaultSize, base);
        double height = placeByAdvances(frame, p, look.baseFont, option, QPointF(look.margin, y));
        if (height >= 0) {
            ++frame.ways.byAdvances;
        } else {
            height = placeParagraph(frame, p, look.baseFont, option, QPointF(look.margin, y));
            if (height < 0)
                return std::nullopt;
            ++frame.ways.byTextLayout;
        }
        y += height;
    }
    return frame;
}

} // namespace

std::size_t PreparedFrame::bytes() const
{
    return sizeof(*this) + runs.capacity() * sizeof(PlacedRun) + glyphs.capacity() * sizeof(quint32)
        + x.capacity() * sizeof(float) + fonts.capacity() * sizeof(QRawFont);
}

ParsedFrame parseFrame(std::string memo, bool plainText)
{
    ParsedFrame parsed;
    parsed.plainText = plainText;
    if (plainText) {
        std::string_view stored = memo;
        while (!stored.empty() && stored.back() == '\0')
            stored.remove_suffix(1);
        const QString text = text::toLineFeeds(text::decodeCp932(stored));
        for (const QString &line : text.split(u'\n')) {
            rtf::RtfRun run;
            run.text = line;
            parsed.document.paragraphs.push_back({run});
        }
    } else {
        parsed.document = rtf::readRtf(memo);
    }
    parsed.memo = std::move(memo);
    return parsed;
}

PreparedFrame layoutFrame(const ParsedFrame &parsed, const FrameLook &look)
{
    FrameLook as = look;
    as.plainText = parsed.plainText;
    if (std::optional<PreparedFrame> frame = layoutQuickly(parsed.document, as))
        return std::move(*frame);
    return prepareFrameThroughDocument(parsed.memo, as);
}

PreparedFrame prepareFrame(const std::string &memo, const FrameLook &look)
{
    return layoutFrame(parseFrame(memo, look.plainText), look);
}

PreparedFrame prepareFrameThroughDocument(const std::string &memo, const FrameLook &look)
{
    PreparedFrame frame;
    frame.ways.throughDocument = true;
    QTextDocument document;
    document.setDefaultFont(look.baseFont);
    document.setDocumentMargin(look.margin);
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(QTextOption::NoWrap);
    document.setDefaultTextOption(option);
    // The same conversion the editor loads a memo with, so that fonts,
    // sizes and colours resolve as they do there.
    rtf::loadMemo(memo, look.plainText, document, rtf::pointSizeOf(look.baseFont, look.dpi));
    QAbstractTextDocumentLayout *layout = document.documentLayout();
    const QRgb base = look.textColor.rgb();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QPointF origin = layout->blockBoundingRect(block).topLeft();
        QTextLayout *lines = block.layout();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const Ink ink = inkOf(fragment.charFormat(), base);
            const int from = fragment.position() - block.position();
            for (const QGlyphRun &glyphs : lines->glyphRuns(from, fragment.length())) {
                const QList<quint32> indexes = glyphs.glyphIndexes();
                addRun(frame, fontIndex(frame, glyphs.rawFont()), indexes, glyphs.positions(), 0, indexes.size(), origin, ink);
            }
        }
    }
    return frame;
}

// Coverage masks of glyphs, independent of their colour.
struct FrameRenderer::Cache {
    struct Mask {
        QImage alpha; // Format_Alpha8
        int left = 0; // from the pen position, whole pixels
        int top = 0;  // from the baseline
    };
    QHash<QString, QHash<quint64, Mask>> fonts;

    static QString keyOf(const QRawFont &font)
    {
        return font.familyName() + u'/' + font.styleName() + u'/' + QString::number(font.pixelSize()) + u'/'
            + QString::number(font.weight()) + u'/' + QString::number(int(font.style()));
    }

    using Glyphs = QHash<quint64, Mask>;

    Glyphs &glyphsOf(const QRawFont &font) { return fonts[keyOf(font)]; }

    const Mask &mask(Glyphs &glyphs, const QRawFont &font, quint32 glyph, int phaseX)
    {
        const quint64 key = (static_cast<quint64>(glyph) << 8) | static_cast<quint64>(phaseX);
        auto it = glyphs.find(key);
        if (it != glyphs.end())
            return *it;
        const QRectF box = font.boundingRect(glyph);
        const int pad = 2;
        const int left = static_cast<int>(std::floor(box.left())) - pad;
        const int top = static_cast<int>(std::floor(box.top())) - pad;
        const int w = static_cast<int>(std::ceil(box.right())) - left + pad + 1;
        const int h = static_cast<int>(std::ceil(box.bottom())) - top + pad + 1;
        // White on black on an opaque image, as the editor paints on its
        // opaque viewport.
        QImage image(std::max(1, w), std::max(1, h), QImage::Format_RGB32);
        image.fill(Qt::black);
        {
            QPainter p(&image);
            p.setPen(Qt::white);
            QGlyphRun run;
            run.setRawFont(font);
            run.setGlyphIndexes({glyph});
            run.setPositions({QPointF(-left + static_cast<double>(phaseX) / kPhases, -top)});
            p.drawGlyphRun(QPointF(0, 0), run);
        }
        // Only the pixels the glyph covers are kept: most of a cell is
        // empty, and every kept pixel is blended at every drawing.
        int x0 = image.width(), y0 = image.height(), x1 = -1, y1 = -1;
        for (int y = 0; y < image.height(); ++y) {
            const auto *src = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if (qGreen(src[x]) != 0) {
                    x0 = std::min(x0, x);
                    x1 = std::max(x1, x);
                    y0 = std::min(y0, y);
                    y1 = std::max(y1, y);
                }
        }
        Mask mask;
        if (x1 >= 0) {
            mask.alpha = QImage(x1 - x0 + 1, y1 - y0 + 1, QImage::Format_Alpha8);
            for (int y = y0; y <= y1; ++y) {
                const auto *src = reinterpret_cast<const QRgb *>(image.constScanLine(y));
                uchar *dst = mask.alpha.scanLine(y - y0);
                for (int x = x0; x <= x1; ++x)
                    dst[x - x0] = static_cast<uchar>(qGreen(src[x]));
            }
        }
        mask.left = left + x0;
        mask.top = top + y0;
        return *glyphs.insert(key, std::move(mask));
    }
};

FrameRenderer::FrameRenderer() : cache_(std::make_unique<Cache>()) {}
FrameRenderer::~FrameRenderer() = default;

namespace {

// Blends the colour into the image through the coverage mask.
void blend(QImage &target, const QImage &alpha, int x0, int y0, QRgb color)
{
    const int r = qRed(color), g = qGreen(color), b = qBlue(color);
    const int yStart = std::max(0, -y0), yEnd = std::min(alpha.height(), target.height() - y0);
    const int xStart = std::max(0, -x0), xEnd = std::min(alpha.width(), target.width() - x0);
    for (int y = yStart; y < yEnd; ++y) {
        const uchar *a = alpha.constScanLine(y);
        auto *d = reinterpret_cast<QRgb *>(target.scanLine(y0 + y)) + x0;
        for (int x = xStart; x < xEnd; ++x) {
            const int k = a[x];
            if (k == 0)
                continue;
            const QRgb o = d[x];
            auto mix = [k](int src, int dst) { return (src * k + dst * (255 - k) + 127) / 255; };
            d[x] = qRgb(mix(r, qRed(o)), mix(g, qGreen(o)), mix(b, qBlue(o)));
        }
    }
}

} // namespace

void FrameRenderer::draw(QImage &target, const PreparedFrame &frame, const FrameLook &look)
{
    if (target.format() != QImage::Format_RGB32)
        target = target.convertToFormat(QImage::Format_RGB32);
    target.fill(look.background);
    // Each font's glyphs are looked up once per frame, not per glyph.
    std::vector<Cache::Glyphs *> glyphsOf(frame.fonts.size(), nullptr);
    for (const PlacedRun &run : frame.runs) {
        const int baseY = static_cast<int>(std::lround(run.baseline));
        if (baseY - 256 > target.height())
            continue;
        const QRawFont &font = frame.fonts[static_cast<std::size_t>(run.font)];
        Cache::Glyphs *&glyphs = glyphsOf[static_cast<std::size_t>(run.font)];
        if (!glyphs)
            glyphs = &cache_->glyphsOf(font);
        for (std::uint32_t i = run.begin; i < run.end; ++i) {
            const float x = frame.x[i];
            const double fx = std::floor(x);
            long phase = std::lround((x - fx) * kPhases);
            const int baseX = static_cast<int>(fx) + (phase == kPhases ? 1 : 0);
            phase %= kPhases;
            if (baseX > target.width())
                break;
            const Cache::Mask &m = cache_->mask(*glyphs, font, frame.glyphs[i], static_cast<int>(phase));
            if (!m.alpha.isNull())
                blend(target, m.alpha, baseX + m.left, baseY + m.top, run.color);
        }
        if (run.underline || run.strikeOut) {
            QPainter p(&target);
            p.setPen(QPen(QColor(run.color), std::max(1.0, font.lineThickness())));
            if (run.underline)
                p.drawLine(QPointF(run.left, run.baseline + font.underlinePosition()),
                           QPointF(run.right, run.baseline + font.underlinePosition()));
            if (run.strikeOut) {
                const double y = run.baseline - font.xHeight() / 2;
                p.drawLine(QPointF(run.left, y), QPointF(run.right, y));
            }
        }
    }
}

QImage FrameRenderer::render(const PreparedFrame &frame, const FrameLook &look, const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    draw(image, frame, look);
    return image;
}

} // namespace glyphreel::render
