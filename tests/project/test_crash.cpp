// Every way a project is written, killed: at each of its crash points (the
// test build's numbered points around every write, flush and rename), and
// at random moments by the parent. After each kill the next open finishes
// or undoes what was left; then the three table files must pass the strict
// structural check, no temporary file may be left, and the project must
// hold its old content or the whole new one (table and settings together
// where they are written together).
//
//   GLYPHREEL_CRASH_TRIALS=N   random kills per writing path (default 25)

#include "platform/db/ParadoxTable.h"
#include "platform/db/TableFiles.h"
#include "platform/files/Files.h"
#include "platform/text/ProfileFile.h"
#include "project/Project.h"
#include "project/ProjectFiles.h"
#include "support/Files.h"
#include "support/TableCheck.h"
#include "support/TempDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <csignal>
#include <functional>

using namespace glyphreel;

namespace {

// Frame i of content state s: sizes that land in both kinds of blob block.
std::string frameText(int state, int i)
{
    const int size = 1 + (i * 997 + state * 131) % 9000;
    std::string s(static_cast<std::size_t>(size), 'a');
    for (std::size_t k = 0; k < s.size(); ++k)
        s[k] = static_cast<char>('A' + (k + static_cast<std::size_t>(state) * 7 + static_cast<std::size_t>(i)) % 26);
    return s;
}

int frameCount(int state)
{
    return 40 + (state % 3) * 7;
}

// The preview speed a state's settings file holds: the settings written
// with the table say which state they belong to.
class SpeedView : public project::SettingsView {
public:
    int speed = 1;
    void storeSettings(project::Settings &s) const override { s.speed = speed; }
    void showSettings(const project::Settings &s) override { speed = s.speed; }
};

// Puts the open project into content state s (frames and speed).
void makeState(project::Project &p, SpeedView &view, int state)
{
    db::Query &q = p.query();
    while (q.recordCount() > 0) {
        q.last();
        q.deleteRecord();
    }
    for (int i = 0; i < frameCount(state); ++i) {
        q.append();
        q.setFieldValue("MEM2", db::Value::bytes(frameText(state, i)));
        if ((i + state) % 3 == 0)
            q.setFieldValue("SND2", db::Value::logical(true));
        q.post();
    }
    view.speed = state % 99 + 1;
}

// The state a project holds: its frames' texts and cues, and the speed in
// its settings file; -1 when they match no state in [from, to].
struct Held {
    int frames = -1;
    int speed = -1;
};

Held stateOf(const QString &td, int from, int to)
{
    Held held;
    project::Project p;
    p.open(td);
    db::Query &q = p.query();
    for (int s = from; s <= to && held.frames < 0; ++s) {
        if (q.recordCount() != frameCount(s))
            continue;
        bool same = true;
        q.first();
        for (int i = 0; same && i < frameCount(s); ++i, q.next())
            same = q.fieldBytes("MEM2") == frameText(s, i) && q.fieldBool("SND2") == ((i + s) % 3 == 0);
        if (same)
            held.frames = s;
    }
    const int speed = text::ProfileFile(td).readInteger(QStringLiteral("Setting"), QStringLiteral("Speed"), -1);
    for (int s = from; s <= to; ++s)
        if (speed == s % 99 + 1)
            held.speed = s;
    return held;
}

QStringList leftovers(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.saving"), QStringLiteral("*.copying"), QStringLiteral("*.commit")},
                                  QDir::Files | QDir::Hidden);
}

// The child: one writing path, then the number of crash points it passed.
int runChild(const QStringList &args)
{
    const QString mode = args.value(0), folder = args.value(1);
    const int state = args.value(2).toInt();
    SpeedView view;
    project::Project p;
    p.addView(&view);
    if (mode == QStringLiteral("save")) {
        p.open(folder + QStringLiteral("/p.td"));
        makeState(p, view, state);
        p.save();
    } else if (mode == QStringLiteral("saveas")) {
        p.open(folder + QStringLiteral("/p.td"));
        p.saveAs(folder + QStringLiteral("/q.td"));
    } else if (mode == QStringLiteral("create")) {
        p.create(folder + QStringLiteral("/r.td"), true);
    } else {
        return 2;
    }
    std::printf("%ld\n", files::crashPointsPassed());
    return 0;
}

struct Trial {
    int exitCode = 0;
    bool killed = false;
    long points = 0;
};

class Child {
public:
    explicit Child(QString folder) : folder_(std::move(folder)) {}

