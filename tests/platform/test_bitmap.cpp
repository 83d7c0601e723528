// Reading BMP files of every kind users have, and refusing damaged ones
// with a clear message and without reading out of bounds.

#include "platform/bitmap/BmpCodec.h"
#include "platform/bitmap/PictureFile.h"
#include "support/BmpBuilder.h"
#include "support/TempDir.h"

#include <QImage>
#include <QRandomGenerator>
#include <QtTest>

using namespace glyphreel::bitmap;
using testsupport::BmpOptions;
using testsupport::Header;
using testsupport::Picture;
using testsupport::Rgb;

namespace {

std::span<const std::uint8_t> span(const QByteArray &b)
{
    return {reinterpret_cast<const std::uint8_t *>(b.constData()), static_cast<std::size_t>(b.size())};
}

std::uint32_t packed(Rgb c)
{
    return (std::uint32_t(c.r) << 16) | (std::uint32_t(c.g) << 8) | c.b;
}

const std::vector<Rgb> kSixteen = {
    {0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0}, {0, 0, 128}, {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
    {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0}, {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

Picture paletted(int w, int h, const std::vector<Rgb> &palette)
{
    return Picture::filled(w, h, [&](int x, int y) { return palette[static_cast<std::size_t>(x * 7 + y * 3) % palette.size()]; });
}

// Channels that survive 5 bits exactly: multiples of 8 expand back by bit
// replication to (v << 3) | (v >> 2).
Picture fiveBit(int w, int h)
{
    return Picture::filled(w, h, [](int x, int y) {
        auto c = [](int v) { return static_cast<std::uint8_t>(((v & 31) << 3) | ((v & 31) >> 2)); };
        return Rgb{c(x * 5 + y), c(x + 3 * y), c(x * y + 7)};
    });
}

void expectSame(const Bitmap &bitmap, const Picture &picture)
{
    QCOMPARE(bitmap.width(), picture.width);
    QCOMPARE(bitmap.height(), picture.height);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (bitmap.pixel(x, y) != packed(picture.at(x, y)))
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) is %3, expected %4")
                                     .arg(x).arg(y).arg(bitmap.pixel(x, y), 6, 16, QChar(u'0'))
                                     .arg(packed(picture.at(x, y)), 6, 16, QChar(u'0'))));
}

} // namespace

class TestBitmap : public QObject {
    Q_OBJECT
private slots:
    void decodesEveryDepthAndLayout_data();
    void decodesEveryDepthAndLayout();
    void convertsTo24BitInPlace();
    void rleDeltaLeavesSkippedPixelsAtIndexZero();
    void shortPaletteAndOutOfRangeIndicesReadBlack();
    void heightZeroIsAnEmptyPicture();
    void encodeDecodeRoundTrip();
    void damagedFilesRaiseClearErrors_data();
    void damagedFilesRaiseClearErrors();
    void randomCorruptionNeverCrashes();
    void pictureFileNamesTheFile();
    void otherPictureFormatsLoadThroughQt();
};

