// The editor as a user feels it, in the real main window: opening a project
// whose first frame is a 160 x 120 colour frame (a colour per character, as
// painted or converted colour art is) until the window has painted it,
// moving to the next frame among colour frames and among 20 KB frames (49
// lines in one colour), and saving after editing one frame of each kind.
// Beside them, in the same run, the table engine's own open, walk and save
// of the same projects: what the editor adds is the difference.
//
//   bench_editor [moves]     (run with QT_QPA_PLATFORM=offscreen or on a display)

#include "app/Application.h"
#include "app/Fonts.h"
#include "app/Makewindow1.h"
#include "app/Startup.h"
#include "platform/db/Query.h"
#include "platform/rtf/RtfDocument.h"
#include "project/Project.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace glyphreel;

namespace {

double since(const QElapsedTimer &t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

struct Figures {
    std::vector<double> ms;
    double percentile(double p)
    {
        std::sort(ms.begin(), ms.end());
        const auto i = static_cast<std::size_t>(std::min<double>(static_cast<double>(ms.size()) - 1,
                                                                 p / 100.0 * static_cast<double>(ms.size())));
        return ms[i];
    }
};

// 160 x 120 characters, each in a colour of its own.
std::string colourFrame(int seed)
{
    rtf::RtfDocument doc;
    for (int y = 0; y < 120; ++y) {
        doc.paragraphs.emplace_back();
        for (int x = 0; x < 160; ++x) {
            rtf::RtfRun r;
            r.text = QString(QChar(u"■□◆◇●○▲△"[(x + y + seed) % 8]));
            r.font = QStringLiteral("ＭＳ ゴシック");
            r.sizePt = 4;
            r.color = {rtf::RtfColor::Kind::Rgb, QColor((x * 255 / 159 + seed) % 256, y * 255 / 119, (x * 7 + y * 3) % 256)};
            doc.paragraphs.back().push_back(r);
        }
    }
    return rtf::writeRtf(doc);
}

// 49 lines in one colour, about 20 KB as the editor stores it.
std::string textFrame(int seed)
{
    rtf::RtfDocument doc;
    for (int y = 0; y < 49; ++y) {
        rtf::RtfRun r;
        for (int x = 0; x < 51; ++x)
            r.text += QChar(u"あいうえおかきくけこ"[(x + y + seed) % 10]);
        r.font = QStringLiteral("ＭＳ ゴシック");
        r.sizePt = 9;
        r.color = {rtf::RtfColor::Kind::Rgb, QColor(255, 255, 0)};
        doc.paragraphs.push_back({r});
    }
    return rtf::writeRtf(doc);
}

QString makeProject(const QString &folder, const char *name, int frames, std::string (*frame)(int))
{
    const QString td = folder + u'/' + QString::fromLatin1(name) + QStringLiteral(".td");
    project::Project p;
    p.create(td, true);
    for (int i = 0; i < frames; ++i) {
        p.query().append();
        p.query().setFieldValue("MEM2", db::Value::bytes(frame(i)));
        p.query().post();
    }
    p.save();
    return td;
}

// The engine alone: open, walk every frame's text, save one changed frame.
void engineFigures(const QString &td, const char *what)
{
    project::Project p;
    QElapsedTimer t;
    t.start();
    p.open(td);
    const double open = since(t);
    db::Query &q = p.query();
    std::size_t bytes = 0;
    t.restart();
    q.first();
    while (!q.eof()) {
        bytes += q.fieldBytes("MEM2").size();
        q.next();
    }
    const double walk = since(t);
    q.first();
    q.edit();
    q.setFieldValue("MEM2", db::Value::bytes(q.fieldBytes("MEM2") + " "));
    t.restart();
    p.save();
    const double save = since(t);
    std::printf("  engine, %-14s open %7.2f ms   walk %7.2f ms (%zu KB)   save one %7.2f ms\n", what, open, walk,
                bytes / 1024, save);
}

// A move the user makes: the next frame, shown and painted. Then the
// application is idle until the next move, as between two key presses.
double moveAndPaint(TMakeForm1 &w, bool forward)
{
    QElapsedTimer t;
    t.start();
    if (forward)
        w.Query1->next();
    else
        w.Query1->prior();
    fprintf(stderr, "move %.1f\n", since(t));
    w.repaint();
    const double ms = since(t);
    fprintf(stderr, "total %.1f\n", ms);
    if (!getenv("NOPE")) {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    return ms;
}

void moves(TMakeForm1 &w, const QString &td, int count, const char *what, double goal)
{
    w.openProject(td);
    w.repaint();
    Figures f;
    bool forward = true;
    for (int i = 0; i < count; ++i) {
        if (forward && w.Query1->recNo() == w.Query1->recordCount())
            forward = false;
        if (!forward && w.Query1->recNo() == 1)
            forward = true;
        f.ms.push_back(moveAndPaint(w, forward));
    }
    std::printf("%-44s p50 %7.2f ms  p99 %7.2f ms  max %7.2f ms  (%d moves; goal: p99 under %.0f ms)\n", what,
                f.percentile(50), f.percentile(99), f.percentile(100), count, goal);
}

void saves(TMakeForm1 &w, const QString &td, int count, const char *what, double goal)
{
    w.openProject(td);
    Figures f;
    for (int i = 0; i < count; ++i) {
        // One character typed at the end of the frame, then File > Save.
        QTextCursor c = w.DBRichEdit0->textCursor();
        c.movePosition(QTextCursor::End);
        w.DBRichEdit0->setTextCursor(c);
        w.DBRichEdit0->insertPlainText(QStringLiteral("x"));
        QElapsedTimer t;
        t.start();
        w.Save2Click();
        f.ms.push_back(since(t));
    }
    std::printf("%-44s p50 %7.2f ms  max %7.2f ms  (%d saves; goal: under %.0f ms)\n", what, f.percentile(50),
                f.percentile(100), count, goal);
}

} // namespace

int main(int argc, char **argv)
{
    GlyphreelApplication application(argc, argv);
    const int count = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100;
    QTemporaryDir temp;
    std::printf("setting up projects in %s\n", qPrintable(temp.path()));
    const QString colour = makeProject(temp.path(), "colour", 12, colourFrame);
    const QString text = makeProject(temp.path(), "text", 60, textFrame);

    app::registerFontSubstitutions();
    app::createForms(application);
    TMakeForm1 &w = *MakeForm1;
    w.show();
    w.repaint();
    QCoreApplication::processEvents();

    // The first open of the run pays for the fonts' first use, as a user's
    // first open does.
    QElapsedTimer t;
    t.start();
    w.openProject(colour);
    w.repaint();
    const double open = since(t);
    std::printf("%-44s %7.2f ms  (goal: under 200 ms)\n", "open, first frame 160x120 colours, painted", open);
    Figures again;
    for (int i = 0; i < 5; ++i) {
        t.restart();
        w.openProject(colour);
        w.repaint();
        again.ms.push_back(since(t));
    }
    std::printf("%-44s %7.2f ms  (median of 5)\n", "  opened again", again.percentile(50));

    moves(w, colour, std::max(20, count / 3), "next frame, colour frames", 200);
    moves(w, text, count, "next frame, 20 KB frames", 16);
    saves(w, text, 20, "save after editing one 20 KB frame", 50);
    saves(w, colour, 10, "save after editing one colour frame", 200);

    std::printf("reference, in the same run:\n");
    engineFigures(colour, "colour frames");
    engineFigures(text, "20 KB frames");
    return 0;
}
