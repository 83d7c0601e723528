// The GIF writer, read back by decoders that are not ours: giflib,
// FFmpeg and gifsicle. Frames are composed here from what giflib decodes
// (rectangle, transparency, disposal) and compared with the pictures given.

#include "platform/files/Files.h"
#include "platform/gif/Gif.h"
#include "support/Files.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

#include <gif_lib.h>

#include <csignal>
#include <functional>
#include <set>
#include <sys/resource.h>

using glyphreel::files::FileError;
namespace gif = glyphreel::gif;

namespace {

gif::Picture pictureOf(const QImage &image)
{
    return {image.width(), image.height(), image.constBits(), image.bytesPerLine()};
}

void save(const QString &path, const QImage &image, bool animate, int delay)
{
    gif::saveGif(path.toStdString(), pictureOf(image), animate, delay);
}

// Cells of 8×16 with a glyph-like pattern in one of a few colours, as the
// renderer draws text art.
QImage textArt(int columns, int rows, int seed, const std::vector<QRgb> &colours)
{
    QImage image(columns * 8, rows * 16, QImage::Format_RGB32);
    image.fill(colours[0]);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const unsigned glyph = static_cast<unsigned>((c * 31 + r * 17 + seed * 7) * 2654435761u);
            const QRgb ink = colours[1 + (c + r + seed) % (colours.size() - 1)];
            for (int y = 2; y < 14; ++y)
                for (int x = 1; x < 7; ++x)
                    if ((glyph >> ((x + y * 3) % 32)) & 1)
                        image.setPixel(c * 8 + x, r * 16 + y, ink);
        }
    return image;
}

// Far more than 256 colours, spread over the whole colour cube: 256 of
// them leave a mean error of a few steps per channel, dithered.
QImage gradient(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 255 / (w - 1), y * 255 / (h - 1), (x * 3 + y * 5) % 256));
    return image;
}

const std::vector<QRgb> kColours = {qRgb(0, 0, 64), qRgb(255, 255, 255), qRgb(255, 255, 0), qRgb(255, 0, 0)};
const std::vector<QRgb> kOtherColours = {qRgb(250, 240, 230), qRgb(10, 20, 30), qRgb(0, 128, 0)};

struct Frame {
    QRect rect;
    std::vector<QRgb> colours;
    bool local = false;
    std::vector<std::uint8_t> raster;
    int transparent = -1;
    int delay = -1;
    int disposal = -1;
};

struct Decoded {
    bool ok = false;
    QString error;
    QSize size;
    QByteArray version;
    int loopExtensions = 0;
    int loopCount = -1;
    std::vector<Frame> frames;
};

Decoded decode(const QString &path)
{
    Decoded d;
    d.version = testsupport::readAll(path).left(6);
    int error = 0;
    GifFileType *file = DGifOpenFileName(QFile::encodeName(path).constData(), &error);
    if (!file) {
        d.error = QString::fromUtf8(GifErrorString(error));
        return d;
    }
    if (DGifSlurp(file) != GIF_OK) {
        d.error = QString::fromUtf8(GifErrorString(file->Error));
        DGifCloseFile(file, &error);
        return d;
    }
    d.size = QSize(file->SWidth, file->SHeight);
    for (int i = 0; i < file->ImageCount; ++i) {
        const SavedImage &image = file->SavedImages[i];
        Frame f;
        f.rect = QRect(image.ImageDesc.Left, image.ImageDesc.Top, image.ImageDesc.Width, image.ImageDesc.Height);
        const ColorMapObject *map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : file->SColorMap;
        f.local = image.ImageDesc.ColorMap != nullptr;
        for (int c = 0; map && c < map->ColorCount; ++c)
            f.colours.push_back(qRgb(map->Colors[c].Red, map->Colors[c].Green, map->Colors[c].Blue));
        f.raster.assign(image.RasterBits, image.RasterBits + image.ImageDesc.Width * image.ImageDesc.Height);
        GraphicsControlBlock gcb {};
        if (DGifSavedExtensionToGCB(file, i, &gcb) == GIF_OK) {
            f.transparent = gcb.TransparentColor;
            f.delay = gcb.DelayTime;
            f.disposal = gcb.DisposalMode;
        }
        for (int e = 0; e < image.ExtensionBlockCount; ++e) {
            const ExtensionBlock &b = image.ExtensionBlocks[e];
            if (b.Function == APPLICATION_EXT_FUNC_CODE && b.ByteCount == 11
                && std::memcmp(b.Bytes, "NETSCAPE2.0", 11) == 0) {
                ++d.loopExtensions;
                if (e + 1 < image.ExtensionBlockCount && image.ExtensionBlocks[e + 1].ByteCount == 3
                    && image.ExtensionBlocks[e + 1].Bytes[0] == 1)
                    d.loopCount = image.ExtensionBlocks[e + 1].Bytes[1] | (image.ExtensionBlocks[e + 1].Bytes[2] << 8);
            }
        }
        d.frames.push_back(std::move(f));
    }
    DGifCloseFile(file, &error);
    d.ok = true;
    return d;
}