    // Runs the writing path, stopped at crash point `at` (0: not at all) or
    // killed after `killAfterMs` (negative: not at all).
    Trial run(const QString &mode, int state, long at, int killAfterMs = -1)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("GLYPHREEL_CRASH_AT"), QString::number(at));
        p.setProcessEnvironment(env);
        p.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--child"), mode, folder_, QString::number(state)});
        if (!p.waitForStarted(10000))
            return {-1, false, 0};
        if (killAfterMs >= 0 && !p.waitForFinished(killAfterMs)) {
            p.kill();
            p.waitForFinished(10000);
            return {0, true, 0};
        }
        p.waitForFinished(60000);
        const bool killed = p.exitStatus() == QProcess::CrashExit;
        return {killed ? 0 : p.exitCode(), killed, p.readAllStandardOutput().trimmed().toLong()};
    }

private:
    QString folder_;
};

int trialsFromEnvironment()
{
    const int n = qEnvironmentVariableIntValue("GLYPHREEL_CRASH_TRIALS");
    return n > 0 ? n : 25;
}

// The settings file and the three table files of a project.
const char *const kProjectFiles[] = {".td", ".db", ".mb", ".px"};

void removeProject(const QString &folder, const QString &name)
{
    for (const char *ext : kProjectFiles)
        QFile::remove(folder + u'/' + name + QString::fromLatin1(ext));
}

// The child's command killed at each of its crash points, then at random
// moments within spanMs; check runs after every kill.
void killEverywhere(Child &child, const QString &mode, const QString &label, long points, quint32 seed, quint32 spanMs,
                    const std::function<void(const QString &)> &check)
{
    for (long at = 1; at <= points; ++at) {
        QVERIFY2(child.run(mode, 0, at).killed, qPrintable(QStringLiteral("%1: point %2 was not reached").arg(label).arg(at)));
        check(QStringLiteral("%1, point %2").arg(label).arg(at));
    }
    QRandomGenerator rng(seed);
    for (int trial = 0; trial < trialsFromEnvironment(); ++trial) {
        child.run(mode, 0, 0, static_cast<int>(rng.bounded(spanMs)));
        check(QStringLiteral("%1, random trial %2").arg(label).arg(trial));
    }
}

} // namespace

class TestCrash : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void killedSaves();
    void killedSaveAsOntoANewName();
    void killedSaveAsOverAnotherProject();
    void killedNewProjects();
    void killedCreateCommands();

private:
    // The check after each kill: the next open's repairs, then the strict
    // check of the three files and no temporary file left.
    void checkAfterKill(const QString &folder, const QString &name, const QString &context);
    int repairedByOpen_ = 0;
    int temporariesRemoved_ = 0;
    int trials_ = 0;
};

void TestCrash::initTestCase()
{
    TempDir probe;
    Child child(probe.root());
    // Without crash points (a build without the test option) the kills at
    // every point cannot be made.
    project::Project p;
    p.create(probe.path(QStringLiteral("p.td")), false);
    const Trial t = child.run(QStringLiteral("save"), 1, 0);
    QCOMPARE(t.exitCode, 0);
    if (t.points == 0)
        QSKIP("this build has no crash points (configure with GLYPHREEL_CRASH_POINTS=ON)");
}

void TestCrash::checkAfterKill(const QString &folder, const QString &name, const QString &context)
{
    const QString db = folder + u'/' + name + QStringLiteral(".db");
    const bool wholeAsLeft = !QFile::exists(db) || testsupport::checkTableFiles(db).isEmpty();
    const bool temporariesLeft = !leftovers(folder).isEmpty();
    {
        // What the next open does before anything reads the table.
        db::finishInterruptedCommit(db.toStdString());
        QFile::remove(folder + u'/' + name + QStringLiteral(".td.saving"));
        QFile::remove(folder + u'/' + name + QStringLiteral(".td.copying"));
        if (QFile::exists(db))
            db::ParadoxTable::open(db.toStdString())->repairAfterCrash();
    }
    if (!wholeAsLeft)
        ++repairedByOpen_;
    if (temporariesLeft)
        ++temporariesRemoved_;
    if (QFile::exists(db)) {
        const QStringList problems = testsupport::checkTableFiles(db);
        QVERIFY2(problems.isEmpty(), qPrintable(context + QStringLiteral(": ") + problems.join(QStringLiteral("; "))));
    }
    QVERIFY2(leftovers(folder).isEmpty(), qPrintable(context + QStringLiteral(": left ") + leftovers(folder).join(u' ')));
    ++trials_;
}

