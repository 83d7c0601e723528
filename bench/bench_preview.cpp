// Preview playback in the real preview window, offscreen: 200 steps at
// speed 1 (a frame every 10 ms) over rich frames of 160 x 120 characters,
// every character its own colour. Prints the step (the clock's delivery to
// the painted view) and the clock's error (delivery against the due time),
// beside the text box taking and painting the same frames in the same run.
//
// Play is pressed `wait` ms after the window opens (1000 unless told), as a
// person reaching for it would; 0 presses it at once, before any frame has
// been read ahead.
//
//   QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy bench_preview [steps] [frames] [wait]

#include "ColourPage.h"
#include "Timing.h"

#include "app/Application.h"
#include "app/Fonts.h"
#include "app/Makewindow1.h"
#include "app/Startup.h"
#include "output/Previewwindow1.h"
#include "platform/rtf/RtfDocument.h"

#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace glyphreel;

namespace {

struct Stats {
    double p50, p99, worst;
};

Stats stats(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 99 / 100)], v.back()};
}

} // namespace

int main(int argc, char **argv)
{
    GlyphreelApplication application(argc, argv);
    const int steps = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
    const int frames = argc > 2 ? std::max(2, std::atoi(argv[2])) : 60;
    const int wait = argc > 3 ? std::max(0, std::atoi(argv[3])) : 1000;
    app::registerFontSubstitutions();
    app::createForms(application);
    MakeForm1->show();

    QTemporaryDir dir;
    std::vector<std::string> memos;
    const QString td = bench::writeColourProject(dir.path(), frames, memos);
    MakeForm1->openProject(td);
    MakeForm1->Query1->first();

    std::vector<double> step, lateness, textBox;
    QTimer::singleShot(0, PreviewForm1, [&] {
        TPreviewForm1 *p = PreviewForm1;
        p->resize(900, 740);
        p->CheckBox1->setChecked(true);
        p->Edit3->setText(QStringLiteral("1"));
        QObject scope;
        QEventLoop loop;
        QObject::connect(p->Timer1, &output::PlaybackClock::OnTimer, &scope, [&] {
            // After the window's own step: the view is painted.
            const qint64 now = p->Timer1->elapsedNs();
            step.push_back(double(now - p->Timer1->firedNs()) / 1e6);
            lateness.push_back(double(p->Timer1->firedNs() - p->Timer1->dueNs()) / 1e6);
            if (int(step.size()) == steps)
                loop.quit();
        });
        {
            QEventLoop reaching;
            QTimer::singleShot(wait, &reaching, &QEventLoop::quit);
            reaching.exec();
        }
        p->BitBtn5Click();
        loop.exec();
        p->BitBtn1Click();
        // The text box taking and painting the same frames.
        for (int i = 0; i < std::min(frames, 20); ++i)
            textBox.push_back(bench::ms([&] {
                p->DBRichEdit1->setMemo(memos[std::size_t(i)]);
                p->DBRichEdit1->viewport()->repaint();
            }));
        p->close();
    });
    MakeForm1->SpeedButton3Click();

    const Stats s = stats(step), l = stats(lateness), t = stats(textBox);
    std::printf("%d steps at speed 1 (every 10 ms), %d frames of 160 x 120 colour cells, Play %d ms after opening\n", steps,
                frames, wait);
    std::printf("%-44s %8s %8s %8s\n", "", "p50 ms", "p99 ms", "worst");
    std::printf("%-44s %8.2f %8.2f %8.2f\n", "preview step (delivery to painted view)", s.p50, s.p99, s.worst);
    std::printf("%-44s %8.2f %8.2f %8.2f\n", "clock error (delivery against due time)", l.p50, l.p99, l.worst);
    std::printf("%-44s %8.2f %8.2f %8.2f\n", "text box: set and paint the same frame", t.p50, t.p99, t.worst);
    std::printf("steps over 10 ms: %ld of %zu\n", long(std::count_if(step.begin(), step.end(), [](double v) { return v > 10; })), step.size());
    for (std::size_t i = 0; i < step.size(); ++i)
        if (step[i] > 10 || lateness[i] > 5)
            std::printf("  step %zu: %.1f ms, %.1f ms late\n", i + 1, step[i], lateness[i]);
    std::printf("goal: step p99 <= 10 ms\n");
    return 0;
}