// What a viewer shows after each frame.
std::vector<QImage> compose(const Decoded &d)
{
    std::vector<QImage> shown;
    QImage canvas(d.size, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    for (const Frame &f : d.frames) {
        const QImage before = canvas;
        int k = 0;
        for (int y = f.rect.top(); y <= f.rect.bottom(); ++y)
            for (int x = f.rect.left(); x <= f.rect.right(); ++x, ++k) {
                const int index = f.raster[static_cast<std::size_t>(k)];
                if (index == f.transparent)
                    continue;
                if (index >= static_cast<int>(f.colours.size()) || !canvas.rect().contains(x, y))
                    return {};
                canvas.setPixel(x, y, f.colours[static_cast<std::size_t>(index)]);
            }
        shown.push_back(canvas);
        if (f.disposal == DISPOSE_BACKGROUND)
            canvas.fill(Qt::black);
        else if (f.disposal == DISPOSE_PREVIOUS)
            canvas = before;
    }
    return shown;
}

struct Difference {
    int max = 0;
    double mean = 0;
};

Difference difference(const QImage &a, const QImage &b)
{
    Difference d;
    if (a.size() != b.size())
        return {1000, 1000};
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (int c : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                d.max = std::max(d.max, std::abs(c));
                sum += std::abs(c);
            }
        }
    d.mean = sum / (3.0 * a.width() * a.height());
    return d;
}

// The rectangle of the pixels that differ, empty when none do.
QRect changedRect(const QImage &a, const QImage &b)
{
    QRect r;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                r |= QRect(x, y, 1, 1);
    return r;
}

int ffprobeFrames(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
                                        QStringLiteral("-select_streams"), QStringLiteral("v:0"), QStringLiteral("-show_entries"),
                                        QStringLiteral("stream=nb_read_frames"), QStringLiteral("-of"),
                                        QStringLiteral("csv=p=0"), path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return -1;
    bool ok = false;
    const int n = p.readAllStandardOutput().trimmed().toInt(&ok);
    return ok ? n : -1;
}

// -1 when gifsicle is not installed, -2 when it fails on the file.
int gifsicleImages(const QString &path)
{
    if (QStandardPaths::findExecutable(QStringLiteral("gifsicle")).isEmpty())
        return -1;
    QProcess p;
    p.start(QStringLiteral("gifsicle"), {QStringLiteral("--info"), path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return -2;
    const auto m = QRegularExpression(QStringLiteral("(\\d+) images?")).match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : -2;
}

QString errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const FileError &e) {
        return QString::fromStdString(e.what());
    }
    return {};
}

bool hasJapanese(const QString &s)
{
    for (QChar c : s)
        if (c.unicode() >= 0x3040 && c.unicode() <= 0x9FFF)
            return true;
    return false;
}

std::size_t frameCount(const QString &path)
{
    const Decoded d = decode(path);
    return d.ok ? d.frames.size() : 0;
}

} // namespace

class TestGif : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { gif::forgetAllGifs(); }

    void onePictureIsExact();
    void manyColoursAreQuantized();
    void animationFramesComposeToThePictures();
    void colourArtFramesShareTheFirstPalette();
    void newFileWhenNotContinuing();
    void openAnimationsAreBounded();
    void errorsNameTheFileAndLeaveNothingHalfWritten();
    void failedAppendLeavesTheFileAsItWas();
};