void TestCrash::killedSaves()
{
    TempDir dir;
    const QString td = dir.path(QStringLiteral("p.td"));
    {
        SpeedView view;
        project::Project p;
        p.addView(&view);
        p.create(td, false);
        makeState(p, view, 0);
        p.save();
    }
    Child child(dir.root());
    int state = 0;
    const Trial full = child.run(QStringLiteral("save"), 1, 0);
    QCOMPARE(full.exitCode, 0);
    state = 1;
    QVERIFY2(full.points >= 12, qPrintable(QString::number(full.points)));
    QElapsedTimer clock;
    // A save writes the settings file after the table, each whole: a kill
    // between the two leaves new frames beside the settings of before.
    int sawOld = 0, sawNew = 0, settingsState = state;
    for (long at = 1; at <= full.points; ++at) {
        const Trial t = child.run(QStringLiteral("save"), state + 1, at);
        QVERIFY2(t.killed, qPrintable(QStringLiteral("point %1 was not reached").arg(at)));
        checkAfterKill(dir.root(), QStringLiteral("p"), QStringLiteral("save, point %1").arg(at));
        const Held held = stateOf(td, settingsState, state + 1);
        QVERIFY2(held.frames == state || held.frames == state + 1, qPrintable(QStringLiteral("point %1: frames of no state").arg(at)));
        QVERIFY2(held.speed >= settingsState, qPrintable(QStringLiteral("point %1: settings of no state").arg(at)));
        (held.frames == state ? sawOld : sawNew)++;
        state = held.frames;
        settingsState = held.speed;
    }
    QVERIFY(sawOld > 0 && sawNew > 0);

    // Random moments: the child killed by the parent while it saves.
    clock.start();
    QCOMPARE(child.run(QStringLiteral("save"), state + 1, 0).exitCode, 0);
    const int span = static_cast<int>(clock.elapsed()) + 20;
    ++state;
    QRandomGenerator rng(2026);
    for (int trial = 0; trial < trialsFromEnvironment(); ++trial) {
        const int delay = static_cast<int>(rng.bounded(static_cast<quint32>(span)));
        child.run(QStringLiteral("save"), state + 1, 0, delay);
        checkAfterKill(dir.root(), QStringLiteral("p"), QStringLiteral("save, killed after %1 ms").arg(delay));
        const Held held = stateOf(td, 0, state + 1);
        QVERIFY2(held.frames == state || held.frames == state + 1, qPrintable(QStringLiteral("trial %1: frames of no state").arg(trial)));
        QVERIFY2(held.speed >= 0, qPrintable(QStringLiteral("trial %1: settings of no state").arg(trial)));
        state = held.frames;
    }
    qInfo("save: %d kills; the next open repaired the table files of %d and removed temporary files of %d", trials_,
          repairedByOpen_, temporariesRemoved_);
}

void TestCrash::killedSaveAsOntoANewName()
{
    TempDir dir;
    const QString p = dir.path(QStringLiteral("p.td")), q = dir.path(QStringLiteral("q.td"));
    {
        SpeedView view;
        project::Project project;
        project.addView(&view);
        project.create(p, false);
        makeState(project, view, 5);
        project.save();
    }
    Child child(dir.root());
    const Trial full = child.run(QStringLiteral("saveas"), 0, 0);
    QCOMPARE(full.exitCode, 0);
    QCOMPARE(stateOf(q, 5, 5).frames, 5);
    auto check = [&](const QString &context) {
        checkAfterKill(dir.root(), QStringLiteral("q"), context);
        // no project or the whole one, and the original as it was
        const bool any = QFile::exists(q) || QFile::exists(dir.path(QStringLiteral("q.db")));
        if (any) {
            for (const char *ext : kProjectFiles)
                QVERIFY2(QFile::exists(dir.path(QStringLiteral("q") + ext)), qPrintable(context + QStringLiteral(": half a project")));
            const Held held = stateOf(q, 5, 5);
            QVERIFY2(held.frames == 5 && held.speed == 5, qPrintable(context));
        }
        QCOMPARE(stateOf(p, 5, 5).frames, 5);
        removeProject(dir.root(), QStringLiteral("q"));
    };
    removeProject(dir.root(), QStringLiteral("q"));
    killEverywhere(child, QStringLiteral("saveas"), QStringLiteral("save as"), full.points, 7, 150, check);
}

