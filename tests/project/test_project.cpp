// A project's files: names that follow from the settings file's path, the
// SQL texts, the new-project settings, and the create, frames and dump
// commands run as users run them.

#include "platform/rtf/RtfWriter.h"
#include "platform/text/Cp932.h"
#include "platform/rtf/RtfDocument.h"
#include "platform/text/ProfileFile.h"
#include "project/Project.h"
#include "project/ProjectError.h"
#include "project/ProjectFiles.h"
#include "project/Settings.h"
#include "support/Files.h"
#include "support/TempDir.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

using namespace glyphreel::project;

using testsupport::readAll;
using testsupport::writeAll;

namespace {

QByteArray sha(const QByteArray &b)
{
    return QCryptographicHash::hash(b, QCryptographicHash::Sha256).toHex();
}

} // namespace

class TestProject : public QObject {
    Q_OBJECT
private slots:
    void namesFollowFromTheSettingsFile_data();
    void namesFollowFromTheSettingsFile();
    void sqlTexts();
    void newProjectWritesNineKeysInOrder();
    void createFramesAndDump();
    void richProjectsStoreRtf();
    void failuresExitWithOneLine_data();
    void failuresExitWithOneLine();
    void textFilesForProjects();
    void projectVerbsWithoutWindows();
    void saveAsCopiesThroughTemporaryNames();
    void soundDoesNotTakeTheSignals();
};

void TestProject::namesFollowFromTheSettingsFile_data()
{
    QTest::addColumn<QString>("td");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("create");
    QTest::newRow("plain") << "/home/u/movies/movie.td" << "/home/u/movies" << "movie.db" << "movie";
    QTest::newRow("root keeps its slash") << "/movie.td" << "/" << "movie.db" << "movie";
    QTest::newRow("japanese name") << "/p/アニメ.td" << "/p" << "アニメ.db" << "アニメ";
    QTest::newRow("two dots") << "/p/my.movie.td" << "/p" << "my.movie.db" << "my.movie";
    QTest::newRow("no extension") << "/p/movie" << "/p" << "movie.db" << "movie";
}

void TestProject::namesFollowFromTheSettingsFile()
{
    QFETCH(QString, td);
    QFETCH(QString, folder);
    QFETCH(QString, open);
    QFETCH(QString, create);
    QCOMPARE(databaseName(td), folder);
    QCOMPARE(openTableName(td), open);
    QCOMPARE(createTableName(td), create);
}

void TestProject::sqlTexts()
{
    QCOMPARE(createTableSql(QStringLiteral("movie"), false),
             QStringLiteral("CREATE TABLE movie (RENO AUTOINC, MEM2 BLOB(0,1), SND1 BOOLEAN, SND2 BOOLEAN, SND3 BOOLEAN, SND4 BOOLEAN, "
                            "SND5 BOOLEAN, SND6 BOOLEAN, PRIMARY KEY(RENO))"));
    QCOMPARE(createTableSql(QStringLiteral("movie"), true),
             QStringLiteral("CREATE TABLE movie (RENO AUTOINC, MEM2 BLOB(0,3), SND1 BOOLEAN, SND2 BOOLEAN, SND3 BOOLEAN, SND4 BOOLEAN, "
                            "SND5 BOOLEAN, SND6 BOOLEAN, PRIMARY KEY(RENO))"));
    QCOMPARE(selectSql(QStringLiteral("movie.db")), QStringLiteral("SELECT * FROM movie.db"));
}

void TestProject::newProjectWritesNineKeysInOrder()
{
    TempDir dir;
    const QString td = dir.path(QStringLiteral("movie.td"));
    // whatever font the editor shows, a new project names the base font;
    // its text is white, not black on the black background
    Settings current;
    current.normalFont = QStringLiteral("Other");
    current.normalSize = 12;
    current.normalColor = 0xFF;
    current.speed = 7;
    std::string bytes;
    const Settings written = newProjectSettings(td, false, current, bytes);
    QCOMPARE(written.normalColor, 0x00FFFFFF);
    writeAll(td, QByteArray::fromStdString(bytes));
    QCOMPARE(readAll(td), QByteArray("[Setting]\r\nTextType=0\r\nNormalFont=\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E\r\n"
                                     "NormalSize=4\r\nNormalColor=16777215\r\nPreviewHeight=480\r\nPreviewWidth=640\r\nBackColor=0\r\n"
                                     "Speed=7\r\nLoop=1\r\n"));
}