void TestGif::onePictureIsExact()
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("one.gif"));
    const QImage picture = textArt(25, 6, 1, kColours);
    // The alpha byte does not matter.
    QImage withAlpha = picture;
    for (int y = 0; y < withAlpha.height(); ++y)
        reinterpret_cast<QRgb *>(withAlpha.scanLine(y))[y % withAlpha.width()] &= 0x00FFFFFF;
    save(path, withAlpha, false, 25);

    const Decoded d = decode(path);
    QVERIFY2(d.ok, qPrintable(d.error));
    QCOMPARE(d.version, QByteArray("GIF89a"));
    QCOMPARE(d.size, picture.size());
    QCOMPARE(d.frames.size(), std::size_t{1});
    QCOMPARE(d.frames[0].rect, picture.rect());
    QVERIFY(!d.frames[0].local);
    QCOMPARE(d.frames[0].delay, 25);
    QCOMPARE(d.frames[0].transparent, -1);
    QCOMPARE(d.loopExtensions, 1);
    QCOMPARE(d.loopCount, 0);
    const auto shown = compose(d);
    QCOMPARE(shown.size(), std::size_t{1});
    QCOMPARE(shown[0], picture);
    QCOMPARE(ffprobeFrames(path), 1);
    const int g = gifsicleImages(path);
    QVERIFY(g == -1 || g == 1);

    // Rows with padding between them: the stride is honoured.
    QImage big(picture.width() + 5, picture.height(), QImage::Format_RGB32);
    big.fill(qRgb(1, 2, 3));
    for (int y = 0; y < picture.height(); ++y)
        std::memcpy(big.scanLine(y), picture.constScanLine(y), static_cast<std::size_t>(picture.width()) * 4);
    const gif::Picture inner{picture.width(), picture.height(), big.constBits(), big.bytesPerLine()};
    const QString stridePath = dir.path(QStringLiteral("stride.gif"));
    gif::saveGif(stridePath.toStdString(), inner, false, 0);
    const auto strideShown = compose(decode(stridePath));
    QCOMPARE(strideShown.size(), std::size_t{1});
    QCOMPARE(strideShown[0], picture);
}

void TestGif::manyColoursAreQuantized()
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("gradient.gif"));
    const QImage picture = gradient(160, 120);
    save(path, picture, true, 4);
    const Decoded d = decode(path);
    QVERIFY2(d.ok, qPrintable(d.error));
    QCOMPARE(d.frames.size(), std::size_t{1});
    QVERIFY(d.frames[0].colours.size() <= 256);
    QVERIFY(d.frames[0].colours.size() > 64); // a palette of its own, not a handful
    const auto shown = compose(d);
    QCOMPARE(shown.size(), std::size_t{1});
    const Difference diff = difference(shown[0], picture);
    QVERIFY2(diff.mean < 8 && diff.max < 48, qPrintable(QStringLiteral("mean %1 max %2").arg(diff.mean).arg(diff.max)));
    QCOMPARE(ffprobeFrames(path), 1);
}