void TestBitmap::decodesEveryDepthAndLayout_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Picture>("picture");
    QTest::addColumn<int>("expectedBits");

    const std::vector<Rgb> two = {{0, 0, 0}, {255, 255, 255}};
    const std::vector<Rgb> wide = [] {
        std::vector<Rgb> p;
        for (int i = 0; i < 256; ++i)
            p.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i * 7)});
        return p;
    }();
    const Picture truecolour = Picture::filled(13, 7, [](int x, int y) {
        return Rgb{static_cast<std::uint8_t>(x * 19), static_cast<std::uint8_t>(y * 31), static_cast<std::uint8_t>(x * y * 3)};
    });

    for (int w : {1, 7, 8, 9, 33}) {
        const Picture mono = paletted(w, 5, two);
        QTest::addRow("1 bit, width %d", w) << buildBmp(mono, {.bitsPerPixel = 1, .palette = two}) << mono << 8;
        const Picture p16 = paletted(w, 4, kSixteen);
        QTest::addRow("4 bit, width %d", w) << buildBmp(p16, {.bitsPerPixel = 4, .palette = kSixteen}) << p16 << 8;
        QTest::addRow("4 bit RLE, width %d", w) << buildBmp(p16, {.bitsPerPixel = 4, .rle = true, .palette = kSixteen}) << p16 << 8;
        const Picture p256 = paletted(w, 6, wide);
        QTest::addRow("8 bit, width %d", w) << buildBmp(p256, {.bitsPerPixel = 8, .palette = wide}) << p256 << 8;
        QTest::addRow("8 bit RLE, width %d", w) << buildBmp(p256, {.bitsPerPixel = 8, .rle = true, .palette = wide}) << p256 << 8;
    }
    const Picture runs = Picture::filled(40, 3, [](int x, int) { return x < 20 ? Rgb{255, 0, 0} : Rgb{0, 0, 255}; });
    QTest::addRow("8 bit RLE with long runs") << buildBmp(runs, {.bitsPerPixel = 8, .rle = true, .palette = kSixteen}) << runs << 8;
    QTest::addRow("4 bit RLE with long runs") << buildBmp(runs, {.bitsPerPixel = 4, .rle = true, .palette = kSixteen}) << runs << 8;
    const Picture small = paletted(5, 3, kSixteen);
    QTest::addRow("8 bit, 16-colour palette") << buildBmp(small, {.bitsPerPixel = 8, .palette = kSixteen}) << small << 8;
    QTest::addRow("4 bit, core header") << buildBmp(small, {.bitsPerPixel = 4, .header = Header::Core12, .palette = kSixteen}) << small << 8;
    QTest::addRow("8 bit, top-down") << buildBmp(small, {.bitsPerPixel = 8, .topDown = true, .palette = kSixteen}) << small << 8;

    QTest::addRow("24 bit") << buildBmp(truecolour, {.bitsPerPixel = 24}) << truecolour << 24;
    QTest::addRow("24 bit, top-down") << buildBmp(truecolour, {.bitsPerPixel = 24, .topDown = true}) << truecolour << 24;
    QTest::addRow("24 bit, core header") << buildBmp(truecolour, {.bitsPerPixel = 24, .header = Header::Core12}) << truecolour << 24;
    QTest::addRow("24 bit, v5 header") << buildBmp(truecolour, {.bitsPerPixel = 24, .header = Header::V5_124}) << truecolour << 24;
    QTest::addRow("32 bit") << buildBmp(truecolour, {.bitsPerPixel = 32}) << truecolour << 32;
    QTest::addRow("32 bit, top-down") << buildBmp(truecolour, {.bitsPerPixel = 32, .topDown = true}) << truecolour << 32;
    QTest::addRow("32 bit, red in the low byte") << buildBmp(truecolour, {.bitsPerPixel = 32, .bitFields32Swapped = true}) << truecolour << 32;
    QTest::addRow("32 bit masks in a v4 header")
        << buildBmp(truecolour, {.bitsPerPixel = 32, .header = Header::V4_108, .bitFields32Swapped = true}) << truecolour << 32;

    const Picture p555 = fiveBit(11, 6);
    QTest::addRow("16 bit 5-5-5") << buildBmp(p555, {.bitsPerPixel = 16}) << p555 << 32;
    QTest::addRow("16 bit 5-5-5, top-down") << buildBmp(p555, {.bitsPerPixel = 16, .topDown = true}) << p555 << 32;
    const Picture p565 = Picture::filled(6, 4, [](int x, int y) {
        auto c5 = [](int v) { return static_cast<std::uint8_t>(((v & 31) << 3) | ((v & 31) >> 2)); };
        auto c6 = [](int v) { return static_cast<std::uint8_t>(((v & 63) << 2) | ((v & 63) >> 4)); };
        return Rgb{c5(x * 6), c6(y * 17 + x), c5(31 - x)};
    });
    QTest::addRow("16 bit 5-6-5 bit fields") << buildBmp(p565, {.bitsPerPixel = 16, .bitFields565 = true}) << p565 << 32;
}

