// The conversion, byte for byte: the density tables, the edge cases of the
// block geometry and rounding, every bit depth, and a literal step-by-step
// rendition of the algorithm checked against the fast one on many pictures.

#include "convert/Bmp2str.h"
#include "platform/bitmap/BmpCodec.h"
#include "platform/text/Cp932.h"
#include "support/BmpBuilder.h"

#include <QRandomGenerator>
#include <QtTest>

#include <climits>

using glyphreel::bitmap::Bitmap;
using glyphreel::bitmap::PixelFormat;
using glyphreel::convert::BmpToString;
using glyphreel::convert::DensityTable;
using glyphreel::convert::FDensityAnkList;
using glyphreel::convert::FDensityList;
using testsupport::Picture;
using testsupport::Rgb;

namespace {

// The two tables as their glyphs, written out independently of the hex codes.
const char16_t kFullWidthGlyphs[] =
    u"　．，：＇；｀＂＾。”ｉι＿（）"
    u"ｌⅰｒ－￤！ｊΙ一１гт丶「」Ｉ"
    u"ｖ亅｝τｆ｜｛ｘ丿сч～ィノｃх"
    u"ｎзεｕνкっｚΥο卜＞ｓｋσァ"
    u"ｑｐぇцべごゾＸΣΖナй￥ξＰⅵ"
    u"ＡΕＣマюЛНθОＥΟφＤЯカ七"
    u"ЦセＳさщΝヴホＧ仆力介ＱギфЫ"
    u"巾以不わポぴがぜЖ水をま允乎引元"
    u"丘ね芋沿玉ぱМ刊共井臼右応作件ぽ"
    u"央仇花亥杓瓦休学角洪何会往苛淫魚"
    u"伎安改笈恩洩気烏潅胃仮飲浦荷偉疫"
    u"挨億旭逸逢慰雨域欧嘉椅姥威緯蓋蔭"
    u"間隠雲医絢碓稲澗掩噂窺欝甥屋煙韻"
    u"懐榎既駅徽蝦鯵噛課桶厭蟻暇獅闇嵯"
    u"駆饗薗露轍鑑鏑鯉覇馨噸緬糎國鯛囓"
    u"齬臓欄贖爛醐鞭圓鑈糲鏞圖圜牘齷齲"
    ;
const char kHalfWidthPairs[] =
    "   . , ' : ` ;'..:.`', _ ^.;,`':"
    "'`:::```';._.^ \";:;`-.,_,^'^;;.~"
    ":__`:^ /,~-`'~;^\",\"':~`~\":\"` i^_"
    "./;~\"; ( !'/_~.i\"_/` l-~+.,i\"-/;"
    "~~.=`i'(\"\"!'/_/^!: 1,l'l:=(;!;/~"
    "`l\"/,I:r`r |;l!^:I {(-'1'j.v-=_r"
    "-l.},v'v'z,].x,[*.:}!/ o\"I;};{,f"
    "'f:f-v(+!(\"vL_-L;o=r p1i/|;e/] S"
    "-o\"uF_%:!|+[ O!oA_/V,D&~Cr!A\"$IN"
    "5d8hAS@\\AO@G8\\CR&O&9KU##$@&8ARBb"
    "#&&KWa$6DG%N#RAB%W&D&Q$KNpCN6B9B"
    "CWBmMuQQNgNSDR5W$D$QWgBKRR$R$$&B"
    "@WFMWwN\\AW6NNOBQMZ6WOW9WNU$BWm3M"
    "GN8W#N2M%M#WMVKWMpCMBBMXMbDN4M5M"
    "MgDWQW$NRW$W@MMwAMM\\6MMO9MMmBW8M"
    "MUGM#MKM&MNNDMMQNWMR$MWWBMMNMWMM"
    ;

Bitmap bitmapOf(const Picture &p)
{
    Bitmap b(p.width, p.height, PixelFormat::Bgr24);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const Rgb c = p.at(x, y);
            b.setPixel24(x, y, (std::uint32_t(c.r) << 16) | (std::uint32_t(c.g) << 8) | c.b);
        }
    return b;
}

Picture grey(int w, int h, const std::function<int(int, int)> &level)
{
    return Picture::filled(w, h, [&](int x, int y) {
        const auto v = static_cast<std::uint8_t>(level(x, y));
        return Rgb{v, v, v};
    });
}

std::string convert(const Picture &p, int pixelWidth, bool halfWidth, bool invert)
{
    Bitmap b = bitmapOf(p);
    return BmpToString(b, pixelWidth, halfWidth, invert);
}

std::string cell(const DensityTable &table, int index)
{
    return {static_cast<char>(table[static_cast<std::size_t>(index)][0]),
            static_cast<char>(table[static_cast<std::size_t>(index)][1])};
}

