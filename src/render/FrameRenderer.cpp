#include "render/FrameRenderer.h"

#include "platform/rtf/RichTextConversion.h"

#include <QAbstractTextDocumentLayout>
#include <QHash>
#include <QGlyphRun>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

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

} // namespace

PreparedFrame prepareFrame(const std::string &memo, const FrameLook &look)
{
    PreparedFrame frame;
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
            const QTextCharFormat format = fragment.charFormat();
            const QBrush brush = format.foreground();
            const QRgb color = brush.style() == Qt::NoBrush ? base : brush.color().rgb();
            const int from = fragment.position() - block.position();
            for (const QGlyphRun &glyphs : lines->glyphRuns(from, fragment.length())) {
                PlacedRun run;
                run.font = fontIndex(frame, glyphs.rawFont());
                run.color = color;
                run.underline = format.fontUnderline();
                run.strikeOut = format.fontStrikeOut();
                const QList<quint32> indexes = glyphs.glyphIndexes();
                const QList<QPointF> positions = glyphs.positions();
                run.glyphs.assign(indexes.begin(), indexes.end());
                for (const QPointF &p : positions)
                    run.x.push_back(static_cast<float>(origin.x() + p.x()));
                run.baseline = static_cast<float>(origin.y() + (positions.isEmpty() ? 0 : positions.front().y()));
                const QRectF box = glyphs.boundingRect();
                run.left = static_cast<float>(origin.x() + box.left());
                run.right = static_cast<float>(origin.x() + box.right());
                frame.runs.push_back(std::move(run));
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
        for (std::size_t i = 0; i < run.glyphs.size(); ++i) {
            const double fx = std::floor(run.x[i]);
            long phase = std::lround((run.x[i] - fx) * kPhases);
            const int baseX = static_cast<int>(fx) + (phase == kPhases ? 1 : 0);
            phase %= kPhases;
            if (baseX > target.width())
                break;
            const Cache::Mask &m = cache_->mask(*glyphs, font, run.glyphs[i], static_cast<int>(phase));
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
