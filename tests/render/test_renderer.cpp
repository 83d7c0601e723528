// The frame renderer against the editor: the same frame, the same size, the
// editor's painted viewport beside the renderer's picture, pixel by pixel.

#include "app/Fonts.h"
#include "convert/ArtMemo.h"
#include "convert/Bmp2str.h"
#include "platform/richedit/RichEdit.h"
#include "platform/rtf/RtfDocument.h"
#include "render/FrameRenderer.h"

#include <QApplication>
#include <QScreen>
#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

using namespace glyphreel;

namespace {

// The share of pixels that differ, and the largest difference of a channel.
struct Difference {
    double share = 1;
    int largest = 255;
};

Difference compare(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return {};
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    qint64 differing = 0;
    int largest = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            const int d = std::max({std::abs(qRed(p[col]) - qRed(q[col])), std::abs(qGreen(p[col]) - qGreen(q[col])),
                                    std::abs(qBlue(p[col]) - qBlue(q[col]))});
            if (d > 0)
                ++differing;
            largest = std::max(largest, d);
        }
    }
    return {static_cast<double>(differing) / (static_cast<double>(x.width()) * x.height()), largest};
}

// The editor showing the frame, painted.
QImage editorPicture(const std::string &memo, const render::FrameLook &look, const QSize &size)
{
    richedit::RichEdit editor;
    editor.setFrameStyle(QFrame::NoFrame);
    // the frame without the caret
    editor.setTextInteractionFlags(Qt::NoTextInteraction);
    editor.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editor.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editor.setPlainTextMode(look.plainText);
    editor.setWordWrap(false);
    editor.setFont(look.baseFont);
    editor.setColors(look.textColor, look.background);
    editor.resize(size);
    editor.setMemo(memo);
    editor.show();
    QCoreApplication::processEvents();
    return editor.viewport()->grab().toImage();
}

QFont artFont(int pixels)
{
    QFont font(QStringLiteral("ＭＳ ゴシック"));
    font.setPixelSize(pixels);
    return font;
}