void TestGif::animationFramesComposeToThePictures()
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("movie.gif"));
    const int columns = 12, rows = 4;

    struct Step {
        QImage picture;
        int delay;
        bool exact;
    };
    std::vector<Step> steps;
    const QImage base = textArt(columns, rows, 1, kColours);
    steps.push_back({base, 10, true});
    // One cell changes.
    QImage oneCell = base;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 8; ++x)
            oneCell.setPixel(5 * 8 + x, 2 * 16 + y, (x + y) % 3 ? kColours[0] : kColours[2]);
    steps.push_back({oneCell, 20, true});
    // Nothing changes; the delay below zero is clamped.
    steps.push_back({oneCell, -5, true});
    // Everything changes, to colours the first frame did not have; the
    // delay above the limit is clamped.
    steps.push_back({textArt(columns, rows, 2, kOtherColours), 70000, true});
    // More than 256 colours.
    const QImage many = gradient(columns * 8, rows * 16);
    steps.push_back({many, 7, false});
    // Text drawn over it: only the text goes into the frame.
    QImage manyText = many;
    for (int y = 3; y < 13; ++y)
        for (int x = 2; x < 6; ++x)
            manyText.setPixel(3 * 8 + x, 1 * 16 + y, kColours[1]);
    steps.push_back({manyText, 7, false});
    // The first colours with a patch of the gradient left as it was: the
    // patch was shown approximated, now it has few enough colours to be
    // shown exactly, so it is drawn again.
    QImage patch = base;
    for (int y = 40; y < 50; ++y)
        for (int x = 40; x < 50; ++x)
            patch.setPixel(x, y, manyText.pixel(x, y));
    steps.push_back({patch, 6, true});
    // Back to the first colours: exact again.
    steps.push_back({base, 8, true});
    // 256 new colours in dots with the old pixels between them: the
    // transparent index needs a slot, so they are quantized to 255.
    QImage dots = base;
    for (int j = 0; j < 16; ++j)
        for (int i = 0; i < 16; ++i)
            dots.setPixel(10 + 2 * i, 20 + 2 * j, qRgb(i * 16 + 5, j * 16 + 3, 200));
    steps.push_back({dots, 9, false});
    // Exactly 256 colours, every pixel changed: exact, without transparency.
    QImage tiles(base.size(), QImage::Format_RGB32);
    for (int y = 0; y < tiles.height(); ++y)
        for (int x = 0; x < tiles.width(); ++x) {
            const int n = (x / 6 + (y / 4) * 16) % 256;
            tiles.setPixel(x, y, qRgb(n, 255 - n, 77));
        }
    steps.push_back({tiles, 11, true});

    std::vector<qint64> sizes;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        save(path, steps[i].picture, true, steps[i].delay);
        // A complete GIF after every call.
        QCOMPARE(frameCount(path), i + 1);
        QCOMPARE(testsupport::readAll(path).right(1), QByteArray("\x3B"));
        sizes.push_back(QFileInfo(path).size());
    }

    const Decoded d = decode(path);
    QVERIFY2(d.ok, qPrintable(d.error));
    QCOMPARE(d.frames.size(), steps.size());
    QCOMPARE(d.loopExtensions, 1);
    QCOMPARE(d.loopCount, 0);
    const auto shown = compose(d);
    QCOMPARE(shown.size(), steps.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Frame &f = d.frames[i];
        QCOMPARE(f.disposal, DISPOSE_DO_NOT);
        QCOMPARE(f.delay, std::clamp(steps[i].delay, 0, 65535));
        const Difference diff = difference(shown[i], steps[i].picture);
        if (steps[i].exact)
            QVERIFY2(diff.max == 0, qPrintable(QStringLiteral("frame %1 differs by %2").arg(i).arg(diff.max)));
        else
            QVERIFY2(diff.mean < 8 && diff.max < 48,
                     qPrintable(QStringLiteral("frame %1: mean %2 max %3").arg(i).arg(diff.mean).arg(diff.max)));
        if (i > 0) {
            // Only the changed rectangle, or one pixel when nothing changed.
            const QRect changed = changedRect(steps[i - 1].picture, steps[i].picture);
            QCOMPARE(f.rect, changed.isEmpty() ? QRect(0, 0, 1, 1) : changed);
        }
    }

    // The one-cell change: a tiny frame in the first colours, the rest of
    // its rectangle transparent.
    QVERIFY(!d.frames[1].local);
    QVERIFY(d.frames[1].transparent >= 0);
    QVERIFY2(sizes[1] - sizes[0] < 100, qPrintable(QString::number(sizes[1] - sizes[0])));
    QVERIFY(std::count(d.frames[1].raster.begin(), d.frames[1].raster.end(), d.frames[1].transparent) > 0);
    // No change: one transparent pixel.
    QCOMPARE(d.frames[2].raster.size(), std::size_t{1});
    QCOMPARE(int(d.frames[2].raster[0]), d.frames[2].transparent);
    QVERIFY(sizes[2] - sizes[1] < 40);
    // New colours: a local table.
    QVERIFY(d.frames[3].local);
    // Text over the gradient: only the text's rectangle, in its one colour.
    QCOMPARE(d.frames[5].rect, QRect(3 * 8 + 2, 16 + 3, 4, 10));
    // The first colours again: the global table.
    QVERIFY(!d.frames[7].local);
    // 256 colours and a transparent index: 255 colours and the slot.
    QVERIFY(d.frames[8].local);
    QVERIFY(d.frames[8].transparent >= 0);
    QVERIFY(std::count(d.frames[8].raster.begin(), d.frames[8].raster.end(), d.frames[8].transparent) > 0);
    // 256 colours with nothing transparent: all of them, exactly.
    QVERIFY(d.frames[9].local);
    QCOMPARE(d.frames[9].transparent, -1);
    QCOMPARE(d.frames[9].colours.size(), std::size_t{256});

    QCOMPARE(ffprobeFrames(path), int(steps.size()));
    const int g = gifsicleImages(path);
    QVERIFY2(g == -1 || g == int(steps.size()), qPrintable(QString::number(g)));

    // Smaller than the pictures written whole.
    qint64 whole = 0;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const QString single = dir.path(QStringLiteral("single%1.gif").arg(i));
        save(single, steps[i].picture, false, 0);
        whole += QFileInfo(single).size();
    }
    QVERIFY2(QFileInfo(path).size() < whole, qPrintable(QStringLiteral("%1 vs %2").arg(QFileInfo(path).size()).arg(whole)));
}