void TestProject::createFramesAndDump()
{
    TempDir dir;
    const QString a = dir.path(QStringLiteral("a.txt")), b = dir.path(QStringLiteral("b.txt")), c = dir.path(QStringLiteral("c.txt"));
    writeAll(a, QStringLiteral("ＭＳ ゴシック\n二行目\n").toUtf8());
    writeAll(b, QByteArray());
    QByteArray big;
    for (int i = 0; i < 400; ++i)
        big += QStringLiteral("齲齲齲齲齲齲齲齲齲齲\r\n").toUtf8();
    writeAll(c, big);
    const QString td = dir.path(QStringLiteral("movie.td"));
    const testsupport::Run created = testsupport::runGlyphreel({QStringLiteral("create"), td, a, b, c});
    QCOMPARE(created.exitCode, 0);
    QVERIFY(created.err.isEmpty());
    for (const char *f : {"movie.td", "movie.db", "movie.mb", "movie.px"})
        QVERIFY2(QFile::exists(dir.path(f)), f);

    const QByteArray textA = QByteArray::fromStdString(glyphreel::text::encodeCp932(QStringLiteral("ＭＳ ゴシック\r\n二行目\r\n")));
    const QByteArray textC = QByteArray::fromStdString(glyphreel::text::encodeCp932(QString::fromUtf8(big)));
    const testsupport::Run frames = testsupport::runGlyphreel({QStringLiteral("frames"), td});
    QCOMPARE(frames.exitCode, 0);
    const QList<QByteArray> lines = frames.out.split('\n');
    QCOMPARE(lines.size(), 4); // three frames and the end
    QCOMPARE(lines[0], "1\t0\t0\t0\t0\t0\t0\t" + QByteArray::number(textA.size()) + "\t" + sha(textA));
    QCOMPARE(lines[1], "2\t0\t0\t0\t0\t0\t0\t0\t" + sha(QByteArray()));
    QCOMPARE(lines[2], "3\t0\t0\t0\t0\t0\t0\t" + QByteArray::number(textC.size()) + "\t" + sha(textC));

    const QString out = dir.path(QStringLiteral("dump"));
    QCOMPARE(testsupport::runGlyphreel({QStringLiteral("dump"), td, out}).exitCode, 0);
    QCOMPARE(readAll(out + QStringLiteral("/1.txt")), textA);
    QCOMPARE(readAll(out + QStringLiteral("/2.txt")), QByteArray());
    QCOMPARE(readAll(out + QStringLiteral("/3.txt")), textC);
}

void TestProject::richProjectsStoreRtf()
{
    TempDir dir;
    const QString a = dir.path(QStringLiteral("a.txt"));
    writeAll(a, QStringLiteral("表示 {x} \\ ok\n").toUtf8());
    const QString td = dir.path(QStringLiteral("rich.td"));
    QCOMPARE(testsupport::runGlyphreel({QStringLiteral("create"), td, QStringLiteral("--rich"), a}).exitCode, 0);
    QVERIFY(readAll(td).contains("TextType=0\r\n"));
    QCOMPARE(testsupport::runGlyphreel({QStringLiteral("dump"), td, dir.path(QStringLiteral("out"))}).exitCode, 0);
    const QByteArray rtf = readAll(dir.path(QStringLiteral("out/1.rtf")));
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg932"));
    QVERIFY(rtf.contains("\\fs8\\'95\\'5c\\'8e\\'a6 \\{x\\} \\\\ ok\r\n\\par }\r\n"));
    QCOMPARE(rtf, QByteArray::fromStdString(glyphreel::rtf::plainTextToRtf(
                      glyphreel::text::encodeCp932(QStringLiteral("表示 {x} \\ ok\r\n")))));

    // the control's own streams go in as they are, beside text frames
    const QString stream = QStringLiteral(GLYPHREEL_FIXTURES "/rtf/exB_colours.rtf");
    const QString td2 = dir.path(QStringLiteral("old.td"));
    QCOMPARE(testsupport::runGlyphreel({QStringLiteral("create"), td2, QStringLiteral("--rich"), stream, a}).exitCode, 0);
    QCOMPARE(testsupport::runGlyphreel({QStringLiteral("dump"), td2, dir.path(QStringLiteral("old"))}).exitCode, 0);
    QCOMPARE(readAll(dir.path(QStringLiteral("old/1.rtf"))), readAll(stream));
    QCOMPARE(readAll(dir.path(QStringLiteral("old/2.rtf"))), rtf);
}

void TestProject::failuresExitWithOneLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing project") << QStringList{"frames", "@/none.td"} << 1 << "がありません";
    QTest::newRow("not a project") << QStringList{"frames", "@/lonely.td"} << 1 << "lonely.db";
    QTest::newRow("damaged table") << QStringList{"frames", "@/broken.td"} << 1 << "broken.db";
    QTest::newRow("existing project") << QStringList{"create", "@/broken.td"} << 1 << "すでにあります";
    QTest::newRow("text not in CP932") << QStringList{"create", "@/new.td", "@/emoji.txt"} << 1 << "「\U0001F600」 U+1F600";
    QTest::newRow("unknown option") << QStringList{"create", "@/new.td", "--fancy"} << 2 << "--fancy";
    QTest::newRow("dump without folder") << QStringList{"dump", "@/broken.td"} << 2 << "フォルダー";
    QTest::newRow("frames without project") << QStringList{"frames"} << 2 << "プロジェクトが指定されていません";
}