void TestBitmap::decodesEveryDepthAndLayout()
{
    QFETCH(QByteArray, file);
    QFETCH(Picture, picture);
    QFETCH(int, expectedBits);
    const Bitmap bitmap = decodeBmp(span(file));
    QCOMPARE(bitmap.bitsPerPixel(), expectedBits);
    expectSame(bitmap, picture);
}

void TestBitmap::convertsTo24BitInPlace()
{
    const Picture p = paletted(9, 4, kSixteen);
    Bitmap bitmap = decodeBmp(span(buildBmp(p, {.bitsPerPixel = 4, .palette = kSixteen})));
    QCOMPARE(bitmap.format(), PixelFormat::Indexed8);
    bitmap.convertTo24Bit();
    QCOMPARE(bitmap.format(), PixelFormat::Bgr24);
    QCOMPARE(bitmap.stride(), std::size_t(28)); // 27 bytes padded to 4
    expectSame(bitmap, p);

    const Picture t = Picture::filled(3, 2, [](int x, int y) { return Rgb{static_cast<std::uint8_t>(x), 9, static_cast<std::uint8_t>(y)}; });
    Bitmap wide = decodeBmp(span(buildBmp(t, {.bitsPerPixel = 32})));
    wide.convertTo24Bit();
    QCOMPARE(wide.bitsPerPixel(), 24);
    expectSame(wide, t);
}

void TestBitmap::rleDeltaLeavesSkippedPixelsAtIndexZero()
{
    // Hand-made RLE8 stream for a 4 x 2 picture: bottom row "1 1" then a
    // delta of (1, 1), then one pixel of index 2 and end of bitmap.
    QByteArray pixels = QByteArray::fromHex("0201" "00020101" "0102" "0001");
    Picture blank = Picture::filled(4, 2, [](int, int) { return Rgb{0, 0, 0}; });
    QByteArray file = buildBmp(blank, {.bitsPerPixel = 8, .palette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}}});
    // Replace the pixel data and mark the file RLE8.
    const int offset = 14 + 40 + 3 * 4;
    file.truncate(offset);
    file.append(pixels);
    file[30] = 1;
    const Bitmap bitmap = decodeBmp(span(file));
    QCOMPARE(bitmap.pixel(0, 1), 0xFF0000u);
    QCOMPARE(bitmap.pixel(1, 1), 0xFF0000u);
    QCOMPARE(bitmap.pixel(2, 1), 0u);
    QCOMPARE(bitmap.pixel(3, 0), 0x00FF00u);
    QCOMPARE(bitmap.pixel(0, 0), 0u);
}

void TestBitmap::shortPaletteAndOutOfRangeIndicesReadBlack()
{
    const std::vector<Rgb> palette = {{10, 20, 30}, {40, 50, 60}};
    const Picture p = Picture::filled(2, 1, [&](int x, int) { return palette[static_cast<std::size_t>(x)]; });
    QByteArray file = buildBmp(p, {.bitsPerPixel = 8, .palette = palette});
    file[file.size() - 3] = 7; // second pixel: index 7, beyond the 2-entry palette
    Bitmap bitmap = decodeBmp(span(file));
    QCOMPARE(bitmap.pixel(0, 0), packed(palette[0]));
    QCOMPARE(bitmap.pixel(1, 0), 0u);
    bitmap.convertTo24Bit();
    QCOMPARE(bitmap.pixel(1, 0), 0u);
}