std::string convertedArt(int w, int h, int pixelWidth, bool half)
{
    bitmap::Bitmap picture(w, h, bitmap::PixelFormat::Bgr24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            picture.setPixel24(x, y, static_cast<std::uint32_t>(((x * 255 / w) << 16) | ((y * 255 / h) << 8) | ((x + y) % 256)));
    return convert::BmpToString(picture, pixelWidth, half, true);
}

// Converted art in which every character has a colour of its own, as
// colour conversions make it.
std::string colourArt(int lines, int cells)
{
    const QStringList text = QString(convert::artText(convertedArt(cells * 2, lines * 2, 2, false))).split(u'\n');
    rtf::RtfDocument doc;
    int k = 0;
    for (int l = 0; l < lines; ++l) {
        doc.paragraphs.emplace_back();
        for (const QChar c : text.value(l)) {
            rtf::RtfRun run;
            run.text = QString(c);
            run.font = QStringLiteral("ＭＳ ゴシック");
            run.sizePt = 4;
            run.color.kind = rtf::RtfColor::Kind::Rgb;
            run.color.rgb = QColor::fromHsv((k++ * 13) % 360, 255, 255);
            doc.paragraphs.back().push_back(run);
        }
    }
    return rtf::writeRtf(doc);
}

std::string fixture(const char *name)
{
    QFile f(QStringLiteral(GLYPHREEL_FIXTURES "/rtf/") + QString::fromLatin1(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

} // namespace

class TestRenderer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { app::registerFontSubstitutions(); }
    void looksLikeTheEditor_data();
    void looksLikeTheEditor();
    void quickLayoutIsTheDocuments_data();
    void quickLayoutIsTheDocuments();
};

void TestRenderer::looksLikeTheEditor_data()
{
    QTest::addColumn<QByteArray>("memo");
    QTest::addColumn<bool>("plain");
    QTest::addColumn<int>("pixels");
    // Lines the font alone cannot place (empty ones, two sizes), or -1 for
    // a frame only a whole document lays out (a line break within a line,
    // marks the font composes with the letter before, tabs).
    QTest::addColumn<int>("byTextLayout");
    // Converted art ends with a line end: its last line is empty.
    QTest::newRow("plain art, 4 px") << QByteArray::fromStdString(convertedArt(300, 200, 3, false)) << true << 4 << 1;
    QTest::newRow("plain art, 7 px") << QByteArray::fromStdString(convertedArt(300, 200, 3, false)) << true << 7 << 1;
    QTest::newRow("half-width art, 7 px") << QByteArray::fromStdString(convertedArt(300, 200, 3, true)) << true << 7 << 1;
    QTest::newRow("plain art, 16 px") << QByteArray::fromStdString(convertedArt(120, 80, 4, false)) << true << 16 << 1;
    QTest::newRow("colour art") << QByteArray::fromStdString(colourArt(60, 80)) << false << 4 << 0;
    QTest::newRow("colour art, 12 px editor") << QByteArray::fromStdString(colourArt(30, 40)) << false << 12 << 0;
    QTest::newRow("ex1_plain.rtf") << QByteArray::fromStdString(fixture("ex1_plain.rtf")) << false << 7 << 0;
    QTest::newRow("ex2_colours.rtf") << QByteArray::fromStdString(fixture("ex2_colours.rtf")) << false << 7 << 1;
    QTest::newRow("ex3_ext.rtf") << QByteArray::fromStdString(fixture("ex3_ext.rtf")) << false << 7 << -1;
    QTest::newRow("ex6_twopar.rtf") << QByteArray::fromStdString(fixture("ex6_twopar.rtf")) << false << 7 << 1;
    // Lines of runs: text, then its size in points.
    auto lines = [](std::initializer_list<std::vector<std::pair<QString, double>>> texts) {
        rtf::RtfDocument doc;
        for (const auto &line : texts) {
            doc.paragraphs.emplace_back();
            for (const auto &[text, size] : line) {
                rtf::RtfRun run;
                run.text = text;
                run.font = QStringLiteral("ＭＳ ゴシック");
                run.sizePt = size;
                doc.paragraphs.back().push_back(run);
            }
        }
        return QByteArray::fromStdString(rtf::writeRtf(doc));
    };
    QTest::newRow("two sizes on a line")
        << lines({{{QStringLiteral("ＡＢ"), 9}, {QStringLiteral("ＣＤ"), 14}}, {{QStringLiteral("ＥＦ"), 9}}}) << false << 7 << 1;
    QTest::newRow("tabs") << lines({{{QStringLiteral("Ａ\tＢ"), 9}}, {{QStringLiteral("ＣＤ"), 9}}}) << false << 7 << -1;
    QTest::newRow("marks") << lines({{{QStringLiteral("か\u3099き\u309Aく"), 9}}, {{QStringLiteral("ＣＤ"), 9}}}) << false << 7 << -1;
}

void TestRenderer::looksLikeTheEditor()
{
    QFETCH(QByteArray, memo);
    QFETCH(bool, plain);
    QFETCH(int, pixels);
    QVERIFY(!memo.isEmpty());
    render::FrameLook look;
    look.plainText = plain;
    look.baseFont = artFont(pixels);
    look.dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    const QSize size(640, 480);
    const QImage editor = editorPicture(memo.toStdString(), look, size);
    render::FrameRenderer renderer;
    const render::PreparedFrame prepared = render::prepareFrame(memo.toStdString(), look);
    const QImage drawn = renderer.render(prepared, look, size);
    const Difference d = compare(editor, drawn);
    if (d.share > 0.01) {
        editor.save(QDir::temp().filePath(QStringLiteral("editor-%1.png")).arg(QTest::currentDataTag()).replace(u' ', u'_'));
        drawn.save(QDir::temp().filePath(QStringLiteral("drawn-%1.png")).arg(QTest::currentDataTag()).replace(u' ', u'_'));
    }
    QVERIFY2(d.share <= 0.01, qPrintable(QStringLiteral("%1% of pixels differ (largest %2)").arg(d.share * 100).arg(d.largest)));
    qInfo("%s: %.3f%% differ, largest %d", QTest::currentDataTag(), d.share * 100, d.largest);
}

void TestRenderer::quickLayoutIsTheDocuments_data()
{
    looksLikeTheEditor_data();
}

// Frames laid out the quick way hold the same glyphs at the same places, in
// the same inks, as frames laid out through a whole document.
void TestRenderer::quickLayoutIsTheDocuments()
{
    QFETCH(QByteArray, memo);
    QFETCH(bool, plain);
    QFETCH(int, pixels);
    render::FrameLook look;
    look.plainText = plain;
    look.baseFont = artFont(pixels);
    look.dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    const render::PreparedFrame quick = render::prepareFrame(memo.toStdString(), look);
    const render::PreparedFrame reference = render::prepareFrameThroughDocument(memo.toStdString(), look);
    QVERIFY(!reference.glyphs.empty());
    QCOMPARE(quick.glyphs, reference.glyphs);
    QCOMPARE(quick.x, reference.x);
    // Runs may be cut differently (by colour here, by fragment there): the
    // glyphs' baselines, fonts and inks are what must agree.
    auto perGlyph = [](const render::PreparedFrame &f) {
        std::vector<std::tuple<float, QString, int, QRgb, bool, bool>> v(f.glyphs.size());
        for (const render::PlacedRun &r : f.runs)
            for (std::uint32_t i = r.begin; i < r.end; ++i)
                v[i] = {r.baseline, f.fonts[std::size_t(r.font)].familyName(), f.fonts[std::size_t(r.font)].pixelSize(), r.color,
                        r.underline, r.strikeOut};
        return v;
    };
    QVERIFY(perGlyph(quick) == perGlyph(reference));
    QFETCH(int, byTextLayout);
    QCOMPARE(quick.ways.throughDocument, byTextLayout < 0);
    if (byTextLayout >= 0)
        QCOMPARE(quick.ways.byTextLayout, byTextLayout);
}

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    TestRenderer test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_renderer.moc"
