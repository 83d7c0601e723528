// `glyphreel import-picture` and `glyphreel import-movie`, run as users run
// them: the frames they append (the bytes the import windows store), their
// exit status and one-line messages, and table files left untouched by a
// failure.

#include "convert/ArtMemo.h"
#include "convert/Bmp2str.h"
#include "platform/bitmap/PictureFile.h"
#include "support/BmpBuilder.h"
#include "support/FfmpegPictures.h"
#include "support/Files.h"
#include "support/Projects.h"
#include "support/TempDir.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QtTest>

using namespace glyphreel;

namespace {

const QString kMovies = QStringLiteral(GLYPHREEL_MOVIES);

testsupport::Run run(const QStringList &arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return testsupport::runGlyphreel(arguments, env);
}

QString makeProject(const TempDir &dir, bool rich)
{
    const QString td = dir.path(QStringLiteral("movie.td"));
    const testsupport::Run r = run(rich ? QStringList{"create", td, "--rich"} : QStringList{"create", td});
    return r.exitCode == 0 ? td : QString();
}

std::vector<std::string> frames(const TempDir &dir)
{
    return testsupport::frameMemos(dir.root(), QStringLiteral("movie.db"));
}

QByteArray tableDigest(const TempDir &dir)
{
    QCryptographicHash h(QCryptographicHash::Sha256);
    for (const char *name : {"movie.db", "movie.mb", "movie.px", "movie.td"})
        h.addData(testsupport::readAll(dir.path(QString::fromLatin1(name))));
    return h.result();
}

QString writePicture(const TempDir &dir, const char *name, int w, int h, int seed)
{
    const QString path = dir.path(QString::fromLatin1(name));
    testsupport::writeFile(path, testsupport::buildBmp(testsupport::Picture::filled(w, h, [&](int x, int y) {
        const auto v = static_cast<std::uint8_t>((x * 13 + y * 7 + seed * 50) % 256);
        return testsupport::Rgb{v, v, static_cast<std::uint8_t>(255 - v)};
    })));
    return path;
}

std::string art(const QString &picture, int pixelWidth = 3, bool half = false, bool invert = true)
{
    bitmap::Bitmap b = bitmap::loadPictureFile(picture);
    return convert::BmpToString(b, pixelWidth, half, invert);
}

} // namespace

class TestImportCommand : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void picturesAppendInOrderWithTheWindowDefaults();
    void optionsAndRichProjects();
    void movieRangesAppendTheirPositions();
    void failuresLeaveTheTableUntouched_data();
    void failuresLeaveTheTableUntouched();
};

void TestImportCommand::initTestCase()
{
    QVERIFY2(QFileInfo(qEnvironmentVariable("GLYPHREEL_BINARY")).isExecutable(), "GLYPHREEL_BINARY is not set");
    QVERIFY(QFile::exists(kMovies + QStringLiteral("/bgr.avi")));
}

void TestImportCommand::picturesAppendInOrderWithTheWindowDefaults()
{
    TempDir dir;
    const QString td = makeProject(dir, false);
    QVERIFY(!td.isEmpty());
    const QString a = writePicture(dir, "a.bmp", 30, 20, 1), b = writePicture(dir, "b.bmp", 17, 9, 2);
    const testsupport::Run r = run({"import-picture", td, b, a});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.err.isEmpty()); // no progress line when not on a terminal
    QCOMPARE(frames(dir), (std::vector<std::string>{art(b), art(a)}));
    // a second run appends after them
    QCOMPARE(run({"import-picture", td, a}).exitCode, 0);
    QCOMPARE(frames(dir).size(), std::size_t(3));
    QCOMPARE(frames(dir).back(), art(a));
}

void TestImportCommand::optionsAndRichProjects()
{
    TempDir dir;
    const QString td = makeProject(dir, true);
    QVERIFY(!td.isEmpty());
    const QString a = writePicture(dir, "a.bmp", 30, 20, 3);
    QCOMPARE(run({"import-picture", td, a, "--pixel-width", "2", "--half-width", "--no-invert"}).exitCode, 0);
    QCOMPARE(frames(dir), std::vector<std::string>{convert::artMemo(art(a, 2, true, false), true)});
}

