// The batch font conversion through the real window, offscreen, over rich
// frames of 40 x 30 colour cells (every character its own colour), beside
// one read and one write of the same table in the same run: a dataset
// walking every row reading MEM2, and every MEM2 set and the changes
// applied to the table files. Prints the conversion against read + write.
//
//   QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy bench_fontconvert [frames]

#include "ColourPage.h"
#include "Timing.h"

#include "app/Application.h"
#include "app/Fonts.h"
#include "app/Makewindow1.h"
#include "app/Startup.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "tools/Fontwindow1.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace glyphreel;

namespace {

// A rich table of colour pages: "movie" is the project's, the read and
// write go to a copy of it.
void writeTable(const QString &folder, const char *name, const std::vector<std::string> &memos)
{
    db::executeStatement(folder.toStdString(),
                         std::string("CREATE TABLE ") + name
                             + " (RENO AUTOINC, MEM2 BLOB(0,3), SND1 BOOLEAN, SND2 BOOLEAN, SND3 BOOLEAN, "
                               "SND4 BOOLEAN, SND5 BOOLEAN, SND6 BOOLEAN, PRIMARY KEY(RENO))");
    db::Query q;
    q.setDatabaseName(folder.toStdString());
    q.addSql(std::string("SELECT * FROM ") + name + ".db");
    q.open();
    for (const std::string &memo : memos) {
        q.append();
        q.setFieldValue("MEM2", db::Value::bytes(memo));
        q.post();
    }
    q.applyUpdates();
    q.commitUpdates();
}

} // namespace

int main(int argc, char **argv)
{
    GlyphreelApplication application(argc, argv);
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    app::registerFontSubstitutions();
    app::createForms(application);
    // What the main window's attachWindows gives the window.
    FontForm1->setEditor(MakeForm1->Query1, MakeForm1->DBRichEdit0);
    MakeForm1->show();

    QTemporaryDir dir;
    std::vector<std::string> memos;
    memos.reserve(std::size_t(frames));
    std::size_t bytes = 0;
    for (int i = 0; i < frames; ++i) {
        memos.push_back(bench::colourPage(30, 40, i));
        bytes += memos.back().size();
    }
    writeTable(dir.path(), "movie", memos);
    writeTable(dir.path(), "copy", memos);
    const QString td = dir.path() + QStringLiteral("/movie.td");
    text::ProfileFile(td).writeString(QStringLiteral("Setting"), QStringLiteral("TextType"), QStringLiteral("0"));

    // Read: every row's MEM2 through a dataset.
    db::Query q;
    q.setDatabaseName(dir.path().toStdString());
    q.addSql("SELECT * FROM copy.db");
    std::size_t readBytes = 0;
    const double read = bench::ms([&] {
        q.open();
        for (q.first(); !q.eof(); q.next())
            readBytes += q.fieldBytes("MEM2").size();
    });
    // Write: every row's MEM2 set, then the changes applied.
    const double write = bench::ms([&] {
        int i = 0;
        for (q.first(); !q.eof(); q.next()) {
            q.edit();
            q.setFieldValue("MEM2", db::Value::bytes(memos[std::size_t(i++)]));
            q.post();
        }
        q.applyUpdates();
        q.commitUpdates();
    });
    q.close();

    MakeForm1->openProject(td);
    MakeForm1->Query1->first();
    auto scripted = std::make_unique<dialogs::ScriptedDialogService>();
    dialogs::ScriptedDialogService *answers = scripted.get();
    const dialogs::ScopedDialogService scope(std::move(scripted));
    answers->answerConfirm(dialogs::Answer::Yes);
    FontForm1->Edit1->setText(QStringLiteral("9"));
    FontForm1->SpeedButton1->setChecked(true);
    FontForm1->ColorComboBox1->setValue(0x000000FF);

    double conversion = 0;
    QTimer::singleShot(0, FontForm1, [&] { conversion = bench::ms([&] { FontForm1->SpeedButton7->click(); }); });
    MakeForm1->N20->trigger();

    // The same rewrite of every frame alone, without the window or the dataset.
    const tools::TextFormat format = FontForm1->chosenFormat();
    std::size_t rewritten = 0;
    const double rewrite = bench::ms([&] {
        for (const std::string &memo : memos)
            rewritten += tools::convertedMemo(memo, format).size();
    });

    const bool done = answers->unusedAnswers() == 0 && !FontForm1->isVisible()
                   && answers->asked().size() == 1 && MakeForm1->Query1->recNo() == 1;
    const double mb = double(QFileInfo(dir.path() + QStringLiteral("/movie.mb")).size()) / 1e6;
    std::printf("%d frames of 40 x 30 colour cells, %.1f MB of RTF (memo file %.1f MB)\n", frames, double(bytes) / 1e6, mb);
    std::printf("%-40s %10.0f ms\n", "read: walk every row reading MEM2", read);
    std::printf("%-40s %10.0f ms\n", "write: set every MEM2, apply", write);
    std::printf("%-40s %10.0f ms  (%.3f ms a frame)\n", "conversion through the window", conversion, conversion / frames);
    std::printf("%-40s %10.0f ms\n", "  of which the frames' RTF rewritten", rewrite);
    std::printf("conversion / (read + write): %.2f\n", conversion / (read + write));
    std::printf("goal: conversion <= 5 x (read + write)%s\n", done ? "" : "  [the conversion did not finish]");
    return readBytes == bytes && rewritten > 0 && done ? 0 : 1;
}