void TestProject::failuresExitWithOneLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    TempDir dir;
    writeAll(dir.path(QStringLiteral("lonely.td")), "[Setting]\r\nTextType=1\r\n");
    writeAll(dir.path(QStringLiteral("broken.td")), "[Setting]\r\nTextType=1\r\n");
    writeAll(dir.path(QStringLiteral("broken.db")), QByteArray(100, '\x07'));
    writeAll(dir.path(QStringLiteral("emoji.txt")), QStringLiteral("\U0001F600").toUtf8());
    for (QString &a : arguments)
        a.replace(QStringLiteral("@"), dir.root());
    const testsupport::Run run = testsupport::runGlyphreel(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
    QVERIFY(!QFile::exists(dir.path(QStringLiteral("new.td"))));
    QVERIFY(!QFile::exists(dir.path(QStringLiteral("new.db"))));
}

// What create makes of text files: UTF-8 only, any line ends, characters
// beyond CP932 kept in a rich project and named in a normal one.
void TestProject::textFilesForProjects()
{
    TempDir dir;
    const QString emoji = dir.path(QStringLiteral("emoji.txt"));
    writeAll(emoji, QStringLiteral("笑顔😀\r\n𠮷野家\n").toUtf8());
    const QString rich = dir.path(QStringLiteral("rich.td"));
    QCOMPARE(testsupport::runGlyphreel({QStringLiteral("create"), rich, QStringLiteral("--rich"), emoji}).exitCode, 0);
    QCOMPARE(testsupport::runGlyphreel({QStringLiteral("dump"), rich, dir.path(QStringLiteral("out"))}).exitCode, 0);
    const QByteArray stream = readAll(dir.path(QStringLiteral("out/1.rtf")));
    QVERIFY(stream.contains("\\u-10179?\\u-8704?"));
    QCOMPARE(glyphreel::rtf::readRtf(stream.toStdString()).plainText(), QStringLiteral("笑顔😀\n𠮷野家"));

    const testsupport::Run normal = testsupport::runGlyphreel({QStringLiteral("create"), dir.path(QStringLiteral("n.td")), emoji});
    QCOMPARE(normal.exitCode, 1);
    QVERIFY2(QString::fromUtf8(normal.err).contains(QStringLiteral("「😀」 U+1F600")), normal.err.constData());

    const QString latin1 = dir.path(QStringLiteral("latin1.txt"));
    writeAll(latin1, "caf\xe9\n");
    const testsupport::Run notUtf8 = testsupport::runGlyphreel({QStringLiteral("create"), dir.path(QStringLiteral("l.td")), latin1});
    QCOMPARE(notUtf8.exitCode, 1);
    QVERIFY2(notUtf8.err.contains("UTF-8") && !notUtf8.err.contains("FFFD"), notUtf8.err.constData());
    QVERIFY(!QFile::exists(dir.path(QStringLiteral("l.td"))));

    // a name without an extension gets .td, as the file dialog gives it
    QCOMPARE(testsupport::runGlyphreel({QStringLiteral("create"), dir.path(QStringLiteral("noext"))}).exitCode, 0);
    QVERIFY(QFile::exists(dir.path(QStringLiteral("noext.td"))));
    QVERIFY(!QFile::exists(dir.path(QStringLiteral("noext"))));
    // names with brackets, commas and quotes make working projects
    const QString odd = dir.path(QStringLiteral("copy (2), \"final\".td"));
    QCOMPARE(testsupport::runGlyphreel({QStringLiteral("create"), odd, emoji, QStringLiteral("--rich")}).exitCode, 0);
    QCOMPARE(testsupport::runGlyphreel({QStringLiteral("frames"), odd}).out.count('\n'), 1);
    // and so does a name that looks like a placeholder of a message
    const QString percent = dir.path(QStringLiteral("100%2 %1.td"));
    QCOMPARE(testsupport::runGlyphreel({QStringLiteral("create"), percent, QStringLiteral("--rich")}).exitCode, 0);
    QVERIFY(QFile::exists(dir.path(QStringLiteral("100%2 %1.db"))));
    QCOMPARE(testsupport::runGlyphreel({QStringLiteral("dump"), percent, dir.path(QStringLiteral("pct"))}).exitCode, 0);
}

