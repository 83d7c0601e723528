// How long the application takes from nothing to its first painted main
// window: the windows created, the font substitutions registered, the main
// window and the tool box shown and painted. Reference: an empty QMainWindow
// shown and painted in the same process.
//   bench_startup            (run with QT_QPA_PLATFORM=offscreen or on a display)

#include "app/Application.h"
#include "app/Fonts.h"
#include "app/Makewindow1.h"
#include "app/Startup.h"

#include <QElapsedTimer>
#include <QMainWindow>

#include <cstdio>

namespace {

double showAndPaint(QWidget &w)
{
    QElapsedTimer t;
    t.start();
    w.show();
    w.grab(); // paints the whole window once
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// What the application does once its window is on screen and the event
// loop runs (the art font is loaded then, before a project is opened).
double idleAfterShowing()
{
    QElapsedTimer t;
    t.start();
    QCoreApplication::processEvents();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QElapsedTimer total;
    total.start();
    GlyphreelApplication application(argc, argv);
    const double appMs = static_cast<double>(total.nsecsElapsed()) / 1e6;

    QElapsedTimer t;
    t.start();
    QMainWindow empty;
    empty.resize(800, 600);
    const double emptyMs = static_cast<double>(t.nsecsElapsed()) / 1e6 + showAndPaint(empty);
    idleAfterShowing();
    empty.hide();

    t.restart();
    glyphreel::app::registerFontSubstitutions();
    const double fontsMs = static_cast<double>(t.nsecsElapsed()) / 1e6;
    t.restart();
    glyphreel::app::createForms(application);
    const double formsMs = static_cast<double>(t.nsecsElapsed()) / 1e6;
    const double showMs = showAndPaint(*MakeForm1);
    const double firstPaint = static_cast<double>(total.nsecsElapsed()) / 1e6 - emptyMs;
    const double idleMs = idleAfterShowing();

    std::printf("application object      %8.1f ms\n", appMs);
    std::printf("font substitutions      %8.1f ms\n", fontsMs);
    std::printf("eight windows created   %8.1f ms\n", formsMs);
    std::printf("main window shown       %8.1f ms\n", showMs);
    std::printf("total to first paint    %8.1f ms\n", firstPaint);
    std::printf("then, idle: art font    %8.1f ms (after the first paint, before any input)\n", idleMs);
    std::printf("reference: empty window %8.1f ms (created, shown, painted)\n", emptyMs);
    return 0;
}
