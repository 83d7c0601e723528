// Drawing a frame of converted colour art (160 x 120 characters, every one
// its own colour) with the frame renderer, beside a text box taking,
// laying out and painting the same frame, in the same run.
//
//   QT_QPA_PLATFORM=offscreen bench_render [repetitions]

#include "app/Fonts.h"
#include "platform/richedit/RichEdit.h"
#include "platform/rtf/RtfDocument.h"
#include "ColourPage.h"
#include "render/FrameRenderer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace glyphreel;

namespace {

struct Stats {
    double p50, p99;
};

Stats stats(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 99 / 100)]};
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    const int repetitions = argc > 1 ? std::max(3, std::atoi(argv[1])) : 50;
    app::registerFontSubstitutions();
    const std::string memo = bench::colourPage(120, 160);
    render::FrameLook look;
    look.plainText = false;
    look.baseFont = QFont(QStringLiteral("ＭＳ ゴシック"));
    look.baseFont.setPixelSize(4);
    look.dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    const QSize size(900, 740);

    std::vector<double> parse, layout, draw, textBox;
    render::FrameRenderer renderer;
    QImage image(size, QImage::Format_RGB32);
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer t;
        t.start();
        const render::ParsedFrame parsed = render::parseFrame(memo, look.plainText);
        parse.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        t.restart();
        const render::PreparedFrame frame = render::layoutFrame(parsed, look);
        layout.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        t.restart();
        renderer.draw(image, frame, look);
        draw.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    richedit::RichEdit editor;
    editor.setWordWrap(false);
    editor.setFont(look.baseFont);
    editor.setColors(Qt::white, Qt::black);
    editor.resize(size);
    editor.show();
    for (int i = 0; i < std::max(3, repetitions / 5); ++i) {
        QElapsedTimer t;
        t.start();
        editor.setMemo(memo);
        (void)editor.viewport()->grab();
        textBox.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    const Stats p = stats(parse), l = stats(layout), d = stats(draw), e = stats(textBox);
    std::printf("%-46s %8s %8s\n", "160 x 120 colour page", "p50 ms", "p99 ms");
    std::printf("%-46s %8.2f %8.2f\n", "renderer: draw a prepared frame", d.p50, d.p99);
    std::printf("%-46s %8.2f %8.2f\n", "renderer: parse (any thread)", p.p50, p.p99);
    std::printf("%-46s %8.2f %8.2f\n", "renderer: lay out", l.p50, l.p99);
    std::printf("%-46s %8.2f %8.2f\n", "text box: take, lay out and paint", e.p50, e.p99);
    return 0;
}