void TestBitmap::heightZeroIsAnEmptyPicture()
{
    const Picture none = Picture::filled(5, 0, [](int, int) { return Rgb{}; });
    const Bitmap bitmap = decodeBmp(span(buildBmp(none)));
    QCOMPARE(bitmap.width(), 5);
    QCOMPARE(bitmap.height(), 0);
    // nor does a picture of no width copy rows (under UBSan: no copy to or
    // from a null pointer)
    for (const int bits : {8, 24, 32}) {
        const Picture narrow = Picture::filled(0, 3, [](int, int) { return Rgb{}; });
        const Bitmap thin = decodeBmp(span(buildBmp(narrow, {.bitsPerPixel = bits})));
        QCOMPARE(thin.width(), 0);
        QCOMPARE(thin.height(), 3);
    }
}

void TestBitmap::encodeDecodeRoundTrip()
{
    Bitmap b(7, 3, PixelFormat::Bgr24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x)
            b.setPixel24(x, y, static_cast<std::uint32_t>(x * 0x102030 + y * 0x050403));
    const std::vector<std::uint8_t> bytes = encodeBmp(b);
    const Bitmap back = decodeBmp(bytes);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x)
            QCOMPARE(back.pixel(x, y), b.pixel(x, y));
    // Qt reads what we write: the files are ordinary BMP files.
    QImage image;
    QVERIFY(image.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "BMP"));
    QCOMPARE(image.pixel(6, 2) & 0xFFFFFFu, b.pixel(6, 2));
}

void TestBitmap::damagedFilesRaiseClearErrors_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");
    const Picture p = Picture::filled(8, 8, [](int x, int y) { return Rgb{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 0}; });
    const QByteArray good = buildBmp(p);
    QTest::newRow("not BMP") << QByteArray("GIF89a......") << "BMP ファイルではありません";
    QTest::newRow("headers cut") << good.left(20) << "途中で切れています";
    QTest::newRow("pixels cut") << good.left(good.size() - 10) << "画素が途中で切れています";
    QByteArray badHeader = good;
    badHeader[14] = 77;
    QTest::newRow("unknown header size") << badHeader << "ヘッダーの大きさ 77";
    QByteArray depth = good;
    depth[28] = 13;
    QTest::newRow("13 bits per pixel") << depth << "13 ビット";
    QByteArray jpeg = good;
    jpeg[30] = 4;
    QTest::newRow("embedded JPEG") << jpeg << "圧縮方式 4";
    QByteArray huge = good;
    huge[21] = 0x7F; // width 0x7F000008
    QTest::newRow("absurd width") << huge << "大きすぎます";
    QByteArray negative = good;
    negative[21] = static_cast<char>(0x80);
    QTest::newRow("negative width") << negative << "負の数";
    // A few hundred bytes that declare 37000 x 37000: refused before any
    // room is made for them (uncompressed: the file is too short for it;
    // compressed: more than a picture may unpack to).
    auto declare = [](QByteArray file, int width, int height) {
        for (int i = 0; i < 4; ++i) {
            file[18 + i] = static_cast<char>((width >> (8 * i)) & 0xFF);
            file[22 + i] = static_cast<char>((height >> (8 * i)) & 0xFF);
        }
        return file;
    };
    const Picture small = paletted(4, 4, kSixteen);
    QTest::newRow("huge uncompressed") << declare(buildBmp(small, {.bitsPerPixel = 8, .palette = kSixteen}), 37000, 37000)
                                       << "画素が途中で切れています";
    QTest::newRow("huge compressed") << declare(buildBmp(small, {.bitsPerPixel = 8, .rle = true, .palette = kSixteen}), 37000, 37000)
                                     << "大きすぎます";
    QByteArray badMask = buildBmp(fiveBit(2, 2), {.bitsPerPixel = 16, .bitFields565 = true});
    badMask[14 + 40] = 0x05; // red mask 0xF805 is not one run of bits
    QTest::newRow("mask with holes") << badMask << "マスク";
}

void TestBitmap::damagedFilesRaiseClearErrors()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    try {
        decodeBmp(span(file));
        QFAIL("a damaged file was accepted");
    } catch (const BitmapError &e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(message), e.what());
    }
}