// The algorithm exactly as its steps read: a cursor (x, y) that walks the
// blocks, one division per cell.
std::string literalConversion(const Picture &p, long long pw, bool halfWidth, bool invert)
{
    const DensityTable &table = halfWidth ? FDensityAnkList : FDensityList;
    std::string result;
    const long long W = p.width, H = p.height;
    if (H == 0)
        return result;
    long long x = 0, y = 0;
    std::string line;
    for (;;) {
        long long n = 0, sb = 0, sg = 0, sr = 0;
        for (long long j = 0; j <= pw; ++j) {
            if (y + j >= H)
                break;
            for (long long i = 0; i <= pw; ++i) {
                if (x + i < W) {
                    const Rgb c = p.at(static_cast<int>(x + i), static_cast<int>(y + j));
                    sb += c.b;
                    sg += c.g;
                    sr += c.r;
                    ++n;
                }
            }
        }
        if (n > 0) {
            const long long s = sb + sg + sr;
            const long long v = (2 * s + 3 * n) / (6 * n);
            line += cell(table, static_cast<int>(invert ? v : 255 - v));
        }
        if (x < W) {
            x += pw;
        } else {
            result += line + "\r\n";
            line.clear();
            x = 0;
            y += pw;
        }
        if (y >= H)
            return result;
    }
}

QByteArray hex(const std::string &s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size())).toHex(' ');
}

} // namespace

class TestBmp2str : public QObject {
    Q_OBJECT
private slots:
    void fullWidthTableIsTheGlyphList();
    void halfWidthTableIsThePairList();
    void fourByTwoWithPixelWidthThree();
    void twoByTwoWhiteWithPixelWidthOne();
    void threeByThree();
    void blackBesideWhiteRoundsHalfUp();
    void whiteAndBlackBlocksPickTheTableEnds();
    void heightZeroAndWidthZero();
    void channelsWeighTheSame();
    void everyBitDepthConvertsByItsColours_data();
    void everyBitDepthConvertsByItsColours();
    void matchesTheLiteralAlgorithm();
    void lineAndCellCounts();
    void hugePixelWidthsDoNotOverflow();
    void pixelWidthBelowOneIsRefused();
};

void TestBmp2str::fullWidthTableIsTheGlyphList()
{
    const QString glyphs = QString::fromUtf16(kFullWidthGlyphs);
    QCOMPARE(glyphs.size(), 256);
    for (int i = 0; i < 256; ++i) {
        const std::string bytes = cell(FDensityList, i);
        const auto lead = static_cast<unsigned char>(bytes[0]);
        QVERIFY2((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC), qPrintable(QString::number(i)));
        QCOMPARE(glyphreel::text::decodeCp932(bytes), glyphs.mid(i, 1));
    }
    QCOMPARE(hex(cell(FDensityList, 0)), QByteArray("81 40"));
    QCOMPARE(hex(cell(FDensityList, 17)), QByteArray("fa 40"));
    QCOMPARE(hex(cell(FDensityList, 248)), QByteArray("fb e7"));
    QCOMPARE(hex(cell(FDensityList, 255)), QByteArray("ea 9a"));
}

void TestBmp2str::halfWidthTableIsThePairList()
{
    const std::string pairs(kHalfWidthPairs);
    QCOMPARE(pairs.size(), std::size_t(512));
    for (int i = 0; i < 256; ++i) {
        QCOMPARE(cell(FDensityAnkList, i), pairs.substr(static_cast<std::size_t>(2 * i), 2));
        for (const char c : cell(FDensityAnkList, i))
            QVERIFY(c >= 0x20 && c <= 0x7E);
    }
    QCOMPARE(cell(FDensityAnkList, 0), std::string("  "));
    QCOMPARE(cell(FDensityAnkList, 128), std::string("-o"));
    QCOMPARE(cell(FDensityAnkList, 255), std::string("MM"));
}

void TestBmp2str::fourByTwoWithPixelWidthThree()
{
    // Cell 1 averages all eight pixels, cell 2 the two pixels of column 3.
    const Picture p = grey(4, 2, [](int x, int y) { return x == 3 ? 200 : 10 * (x + 4 * y); });
    const int all = (0 + 10 + 20 + 200 + 40 + 50 + 60 + 200) * 3, n1 = 8;
    const int first = (2 * all + 3 * n1) / (6 * n1);
    QCOMPARE(convert(p, 3, true, true), cell(FDensityAnkList, first) + cell(FDensityAnkList, 200) + "\r\n");
    QCOMPARE(convert(p, 3, false, false), cell(FDensityList, 255 - first) + cell(FDensityList, 55) + "\r\n");
}