// The verbs the windows use, without windows.
void TestProject::projectVerbsWithoutWindows()
{
    TempDir dir;
    const QString td = dir.path(QStringLiteral("verbs.td"));
    {
        Project p;
        QStringList types;
        QObject::connect(&p, &Project::textTypeChanged, [&](bool normal) { types << (normal ? "normal" : "rich"); });
        p.create(td, true);
        QCOMPARE(types, QStringList{"rich"});
        QVERIFY(p.isOpen() && p.isRichTable());
        QVERIFY(!p.hasUnsavedWork());
        p.query().edit();
        p.query().setFieldValue("MEM2", glyphreel::db::Value::bytes(glyphreel::rtf::plainTextToRtf("x")));
        QVERIFY(p.hasUnsavedWork()); // being typed into counts
        int asked = 0;
        QVERIFY(!p.settleUnsavedWork([&] { ++asked; return Project::Answer::Cancel; }, [] { return true; }));
        QVERIFY(p.settleUnsavedWork([&] { ++asked; return Project::Answer::Save; }, [&] { p.save(); return true; }));
        QCOMPARE(asked, 2);
        QVERIFY(!p.hasUnsavedWork());
        QVERIFY(p.settleUnsavedWork([&] { ++asked; return Project::Answer::Cancel; }, [] { return false; }));
        QCOMPARE(asked, 2); // nothing to lose, nothing asked
    }
    // saved without windows, it is still a rich project with its frame
    QVERIFY(readAll(td).contains("TextType=0\r\n"));
    QVERIFY(readAll(td).contains("Track6=\r\n"));
    Project q;
    bool normal = true;
    QObject::connect(&q, &Project::textTypeChanged, [&](bool n) { normal = n; });
    q.open(td);
    QVERIFY(!normal);
    QCOMPARE(q.query().recordCount(), 1);
    // saving what has not changed writes no table file
    const QByteArray db = readAll(dir.path(QStringLiteral("verbs.db")));
    const QFileInfo before(dir.path(QStringLiteral("verbs.db")));
    q.save();
    QCOMPARE(QFileInfo(dir.path(QStringLiteral("verbs.db"))).lastModified(), before.lastModified());
    QCOMPARE(readAll(dir.path(QStringLiteral("verbs.db"))), db);
    // a project that is not open cannot be saved, and says so
    q.close();
    try {
        q.save();
        QFAIL("saved a closed project");
    } catch (const ProjectError &e) {
        QVERIFY(QString::fromUtf8(e.what()).contains(QStringLiteral("開かれていない")));
    }
}

// A failed copy leaves the target folder as it was: no half table, no
// temporary file, the files there untouched.
void TestProject::saveAsCopiesThroughTemporaryNames()
{
    TempDir dir;
    QVERIFY(QDir(dir.root()).mkpath(QStringLiteral("to")));
    writeAll(dir.path(QStringLiteral("to/b.db")), "old records");
    writeAll(dir.path(QStringLiteral("to/b.mb")), "old blobs");
    writeAll(dir.path(QStringLiteral("to/b.td")), "[Setting]\r\n");
    Project p;
    p.create(dir.path(QStringLiteral("a.td")), false);
    p.query().append();
    p.query().setFieldValue("MEM2", glyphreel::db::Value::bytes("frame"));
    p.query().post();
    p.save();
    QVERIFY(QFile::remove(dir.path(QStringLiteral("a.px"))));
    try {
        p.saveAs(dir.path(QStringLiteral("to/b.td")));
        QFAIL("copied a table without its index");
    } catch (const std::exception &e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(QStringLiteral("a.px")), e.what());
    }
    QCOMPARE(QDir(dir.path(QStringLiteral("to"))).entryList(QDir::Files), (QStringList{"b.db", "b.mb", "b.td"}));
    QCOMPARE(readAll(dir.path(QStringLiteral("to/b.db"))), QByteArray("old records"));
    QCOMPARE(p.path(), dir.path(QStringLiteral("a.td")));
    QVERIFY(p.isOpen());
}

// SDL would take SIGTERM for its own quit event once sound is up: the
// application must still end when it is asked to.
void TestProject::soundDoesNotTakeTheSignals()
{
    TempDir dir;
    const QString td = dir.path(QStringLiteral("sound.td"));
    QVERIFY(testsupport::makeSound(dir.path(QStringLiteral("tone.wav")), 5));
    QCOMPARE(testsupport::runGlyphreel({QStringLiteral("create"), td}).exitCode, 0);
    glyphreel::text::ProfileFile(td).writeString(QStringLiteral("Setting"), QStringLiteral("Track1"), QStringLiteral("tone.wav"));
    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    app.setProcessEnvironment(env);
    app.start(qEnvironmentVariable("GLYPHREEL_BINARY"), {td});
    QVERIFY(app.waitForStarted(10000));
    QTest::qWait(3000); // the project and its track are loaded
    QCOMPARE(app.state(), QProcess::Running);
    app.terminate();
    QVERIFY2(app.waitForFinished(10000), "SIGTERM did not end the application");
}

QTEST_GUILESS_MAIN(TestProject)
#include "test_project.moc"