void TestBitmap::randomCorruptionNeverCrashes()
{
    // Flip bytes of valid files of every kind; each result either decodes or
    // raises BitmapError. Run under the sanitizers this catches any read
    // outside the file.
    const Picture p = paletted(17, 9, kSixteen);
    const std::vector<QByteArray> seeds = {
        buildBmp(p, {.bitsPerPixel = 4, .rle = true, .palette = kSixteen}),
        buildBmp(p, {.bitsPerPixel = 8, .rle = true, .palette = kSixteen}),
        buildBmp(paletted(17, 9, {{0, 0, 0}, {255, 255, 255}}), {.bitsPerPixel = 1, .palette = {{0, 0, 0}, {255, 255, 255}}}),
        buildBmp(p, {.bitsPerPixel = 24, .header = Header::Core12}),
        buildBmp(fiveBit(5, 5), {.bitsPerPixel = 16, .bitFields565 = true}),
        buildBmp(p, {.bitsPerPixel = 32, .header = Header::V5_124}),
    };
    QRandomGenerator rng(1234);
    int decoded = 0, refused = 0;
    for (const QByteArray &seed : seeds) {
        for (int trial = 0; trial < 400; ++trial) {
            QByteArray file = seed;
            const int flips = 1 + static_cast<int>(rng.bounded(4));
            for (int f = 0; f < flips; ++f)
                file[static_cast<int>(rng.bounded(file.size()))] = static_cast<char>(rng.bounded(256));
            if (rng.bounded(4) == 0)
                file.truncate(static_cast<int>(rng.bounded(file.size())));
            try {
                const Bitmap b = decodeBmp(span(file));
                if (b.height() > 0 && b.width() > 0)
                    (void)b.pixel(b.width() - 1, b.height() - 1);
                ++decoded;
            } catch (const BitmapError &) {
                ++refused;
            }
        }
    }
    QVERIFY(decoded > 0);
    QVERIFY(refused > 0);
}

void TestBitmap::pictureFileNamesTheFile()
{
    TempDir dir;
    const QString missing = dir.path(QStringLiteral("missing.bmp"));
    try {
        loadPictureFile(missing);
        QFAIL("a missing file loaded");
    } catch (const BitmapError &e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(missing), e.what());
    }
    const QString text = dir.path(QStringLiteral("notes.bmp"));
    QVERIFY(testsupport::writeFile(text, "just some words, not a picture"));
    try {
        loadPictureFile(text);
        QFAIL("a text file loaded as a picture");
    } catch (const BitmapError &e) {
        const QString message = QString::fromUtf8(e.what());
        QVERIFY2(message.contains(text) && message.contains(QStringLiteral("絵ではありません")), e.what());
    }
    const QString cut = dir.path(QStringLiteral("cut.bmp"));
    QVERIFY(testsupport::writeFile(cut, buildBmp(fiveBit(9, 9)).left(60)));
    try {
        loadPictureFile(cut);
        QFAIL("a cut file loaded");
    } catch (const BitmapError &e) {
        const QString message = QString::fromUtf8(e.what());
        QVERIFY2(message.contains(cut) && message.contains(QStringLiteral("途中で切れています")), e.what());
    }
}

void TestBitmap::otherPictureFormatsLoadThroughQt()
{
    TempDir dir;
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(QColor(10, 200, 30));
    image.setPixelColor(2, 1, QColor(255, 0, 7));
    const QString path = dir.path(QStringLiteral("shot.png"));
    QVERIFY(image.save(path, "PNG"));
    Bitmap b = loadPictureFile(path);
    QCOMPARE(b.format(), PixelFormat::Bgr24);
    QCOMPARE(b.pixel(0, 0), 0x0AC81Eu);
    QCOMPARE(b.pixel(2, 1), 0xFF0007u);
}

QTEST_GUILESS_MAIN(TestBitmap)
#include "test_bitmap.moc"