// Colour art as the renderer draws it: glyphs of one colour each, blended
// into the background at their edges, hues drawn from the seed.
QImage colourArt(int columns, int rows, int seed, int hueFrom, int hueSpan)
{
    QImage image(columns * 8, rows * 16, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const unsigned glyph = static_cast<unsigned>((c * 31 + r * 17 + seed * 7) * 2654435761u);
            const QColor ink = QColor::fromHsv(hueFrom + int((glyph >> 8) % unsigned(hueSpan)), 255, 255);
            for (int y = 2; y < 14; ++y)
                for (int x = 1; x < 7; ++x) {
                    const int coverage = int((glyph >> ((x + y * 3) % 28)) & 15); // 0..15 of 15
                    image.setPixel(c * 8 + x, r * 16 + y,
                                   qRgb(ink.red() * coverage / 15, ink.green() * coverage / 15, ink.blue() * coverage / 15));
                }
        }
    return image;
}

void TestGif::colourArtFramesShareTheFirstPalette()
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("colour.gif"));
    // Many colours in every frame; the next frames' hues are those of the
    // first, the last one's are hues the first never had.
    const std::vector<QImage> pictures = {colourArt(40, 12, 1, 0, 60), colourArt(40, 12, 2, 0, 60),
                                          colourArt(40, 12, 3, 0, 60), colourArt(40, 12, 4, 180, 60)};
    for (const QImage &p : pictures) {
        std::set<QRgb> distinct;
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x)
                distinct.insert(p.pixel(x, y));
        QVERIFY2(distinct.size() > 400, qPrintable(QString::number(distinct.size())));
    }
    for (const QImage &p : pictures)
        save(path, p, true, 10);

    const Decoded d = decode(path);
    QVERIFY2(d.ok, qPrintable(d.error));
    QCOMPARE(d.frames.size(), pictures.size());
    const auto shown = compose(d);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const Difference diff = difference(shown[i], pictures[i]);
        QVERIFY2(diff.mean < 3 && diff.max < 48,
                 qPrintable(QStringLiteral("frame %1: mean %2 max %3").arg(i).arg(diff.mean).arg(diff.max)));
    }
    // The first frame's palette keeps a slot for the transparent index, and
    // frames of the same hues are shown in it: no table of their own.
    QVERIFY(d.frames[0].colours.size() == 256);
    for (std::size_t i : {1, 2}) {
        QVERIFY2(!d.frames[i].local, qPrintable(QString::number(i)));
        QVERIFY(d.frames[i].transparent >= 0);
    }
    // Hues far from the first palette's get a table of their own.
    QVERIFY(d.frames[3].local);

    // An unchanged pixel after a run of the colour it shows continues the
    // run rather than breaking it with the transparent index.
    const Frame &f = d.frames[1];
    std::size_t breaks = 0, continued = 0;
    for (std::size_t k = 1; k < f.raster.size(); ++k) {
        const QPoint at(f.rect.x() + int(k % std::size_t(f.rect.width())), f.rect.y() + int(k / std::size_t(f.rect.width())));
        const int before = f.raster[k - 1];
        if (before == f.transparent || f.colours[std::size_t(before)] != shown[0].pixel(at))
            continue;
        if (f.raster[k] == f.transparent)
            ++breaks;
        else if (shown[0].pixel(at) == pictures[1].pixel(at))
            ++continued;
    }
    QCOMPARE(breaks, std::size_t{0});
    QVERIFY(continued > 0);
}