void TestCrash::killedSaveAsOverAnotherProject()
{
    TempDir dir;
    const QString p = dir.path(QStringLiteral("p.td")), q = dir.path(QStringLiteral("q.td"));
    auto make = [&](const QString &td, int state) {
        SpeedView view;
        project::Project project;
        project.addView(&view);
        project.create(td, false);
        makeState(project, view, state);
        project.save();
    };
    make(p, 8);
    make(q, 3);
    Child child(dir.root());
    const Trial full = child.run(QStringLiteral("saveas"), 0, 0);
    QCOMPARE(full.exitCode, 0);
    auto check = [&](const QString &context) {
        checkAfterKill(dir.root(), QStringLiteral("q"), context);
        // the old project or the whole new one: frames and settings agree
        const Held held = stateOf(q, 3, 8);
        QVERIFY2((held.frames == 3 && held.speed == 3) || (held.frames == 8 && held.speed == 8),
                 qPrintable(context + QStringLiteral(": frames of state %1, settings of state %2").arg(held.frames).arg(held.speed)));
        QCOMPARE(stateOf(p, 8, 8).frames, 8);
        // back to the old project for the next trial
        removeProject(dir.root(), QStringLiteral("q"));
        make(q, 3);
    };
    removeProject(dir.root(), QStringLiteral("q"));
    make(q, 3);
    killEverywhere(child, QStringLiteral("saveas"), QStringLiteral("save as over"), full.points, 11, 150, check);
}

void TestCrash::killedNewProjects()
{
    TempDir dir;
    const QString r = dir.path(QStringLiteral("r.td"));
    Child child(dir.root());
    const Trial full = child.run(QStringLiteral("create"), 0, 0);
    QCOMPARE(full.exitCode, 0);
    auto check = [&](const QString &context) {
        checkAfterKill(dir.root(), QStringLiteral("r"), context);
        int present = 0;
        for (const char *ext : kProjectFiles)
            present += QFile::exists(dir.path(QStringLiteral("r") + ext));
        QVERIFY2(present == 0 || present == 4, qPrintable(context + QStringLiteral(": %1 of the 4 files").arg(present)));
        if (present == 4) {
            project::Project project;
            project.open(r);
            QVERIFY(project.isRichTable());
            QCOMPARE(project.query().recordCount(), 0);
        }
        removeProject(dir.root(), QStringLiteral("r"));
    };
    removeProject(dir.root(), QStringLiteral("r"));
    killEverywhere(child, QStringLiteral("create"), QStringLiteral("new"), full.points, 13, 60, check);
}

// `glyphreel create` with frames, killed at each point: no project or a
// whole one with every frame.
void TestCrash::killedCreateCommands()
{
    TempDir dir;
    QStringList texts;
    for (int i = 0; i < 5; ++i) {
        const QString t = dir.path(QStringLiteral("f%1.txt").arg(i));
        testsupport::writeAll(t, QByteArray::fromStdString(frameText(1, i * 3)));
        texts << t;
    }
    const QString td = dir.path(QStringLiteral("c/made.td"));
    QVERIFY(QDir(dir.root()).mkpath(QStringLiteral("c")));
    auto run = [&](long at) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("GLYPHREEL_CRASH_AT"), QString::number(at));
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("GLYPHREEL_BINARY"), QStringList{QStringLiteral("create"), td} + texts);
        p.waitForFinished(60000);
        return p.exitStatus() == QProcess::CrashExit;
    };
    int points = 0;
    for (long at = 1; at < 200 && run(at); ++at) {
        ++points;
        checkAfterKill(dir.path(QStringLiteral("c")), QStringLiteral("made"), QStringLiteral("create, point %1").arg(at));
        if (QFile::exists(td)) {
            project::Project project;
            project.open(td);
            // the frames are added after the project is made: none or all
            QVERIFY(project.query().recordCount() == 0 || project.query().recordCount() == 5);
        } else {
            QVERIFY(!QFile::exists(dir.path(QStringLiteral("c/made.db"))));
        }
        QDir(dir.path(QStringLiteral("c"))).removeRecursively();
        QVERIFY(QDir(dir.root()).mkpath(QStringLiteral("c")));
    }
    QVERIFY2(points >= 8, qPrintable(QString::number(points)));
    qInfo("all paths: %d kills; the next open repaired the table files of %d and removed temporary files of %d", trials_,
          repairedByOpen_, temporariesRemoved_);
}

int main(int argc, char **argv)
{
    if (argc >= 2 && std::string(argv[1]) == "--child") {
        QCoreApplication app(argc, argv);
        QStringList args;
        for (int i = 2; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        try {
            return runChild(args);
        } catch (const std::exception &e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 3;
        }
    }
    QCoreApplication app(argc, argv);
    TestCrash test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_crash.moc"