void TestImportCommand::movieRangesAppendTheirPositions()
{
    TempDir dir;
    const QString td = makeProject(dir, false);
    const QString movie = kMovies + QStringLiteral("/bgr.avi");
    const testsupport::Run r = run({"import-movie", td, movie, "--start", "10", "--end", "20", "--step", "3"});
    QCOMPARE(r.exitCode, 0);
    std::vector<std::string> expected;
    for (int p : {10, 13, 16, 19}) {
        bitmap::Bitmap b = testsupport::ffmpegPicture(movie, p);
        expected.push_back(convert::BmpToString(b, 3, false, true));
    }
    QCOMPARE(frames(dir), expected);
    // defaults: the whole movie
    QCOMPARE(run({"import-movie", td, movie}).exitCode, 0);
    QCOMPARE(frames(dir).size(), std::size_t(4 + 40));
    bitmap::Bitmap last = testsupport::ffmpegPicture(movie, 39);
    QCOMPARE(frames(dir).back(), convert::BmpToString(last, 3, false, true));
}

void TestImportCommand::failuresLeaveTheTableUntouched_data()
{
    QTest::addColumn<QStringList>("arguments"); // PROJECT is replaced by the project
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("named"); // what the message names
    const QString m = kMovies;
    QTest::newRow("missing picture") << QStringList{"import-picture", "PROJECT", "PICTURE", m + "/nothere.bmp"} << 1
                                     << "nothere.bmp";
    QTest::newRow("not a picture") << QStringList{"import-picture", "PROJECT", m + "/notamovie.avi"} << 1 << "notamovie.avi";
    QTest::newRow("missing movie") << QStringList{"import-movie", "PROJECT", m + "/nothere.avi"} << 1 << "nothere.avi";
    QTest::newRow("not a movie") << QStringList{"import-movie", "PROJECT", m + "/notamovie.avi"} << 1 << "notamovie.avi";
    QTest::newRow("no video") << QStringList{"import-movie", "PROJECT", m + "/audio.mkv"} << 1 << "audio.mkv";
    QTest::newRow("start beyond") << QStringList{"import-movie", "PROJECT", m + "/bgr.avi", "--start", "40"} << 1
                                  << "bgr.avi";
    QTest::newRow("end beyond") << QStringList{"import-movie", "PROJECT", m + "/bgr.avi", "--end", "99"} << 1 << "bgr.avi";
    QTest::newRow("fails half-way") << QStringList{"import-movie", "PROJECT", m + "/truncated.avi"} << 1 << "truncated.avi";
    QTest::newRow("bad pixel width") << QStringList{"import-picture", "PROJECT", "PICTURE", "--pixel-width", "0"} << 2
                                     << "--pixel-width";
    QTest::newRow("step zero") << QStringList{"import-movie", "PROJECT", m + "/bgr.avi", "--step", "0"} << 2 << "--step";
    QTest::newRow("unknown option") << QStringList{"import-movie", "PROJECT", m + "/bgr.avi", "--fast"} << 2 << "--fast";
    QTest::newRow("no movie") << QStringList{"import-movie", "PROJECT"} << 2 << "import-movie";
}

void TestImportCommand::failuresLeaveTheTableUntouched()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, named);
    TempDir dir;
    const QString td = makeProject(dir, false);
    const QString picture = writePicture(dir, "ok.bmp", 9, 6, 4);
    QCOMPARE(run({"import-picture", td, picture}).exitCode, 0);
    const QByteArray before = tableDigest(dir);
    arguments.replaceInStrings(QStringLiteral("PROJECT"), td);
    arguments.replaceInStrings(QStringLiteral("PICTURE"), picture);
    const testsupport::Run r = run(arguments);
    QCOMPARE(r.exitCode, status);
    const QString message = QString::fromUtf8(r.err);
    QCOMPARE(message.count(u'\n'), 1);
    QVERIFY2(message.contains(named), qPrintable(message));
    QCOMPARE(tableDigest(dir), before);
    QCOMPARE(frames(dir).size(), std::size_t(1));
}

QTEST_GUILESS_MAIN(TestImportCommand)
#include "test_import_command.moc"