void TestGif::newFileWhenNotContinuing()
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("a.gif"));
    const QImage a = textArt(6, 3, 1, kColours), b = textArt(6, 3, 2, kColours), c = textArt(6, 3, 3, kColours);

    // A file of someone else's at the path is replaced, not appended to.
    testsupport::writeAll(path, QByteArray("not a gif at all"));
    save(path, a, true, 5);
    QCOMPARE(frameCount(path), std::size_t{1});
    save(path, b, true, 5);
    save(path, c, true, 5);
    QCOMPARE(frameCount(path), std::size_t{3});

    // animate == false starts over.
    save(path, b, false, 5);
    QCOMPARE(frameCount(path), std::size_t{1});
    QCOMPARE(compose(decode(path)).front(), b);
    save(path, c, true, 5);
    QCOMPARE(frameCount(path), std::size_t{2});

    // Replaced behind our back by another GIF: a new file, not frames
    // added to the other one.
    const QString other = dir.path(QStringLiteral("other.gif"));
    save(other, a, false, 5);
    gif::finishGif(other.toStdString());
    QVERIFY(QFile::remove(path));
    QVERIFY(QFile::rename(other, path));
    save(path, b, true, 5);
    QCOMPARE(frameCount(path), std::size_t{1});
    QCOMPARE(compose(decode(path)).front(), b);

    // Grown behind our back.
    save(path, c, true, 5);
    QCOMPARE(frameCount(path), std::size_t{2});
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::Append));
        f.write("x");
    }
    save(path, a, true, 5);
    QCOMPARE(frameCount(path), std::size_t{1});

    // Removed behind our back.
    QVERIFY(QFile::remove(path));
    save(path, b, true, 5);
    QCOMPARE(frameCount(path), std::size_t{1});

    // finishGif ends it: the next picture starts a new file.
    save(path, c, true, 5);
    QCOMPARE(frameCount(path), std::size_t{2});
    QCOMPARE(gif::openGifCount(), std::size_t{1});
    gif::finishGif(path.toStdString());
    QCOMPARE(gif::openGifCount(), std::size_t{0});
    QCOMPARE(frameCount(path), std::size_t{2});
    save(path, a, true, 5);
    QCOMPARE(frameCount(path), std::size_t{1});

    // The same file by another spelling of its path continues it.
    const QString spelled = dir.root() + QStringLiteral("/./a.gif");
    save(spelled, b, true, 5);
    QCOMPARE(frameCount(path), std::size_t{2});
}

void TestGif::openAnimationsAreBounded()
{
    TempDir dir;
    const QImage a = textArt(4, 2, 1, kColours), b = textArt(4, 2, 2, kColours);
    const std::size_t n = gif::kMaxOpenAnimations + 2;
    for (std::size_t i = 0; i < n; ++i)
        save(dir.path(QStringLiteral("%1.gif").arg(i)), a, true, 1);
    QCOMPARE(gif::openGifCount(), gif::kMaxOpenAnimations);
    // The least recently used were forgotten and start anew; the latest go on.
    save(dir.path(QStringLiteral("0.gif")), b, true, 1);
    QCOMPARE(frameCount(dir.path(QStringLiteral("0.gif"))), std::size_t{1});
    save(dir.path(QStringLiteral("%1.gif").arg(n - 1)), b, true, 1);
    QCOMPARE(frameCount(dir.path(QStringLiteral("%1.gif").arg(n - 1))), std::size_t{2});
    QCOMPARE(gif::openGifCount(), gif::kMaxOpenAnimations);
    gif::forgetAllGifs();
    QCOMPARE(gif::openGifCount(), std::size_t{0});
}