void TestBmp2str::twoByTwoWhiteWithPixelWidthOne()
{
    const Picture white = grey(2, 2, [](int, int) { return 255; });
    QCOMPARE(hex(convert(white, 1, true, true)), QByteArray("4d 4d 4d 4d 0d 0a 4d 4d 4d 4d 0d 0a"));
}

void TestBmp2str::threeByThree()
{
    const Picture p = grey(3, 3, [](int x, int y) { return 30 * x + 80 * y; });
    // pixel width 3: one block of all nine pixels
    const int sum9 = 3 * (0 + 30 + 60 + 80 + 110 + 140 + 160 + 190 + 220);
    QCOMPARE(convert(p, 3, true, true), cell(FDensityAnkList, (2 * sum9 + 27) / 54) + "\r\n");
    // pixel width 1: three lines of three cells; the last column and row
    // average fewer pixels
    std::string expected;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            int s = 0, n = 0;
            for (int j = y; j <= std::min(y + 1, 2); ++j)
                for (int i = x; i <= std::min(x + 1, 2); ++i, ++n)
                    s += 3 * (30 * i + 80 * j);
            expected += cell(FDensityList, (2 * s + 3 * n) / (6 * n));
        }
        expected += "\r\n";
    }
    QCOMPARE(convert(p, 1, false, true), expected);
    QCOMPARE(expected.size(), std::size_t(3 * 8));
}

void TestBmp2str::blackBesideWhiteRoundsHalfUp()
{
    const Picture p = grey(2, 1, [](int x, int) { return x == 0 ? 0 : 255; });
    QCOMPARE(hex(convert(p, 1, true, true)), QByteArray("2d 6f 4d 4d 0d 0a"));
    QCOMPARE(hex(convert(p, 1, true, false)), QByteArray("20 53 20 20 0d 0a"));
    QCOMPARE(glyphreel::text::decodeCp932(convert(p, 1, false, true)), QStringLiteral("丘齲\r\n"));
    QCOMPARE(glyphreel::text::decodeCp932(convert(p, 1, false, false)), QStringLiteral("元\u3000\r\n"));
}

void TestBmp2str::whiteAndBlackBlocksPickTheTableEnds()
{
    const Picture white = grey(5, 5, [](int, int) { return 255; });
    const Picture black = grey(5, 5, [](int, int) { return 0; });
    QCOMPARE(convert(white, 5, true, true), std::string("MM\r\n"));
    QCOMPARE(convert(white, 5, true, false), std::string("  \r\n"));
    QCOMPARE(convert(black, 5, true, true), std::string("  \r\n"));
    QCOMPARE(convert(black, 5, true, false), std::string("MM\r\n"));
    QCOMPARE(hex(convert(white, 5, false, true)), QByteArray("ea 9a 0d 0a"));
    QCOMPARE(hex(convert(white, 5, false, false)), QByteArray("81 40 0d 0a"));
}

void TestBmp2str::heightZeroAndWidthZero()
{
    QCOMPARE(convert(grey(7, 0, [](int, int) { return 0; }), 1, false, true), std::string());
    // A picture without columns still has its lines, each empty.
    QCOMPARE(convert(grey(0, 3, [](int, int) { return 0; }), 2, false, true), std::string("\r\n\r\n"));
}

void TestBmp2str::channelsWeighTheSame()
{
    const Picture red = Picture::filled(2, 2, [](int, int) { return Rgb{255, 0, 0}; });
    const Picture green = Picture::filled(2, 2, [](int, int) { return Rgb{0, 255, 0}; });
    const Picture blue = Picture::filled(2, 2, [](int, int) { return Rgb{0, 0, 255}; });
    const std::string expected = cell(FDensityList, 85) + "\r\n";
    QCOMPARE(convert(red, 2, false, true), expected);
    QCOMPARE(convert(green, 2, false, true), expected);
    QCOMPARE(convert(blue, 2, false, true), expected);
}

void TestBmp2str::everyBitDepthConvertsByItsColours_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<bool>("rle");
    QTest::addColumn<bool>("topDown");
    for (int bits : {1, 4, 8, 16, 24, 32})
        for (bool topDown : {false, true})
            QTest::addRow("%d bits%s", bits, topDown ? ", top-down" : "") << bits << false << topDown;
    QTest::addRow("4 bits RLE") << 4 << true << false;
    QTest::addRow("8 bits RLE") << 8 << true << false;
}