void TestGif::errorsNameTheFileAndLeaveNothingHalfWritten()
{
    TempDir dir;
    const QImage a = textArt(6, 3, 1, kColours);

    // No such folder; a file where a folder should be.
    const QString missing = dir.path(QStringLiteral("no such folder/x.gif"));
    QString e = errorOf([&] { save(missing, a, true, 1); });
    QVERIFY2(e.contains(missing) && hasJapanese(e), qPrintable(e));
    testsupport::writeAll(dir.path(QStringLiteral("plain")), "x");
    const QString underFile = dir.path(QStringLiteral("plain/x.gif"));
    e = errorOf([&] { save(underFile, a, false, 1); });
    QVERIFY2(e.contains(underFile) && hasJapanese(e), qPrintable(e));
    QCOMPARE(gif::openGifCount(), std::size_t{0});

    // Empty pictures: nothing written, an animation there untouched.
    const QString path = dir.path(QStringLiteral("x.gif"));
    for (const gif::Picture &empty : {gif::Picture{0, 10, a.constBits(), a.bytesPerLine()},
                                      gif::Picture{10, 0, a.constBits(), a.bytesPerLine()}, gif::Picture{10, 10, nullptr, 40}}) {
        e = errorOf([&] { gif::saveGif(path.toStdString(), empty, true, 1); });
        QVERIFY2(e.contains(path) && hasJapanese(e), qPrintable(e));
        QVERIFY(!QFile::exists(path));
    }
    save(path, a, true, 1);
    const QByteArray before = testsupport::readAll(path);
    e = errorOf([&] { gif::saveGif(path.toStdString(), gif::Picture{0, 0, a.constBits(), 0}, true, 1); });
    QVERIFY2(e.contains(path), qPrintable(e));
    QCOMPARE(testsupport::readAll(path), before);

    // A picture of another size cannot continue the animation.
    const QImage other = textArt(7, 3, 1, kColours);
    e = errorOf([&] { save(path, other, true, 1); });
    QVERIFY2(e.contains(path) && hasJapanese(e), qPrintable(e));
    QCOMPARE(testsupport::readAll(path), before);
    // ... but can start a new file.
    save(path, other, false, 1);
    QCOMPARE(compose(decode(path)).front(), other);

    const QStringList left = QDir(dir.root()).entryList(QDir::Files | QDir::NoDotAndDotDot);
    QCOMPARE(left, (QStringList{QStringLiteral("plain"), QStringLiteral("x.gif")}));
}

// The file may not grow beyond a limit: the write fails half-way as on a
// full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); }

private:
    rlimit old_ {};
};

void TestGif::failedAppendLeavesTheFileAsItWas()
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("full.gif"));
    const QImage a = textArt(20, 6, 1, kColours), b = textArt(20, 6, 2, kOtherColours);
    save(path, a, true, 3);
    save(path, b, true, 3);
    const QByteArray before = testsupport::readAll(path);
    QString e;
    {
        // Room for part of the next frame only.
        FileSizeLimit limit(static_cast<rlim_t>(before.size() + 40));
        e = errorOf([&] { save(path, a, true, 3); });
    }
    QVERIFY2(e.contains(path) && hasJapanese(e), qPrintable(e));
    QCOMPARE(testsupport::readAll(path), before);
    QCOMPARE(frameCount(path), std::size_t{2});
    // The animation was closed: the next picture starts a new file.
    QCOMPARE(gif::openGifCount(), std::size_t{0});
    save(path, a, true, 3);
    QCOMPARE(frameCount(path), std::size_t{1});

    // A new file that cannot be written whole: the old one stays, and no
    // temporary is left.
    const QByteArray one = testsupport::readAll(path);
    {
        FileSizeLimit limit(static_cast<rlim_t>(100));
        e = errorOf([&] { save(path, b, false, 3); });
    }
    QVERIFY2(e.contains(path) && hasJapanese(e), qPrintable(e));
    QCOMPARE(testsupport::readAll(path), one);
    QCOMPARE(QDir(dir.root()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList{QStringLiteral("full.gif")});
}

QTEST_GUILESS_MAIN(TestGif)
#include "test_gif.moc"