void TestBmp2str::everyBitDepthConvertsByItsColours()
{
    QFETCH(int, bits);
    QFETCH(bool, rle);
    QFETCH(bool, topDown);
    // Colours every depth holds exactly: black, white and the 5-bit greys.
    std::vector<Rgb> palette{{0, 0, 0}, {255, 255, 255}};
    if (bits >= 4)
        for (int v : {8, 66, 132, 198})
            palette.push_back({static_cast<std::uint8_t>((v & 0xF8) | (v >> 5)), static_cast<std::uint8_t>((v & 0xF8) | (v >> 5)),
                               static_cast<std::uint8_t>((v & 0xF8) | (v >> 5))});
    const Picture p = Picture::filled(11, 7, [&](int x, int y) {
        return palette[static_cast<std::size_t>((x * x + 3 * y) % static_cast<int>(palette.size()))];
    });
    const QByteArray file = testsupport::buildBmp(p, {.bitsPerPixel = bits, .topDown = topDown, .rle = rle, .palette = palette});
    Bitmap b = glyphreel::bitmap::decodeBmp({reinterpret_cast<const std::uint8_t *>(file.constData()), static_cast<std::size_t>(file.size())});
    for (int pw : {1, 2, 3, 5}) {
        Bitmap copy = b;
        QCOMPARE(BmpToString(copy, pw, false, true), literalConversion(p, pw, false, true));
        QCOMPARE(copy.bitsPerPixel(), 24); // the caller's bitmap is 24-bit afterwards
    }
}

void TestBmp2str::matchesTheLiteralAlgorithm()
{
    QRandomGenerator rng(20261207);
    int compared = 0;
    // One buffer for every conversion, as a movie run keeps it: pictures
    // of every size in turn, so that it is reused larger than needed.
    glyphreel::convert::ArtBuffer kept;
    const std::vector<int> widths{1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 31, 40, 84, 85, 86, 100};
    for (int trial = 0; trial < 300; ++trial) {
        const int w = static_cast<int>(rng.bounded(1, 48));
        const int h = static_cast<int>(rng.bounded(1, 40));
        const int pw = widths[static_cast<std::size_t>(trial) % widths.size()];
        // Mostly noise, sometimes flat areas so that runs and extremes appear.
        const bool flat = trial % 5 == 0;
        const Picture p = Picture::filled(w, h, [&](int x, int y) {
            if (flat)
                return (x / 3 + y / 2) % 2 ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
            return Rgb{static_cast<std::uint8_t>(rng.bounded(256)), static_cast<std::uint8_t>(rng.bounded(256)),
                       static_cast<std::uint8_t>(rng.bounded(256))};
        });
        for (bool half : {false, true})
            for (bool invert : {false, true}) {
                const std::string fast = convert(p, pw, half, invert);
                const std::string literal = literalConversion(p, pw, half, invert);
                Bitmap b = bitmapOf(p);
                const std::string intoKept(BmpToString(b, pw, half, invert, kept));
                if (fast != literal || intoKept != literal)
                    QFAIL(qPrintable(QStringLiteral("%1 x %2, pixel width %3, half %4, invert %5 differ")
                                         .arg(w).arg(h).arg(pw).arg(half).arg(invert)));
                ++compared;
            }
    }
    // Large blocks beyond the sum lookup and a tall narrow picture.
    for (int pw : {37, 200, 1000}) {
        const Picture p = grey(1100, 90, [](int x, int y) { return (x * 7 + y * 13) % 256; });
        QCOMPARE(convert(p, pw, false, true), literalConversion(p, pw, false, true));
        ++compared;
    }
    QVERIFY(compared > 1000);
}

void TestBmp2str::lineAndCellCounts()
{
    for (int w : {1, 5, 6, 7, 64})
        for (int h : {1, 4, 9})
            for (int pw : {1, 3, 6}) {
                const std::string art = convert(grey(w, h, [](int x, int) { return x; }), pw, true, true);
                const int lines = (h + pw - 1) / pw, cells = (w + pw - 1) / pw;
                QCOMPARE(art.size(), static_cast<std::size_t>(lines * (2 * cells + 2)));
                QVERIFY(art.ends_with("\r\n"));
            }
}

void TestBmp2str::hugePixelWidthsDoNotOverflow()
{
    const Picture p = grey(3, 3, [](int, int) { return 255; });
    QCOMPARE(convert(p, INT_MAX, true, true), std::string("MM\r\n"));
    QCOMPARE(convert(p, INT_MAX - 1, false, false), literalConversion(p, INT_MAX - 1, false, false));
}

void TestBmp2str::pixelWidthBelowOneIsRefused()
{
    Bitmap b = bitmapOf(grey(2, 2, [](int, int) { return 0; }));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, BmpToString(b, 0, false, true));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, BmpToString(b, -5, false, true));
}

QTEST_GUILESS_MAIN(TestBmp2str)
#include "test_bmp2str.moc"
