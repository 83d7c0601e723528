// Reading movies frame by frame: every position's picture against the one
// ffmpeg itself decodes from the same file (the movies are made by ffmpeg in
// the "movies" fixture), seeking back and forth across key frames and
// B-frames, the worker that decodes a run ahead, damaged and wrong files,
// and the player control.

#include "platform/movie/FrameReader.h"
#include "platform/movie/MoviePlayer.h"
#include "platform/movie/MovieSource.h"
#include "support/Files.h"
#include "support/TempDir.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QSlider>
#include <QToolButton>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <climits>
#include <map>
#include <set>

using glyphreel::bitmap::Bitmap;
using glyphreel::bitmap::PixelFormat;
using glyphreel::movie::FrameReader;
using glyphreel::movie::MovieError;
using glyphreel::movie::MoviePlayer;
using glyphreel::movie::MovieSource;

namespace {

QString movie(const char *name)
{
    return QStringLiteral(GLYPHREEL_MOVIES "/") + QString::fromLatin1(name);
}

std::string moviePath(const char *name)
{
    return movie(name).toStdString();
}

QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
        return {};
    }
    return process.readAllStandardOutput();
}

// What ffprobe says of the first video stream: its size, the frames it
// decodes (-count_frames) and which of them are key frames.
struct Probe {
    int width = 0;
    int height = 0;
    int frames = 0;
    std::vector<int> keyPositions; // positions whose decoded frame is a key frame
};

Probe probe(const QString &path)
{
    Probe p;
    const QByteArray out = run(QStringLiteral("ffprobe"),
                               {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
                                QStringLiteral("-select_streams"), QStringLiteral("v:0"), QStringLiteral("-show_entries"),
                                QStringLiteral("stream=width,height,nb_read_frames:frame=key_frame"), QStringLiteral("-of"),
                                QStringLiteral("default=nw=1"), path});
    int listed = 0;
    for (const QByteArray &line : out.split('\n')) {
        if (line.startsWith("width="))
            p.width = line.mid(6).toInt();
        else if (line.startsWith("height="))
            p.height = line.mid(7).toInt();
        else if (line.startsWith("nb_read_frames="))
            p.frames = line.mid(15).toInt();
        else if (line.startsWith("key_frame=")) {
            if (line.mid(10).toInt() == 1)
                p.keyPositions.push_back(listed);
            ++listed;
        }
    }
    if (listed != p.frames)
        qWarning("ffprobe counts %d frames but lists %d", p.frames, listed);
    return p;
}

QStringList decodeArguments(const QString &path)
{
    return {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
            QStringLiteral("-map"), QStringLiteral("0:v:0")};
}

// Every frame ffmpeg decodes from the movie, as bgr24 rows without padding.
struct Reference {
    int width = 0;
    int height = 0;
    QByteArray bytes;

    int count() const { return width > 0 ? static_cast<int>(bytes.size() / (width * height * 3)) : 0; }
    const std::uint8_t *frame(int position) const
    {
        return reinterpret_cast<const std::uint8_t *>(bytes.constData()) + static_cast<qsizetype>(position) * width * height * 3;
    }
};

const Reference &reference(const QString &path)
{
    static std::map<QString, Reference> cache;
    auto it = cache.find(path);
    if (it != cache.end())
        return it->second;
    Reference r;
    const Probe p = probe(path);
    r.width = p.width;
    r.height = p.height;
    r.bytes = run(QStringLiteral("ffmpeg"), decodeArguments(path) + QStringList{
                                                QStringLiteral("-vsync"), QStringLiteral("passthrough"),
                                                QStringLiteral("-pix_fmt"), QStringLiteral("bgr24"),
                                                QStringLiteral("-f"), QStringLiteral("rawvideo"), QStringLiteral("-")});
    return cache.emplace(path, std::move(r)).first->second;
}

const Reference &reference(const char *name)
{
    return reference(movie(name));
}

// The picture of position P exactly as asked of ffmpeg by select.
QByteArray selected(const QString &path, int position)
{
    return run(QStringLiteral("ffmpeg"), decodeArguments(path) + QStringList{
                                             QStringLiteral("-vf"), QStringLiteral("select=eq(n\\,%1)").arg(position),
                                             QStringLiteral("-frames:v"), QStringLiteral("1"), QStringLiteral("-pix_fmt"),
                                             QStringLiteral("bgr24"), QStringLiteral("-f"), QStringLiteral("rawvideo"),
                                             QStringLiteral("-")});
}

// The largest difference of a channel between the picture and ffmpeg's.
int difference(const Bitmap &b, const std::uint8_t *expected)
{
    int most = 0;
    const int rowBytes = b.width() * 3;
    for (int y = 0; y < b.height(); ++y) {
        const std::uint8_t *row = b.row(y);
        const std::uint8_t *want = expected + static_cast<std::ptrdiff_t>(y) * rowBytes;
        for (int i = 0; i < rowBytes; ++i)
            most = std::max(most, std::abs(int(row[i]) - int(want[i])));
    }
    return most;
}

int maxBetween(const Reference &r, int a, int b)
{
    int most = 0;
    const qsizetype n = static_cast<qsizetype>(r.width) * r.height * 3;
    for (qsizetype i = 0; i < n; ++i)
        most = std::max(most, std::abs(int(r.frame(a)[i]) - int(r.frame(b)[i])));
    return most;
}

Bitmap fromImage(const QImage &image)
{
    const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
    Bitmap b(bgr.width(), bgr.height(), PixelFormat::Bgr24);
    for (int y = 0; y < bgr.height(); ++y)
        std::memcpy(b.row(y), bgr.constScanLine(y), static_cast<std::size_t>(bgr.width()) * 3);
    return b;
}

// Checks the picture read at a position against ffmpeg's. The reader
// converts as ffmpeg's command line does, so the two are the same to the
// last bit, for RGB and YUV movies alike (measured: not one level apart in
// any of these movies). Returns whether a neighbouring position differs,
// that is whether an off-by-one would have been caught here.
bool expectPicture(const Bitmap &b, const Reference &r, int position)
{
    if (b.width() != r.width || b.height() != r.height || b.format() != PixelFormat::Bgr24) {
        QTest::qFail(qPrintable(QStringLiteral("position %1: picture is %2 x %3").arg(position).arg(b.width()).arg(b.height())),
                     __FILE__, __LINE__);
        return false;
    }
    if (const int d = difference(b, r.frame(position)); d != 0) {
        QTest::qFail(qPrintable(QStringLiteral("position %1 differs from ffmpeg's by up to %2").arg(position).arg(d)),
                     __FILE__, __LINE__);
        return false;
    }
    for (int neighbour : {position - 1, position + 1})
        if (neighbour >= 0 && neighbour < r.count() && maxBetween(r, position, neighbour) > 0)
            return true;
    return false;
}

} // namespace

class TestMovie : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void reportsSizeLengthAndRate_data();
    void reportsSizeLengthAndRate();
    void openingReadsOnlyWhatTheCountNeeds();
    void rgbMovieAtEveryPositionInAnyOrder();
    void selectAndFullDecodeAgree();
    void positionsMatchFfmpegAcrossKeyFrames_data();
    void positionsMatchFfmpegAcrossKeyFrames();
    void readingInOrderNeverSeeks_data();
    void readingInOrderNeverSeeks();
    void framesShownBeforeTheirKeyFrame();
    void indexThatMarksEveryFrameKey();
    void outputBitmapIsReusedAndReplaced();
    void positionsBeyond32767();
    void badFilesRaiseNamedErrors_data();
    void badFilesRaiseNamedErrors();
    void positionsOutsideAreRefused();
    void truncatedAviReadsUpToTheCut();
    void openingAnotherMovieAndClosing();

    void frameReaderGivesTheRun_data();
    void frameReaderGivesTheRun();
    void frameReaderReusesTheTakersBitmaps();
    void frameReaderRethrowsInTurn();
    void frameReaderStopsPromptly();
    void frameReaderRefusesBadArguments();

    void playerOpensShowsAndCloses();
    void playerPlaysAndStops();
    void playerSliderShowsPosition();
    void playerCopiesToClipboard();
    void playerPaintsLetterboxed();
    void playerRefusesBadFileAndStaysClosed();
};

void TestMovie::initTestCase()
{
    QVERIFY2(QFile::exists(movie("mpeg4.avi")), "the movies fixture (make_movies) has not run");
}

void TestMovie::reportsSizeLengthAndRate_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("rate");
    QTest::newRow("bgr.avi") << QStringLiteral("bgr.avi") << 25.0;
    QTest::newRow("mpeg4.avi") << QStringLiteral("mpeg4.avi") << 25.0;
    QTest::newRow("clip.mp4") << QStringLiteral("clip.mp4") << 25.0;
    QTest::newRow("clip.mkv") << QStringLiteral("clip.mkv") << 25.0;
    QTest::newRow("clip.webm") << QStringLiteral("clip.webm") << 30.0;
    QTest::newRow("mjpeg.avi") << QStringLiteral("mjpeg.avi") << 10.0;
    QTest::newRow("ten-bit.mkv") << QStringLiteral("ten-bit.mkv") << 25.0;
    QTest::newRow("clip.ts") << QStringLiteral("clip.ts") << 25.0;
    QTest::newRow("raw.h264") << QStringLiteral("raw.h264") << 25.0;
    QTest::newRow("long.mkv") << QStringLiteral("long.mkv") << 100.0;
}

void TestMovie::reportsSizeLengthAndRate()
{
    QFETCH(QString, name);
    QFETCH(double, rate);
    if (!QFile::exists(movie(name.toLatin1().constData())))
        QSKIP("this ffmpeg cannot make the movie (no libx264)");
    const Probe expected = probe(movie(name.toLatin1().constData()));
    QVERIFY(expected.frames > 0);
    MovieSource source;
    QVERIFY(!source.isOpen());
    QCOMPARE(source.length(), 0);
    source.open(moviePath(name.toLatin1().constData()));
    QVERIFY(source.isOpen());
    QCOMPARE(source.path(), moviePath(name.toLatin1().constData()));
    QCOMPARE(source.width(), expected.width);
    QCOMPARE(source.height(), expected.height);
    QCOMPARE(source.frameCount(), expected.frames);
    QCOMPARE(source.length(), expected.frames - 1);
    QCOMPARE(source.frameRate(), rate);
    QCOMPARE(source.seekCount(), 0);
}

// AVI counts its frames in the header: opening reads the header and the
// index, not the movie. Matroska does not: opening reads every packet (all
// but the index of cues at the end).
void TestMovie::openingReadsOnlyWhatTheCountNeeds()
{
    auto bytesRead = [] {
        QFile io(QStringLiteral("/proc/self/io"));
        if (!io.open(QIODevice::ReadOnly))
            return qint64(-1);
        for (const QByteArray &line : io.readAll().split('\n'))
            if (line.startsWith("rchar:"))
                return line.mid(6).trimmed().toLongLong();
        return qint64(-1);
    };
    if (bytesRead() < 0)
        QSKIP("no /proc/self/io here");
    for (const char *name : {"mpeg4.avi", "long.mkv"}) {
        const qint64 size = QFileInfo(movie(name)).size();
        const qint64 before = bytesRead();
        MovieSource source;
        source.open(moviePath(name));
        const qint64 read = bytesRead() - before;
        if (QByteArray(name).endsWith(".avi"))
            QVERIFY2(read < size / 5, qPrintable(QStringLiteral("%1 of %2 bytes").arg(read).arg(size)));
        else
            QVERIFY2(read > size * 9 / 10, qPrintable(QStringLiteral("%1 of %2 bytes").arg(read).arg(size)));
    }
}

void TestMovie::rgbMovieAtEveryPositionInAnyOrder()
{
    const Reference &r = reference("bgr.avi");
    QCOMPARE(r.count(), 40);
    MovieSource source;
    source.open(moviePath("bgr.avi"));
    Bitmap b;
    std::vector<int> order;
    for (int p = 0; p <= source.length(); ++p)
        order.push_back(p);
    for (int p = source.length(); p >= 0; --p)
        order.push_back(p);
    std::vector<int> shuffled = order;
    QRandomGenerator random(4711);
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    order.insert(order.end(), shuffled.begin(), shuffled.end());
    for (int p : order) {
        source.readFrame(p, b);
        QCOMPARE(b.stride(), std::size_t(296)); // 98 pixels: rows padded
        expectPicture(b, r, p);
        if (QTest::currentTestFailed())
            return;
    }
}

// The full decode the other cases compare with is the same as ffmpeg's
// select of single positions.
void TestMovie::selectAndFullDecodeAgree()
{
    for (const char *name : {"mpeg4.avi", "clip.mp4"}) {
        const Reference &r = reference(name);
        for (int p : {0, 251, r.count() - 1}) {
            if (p >= r.count())
                continue;
            const QByteArray one = selected(movie(name), p);
            QCOMPARE(one.size(), r.width * r.height * 3);
            QVERIFY2(std::memcmp(one.constData(), r.frame(p), static_cast<std::size_t>(one.size())) == 0,
                     qPrintable(QStringLiteral("%1 at %2").arg(QLatin1String(name)).arg(p)));
        }
    }
}

void TestMovie::positionsMatchFfmpegAcrossKeyFrames_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"mpeg4.avi", "clip.mp4", "clip.mkv", "clip.webm", "mjpeg.avi", "ten-bit.mkv", "clip.ts", "raw.h264"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

// A spread of positions: the first and last, two either side of every key
// frame ffprobe reports, and random ones, in a shuffled order and then
// backwards, each from the same open source; then again each from a
// fresh one.
void TestMovie::positionsMatchFfmpegAcrossKeyFrames()
{
    QFETCH(QString, name);
    const QByteArray file = name.toLatin1();
    if (!QFile::exists(movie(file.constData())))
        QSKIP("this ffmpeg cannot make the movie (no libx264)");
    const Reference &r = reference(file.constData());
    const Probe p = probe(movie(file.constData()));
    QVERIFY(r.count() > 0);
    QCOMPARE(r.count(), p.frames);
    std::set<int> spread = {0, 1, r.count() - 1, r.count() - 2, r.count() / 2};
    for (int key : p.keyPositions)
        for (int k = key - 2; k <= key + 2; ++k)
            if (k >= 0 && k < r.count())
                spread.insert(k);
    QRandomGenerator random(20240);
    for (int i = 0; i < 12; ++i)
        spread.insert(static_cast<int>(random.bounded(r.count())));
    std::vector<int> order(spread.begin(), spread.end());
    std::shuffle(order.begin(), order.end(), random);
    std::vector<int> backwards(spread.rbegin(), spread.rend());
    order.insert(order.end(), backwards.begin(), backwards.end());

    MovieSource source;
    source.open(moviePath(file.constData()));
    QCOMPARE(source.frameCount(), r.count());
    Bitmap b;
    int told = 0;
    for (int position : order) {
        source.readFrame(position, b);
        told += expectPicture(b, r, position);
        if (QTest::currentTestFailed())
            return;
    }
    QVERIFY2(told > static_cast<int>(order.size()) / 2, "the neighbours hardly differ: the check proves little");

    for (int position : spread) {
        MovieSource fresh;
        fresh.open(source.path());
        fresh.readFrame(position, b);
        expectPicture(b, r, position);
        if (QTest::currentTestFailed())
            return;
    }
}

void TestMovie::readingInOrderNeverSeeks_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"bgr.avi", "mpeg4.avi", "clip.mp4", "clip.mkv", "clip.webm", "clip.ts", "raw.h264"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

// The next position after the last read decodes on, whether from a fresh
// open or after a seek to the middle.
void TestMovie::readingInOrderNeverSeeks()
{
    QFETCH(QString, name);
    const QByteArray file = name.toLatin1();
    if (!QFile::exists(movie(file.constData())))
        QSKIP("this ffmpeg cannot make the movie (no libx264)");
    const Reference &r = reference(file.constData());
    MovieSource source;
    source.open(moviePath(file.constData()));
    Bitmap b;
    for (int p = 0; p <= source.length(); ++p) {
        source.readFrame(p, b);
        expectPicture(b, r, p);
        if (QTest::currentTestFailed())
            return;
    }
    QCOMPARE(source.seekCount(), 0);

    const int middle = source.length() / 2 + 3;
    source.readFrame(middle, b);
    // One seek; two where seeking by the key frame's pts lands after it
    // (MPEG-TS searches by decode time).
    const int seeks = source.seekCount();
    QVERIFY2(seeks == 1 || (seeks == 2 && name == QLatin1String("clip.ts")), qPrintable(QString::number(seeks)));
    for (int p = middle + 1; p <= std::min(source.length(), middle + 40); ++p) {
        source.readFrame(p, b);
        expectPicture(b, r, p);
        if (QTest::currentTestFailed())
            return;
    }
    QCOMPARE(source.seekCount(), seeks);
    // The same position again is the picture already decoded.
    source.readFrame(middle + 1, b);
    source.readFrame(middle + 1, b);
    expectPicture(b, r, middle + 1);
}

// In mpeg4.avi the two B-frames decoded after each later key frame are
// shown before it and need the group before: they are reached from the
// key frame before, and once that is known, with a single seek.
void TestMovie::framesShownBeforeTheirKeyFrame()
{
    const Reference &r = reference("mpeg4.avi");
    const Probe p = probe(movie("mpeg4.avi"));
    QCOMPARE(p.keyPositions.size(), std::size_t(3));
    const int key = p.keyPositions[1];
    QVERIFY2(key > 250, "the key frame shows after frames decoded after it");
    MovieSource source;
    source.open(moviePath("mpeg4.avi"));
    Bitmap b;
    for (int leading : {key - 1, key - 2}) {
        source.readFrame(key + 100, b);
        const int before = source.seekCount();
        source.readFrame(leading, b);
        expectPicture(b, r, leading);
        QVERIFY(source.seekCount() - before <= 2);
        source.readFrame(key + 100, b);
        const int again = source.seekCount();
        source.readFrame(leading, b);
        expectPicture(b, r, leading);
        QCOMPARE(source.seekCount() - again, 1);
    }
}

// An AVI whose index calls every frame a key frame (some old tools write
// such files): a seek lands on a frame that needs the ones before it. The
// reader notices the first time and counts from the start from then on.
void TestMovie::indexThatMarksEveryFrameKey()
{
    QByteArray avi = testsupport::readAll(movie("mpeg4.avi"));
    const qsizetype index = avi.lastIndexOf("idx1");
    QVERIFY(index > 0);
    const qsizetype end = index + 8 + qFromLittleEndian<quint32>(avi.constData() + index + 4);
    QVERIFY(end <= avi.size());
    int marked = 0;
    for (qsizetype entry = index + 8; entry + 16 <= end; entry += 16) {
        if (avi.mid(entry, 4) != "00dc")
            continue;
        const quint32 flags = qFromLittleEndian<quint32>(avi.constData() + entry + 4);
        qToLittleEndian<quint32>(flags | 0x10, avi.data() + entry + 4);
        ++marked;
    }
    QCOMPARE(marked, 600);
    TempDir dir;
    const QString path = dir.path(QStringLiteral("every-frame-key.avi"));
    testsupport::writeAll(path, avi);
    const Reference &r = reference(path);
    QCOMPARE(r.count(), 600);

    MovieSource source;
    source.open(path.toStdString());
    QCOMPARE(source.length(), 599);
    Bitmap b;
    for (int position : {300, 10, 599, 251, 250, 400, 401, 402, 5})
        expectPicture((source.readFrame(position, b), b), r, position);
}

void TestMovie::outputBitmapIsReusedAndReplaced()
{
    MovieSource source;
    source.open(moviePath("mpeg4.avi"));
    Bitmap b(160, 120, PixelFormat::Bgr24);
    const std::uint8_t *memory = b.row(0);
    source.readFrame(0, b);
    source.readFrame(1, b);
    QCOMPARE(b.row(0), memory);
    // Of another size or format, the bitmap is made anew.
    Bitmap small(3, 3, PixelFormat::Indexed8);
    source.readFrame(2, small);
    QCOMPARE(small.width(), 160);
    QCOMPARE(small.height(), 120);
    QCOMPARE(small.format(), PixelFormat::Bgr24);
    expectPicture(small, reference("mpeg4.avi"), 2);
}

void TestMovie::positionsBeyond32767()
{
    MovieSource source;
    source.open(moviePath("long.mkv"));
    QCOMPARE(source.frameCount(), 33000);
    QCOMPARE(source.length(), 32999);
    // Two positions ffmpeg gives in one pass.
    const QByteArray both = run(QStringLiteral("ffmpeg"),
                                decodeArguments(movie("long.mkv")) + QStringList{
                                    QStringLiteral("-vf"), QStringLiteral("select=eq(n\\,32767)+eq(n\\,32768)+eq(n\\,32999)"),
                                    QStringLiteral("-vsync"), QStringLiteral("passthrough"), QStringLiteral("-pix_fmt"),
                                    QStringLiteral("bgr24"), QStringLiteral("-f"), QStringLiteral("rawvideo"), QStringLiteral("-")});
    const int frameBytes = 32 * 16 * 3;
    QCOMPARE(both.size(), 3 * frameBytes);
    Reference r{32, 16, both};
    const int positions[] = {32767, 32768, 32999};
    Bitmap b;
    for (int i : {2, 0, 1}) {
        source.readFrame(positions[i], b);
        QVERIFY2(difference(b, r.frame(i)) == 0, qPrintable(QString::number(positions[i])));
    }
    // 32767 and 32768 are different pictures: the check can tell them apart.
    QVERIFY(maxBetween(r, 0, 1) > 0);
}

void TestMovie::badFilesRaiseNamedErrors_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("says");
    QTest::newRow("missing") << movie("nosuch.avi") << QStringLiteral("見つかりません");
    QTest::newRow("a folder") << QStringLiteral(GLYPHREEL_MOVIES) << QStringLiteral("ファイルではありません");
    QTest::newRow("text") << movie("notamovie.avi") << QStringLiteral("ムービーの形式ではありません");
    QTest::newRow("sound only, wav") << movie("audio.wav") << QStringLiteral("映像がありません");
    QTest::newRow("sound only, mkv") << movie("audio.mkv") << QStringLiteral("映像がありません");
    QTest::newRow("no frames") << movie("empty.avi") << QStringLiteral("コマがありません");
    QTest::newRow("mp4 cut in half") << movie("truncated.mp4") << QStringLiteral("ムービーの形式ではありません");
}

void TestMovie::badFilesRaiseNamedErrors()
{
    QFETCH(QString, path);
    QFETCH(QString, says);
    MovieSource source;
    source.open(moviePath("bgr.avi"));
    try {
        source.open(path.toStdString());
        QFAIL("opened");
    } catch (const MovieError &e) {
        const QString message = QString::fromUtf8(e.what());
        QVERIFY2(message.contains(QStringLiteral("\"%1\"").arg(path)), qPrintable(message));
        QVERIFY2(message.contains(says), qPrintable(message));
    }
    // The movie open before is closed, not half replaced.
    QVERIFY(!source.isOpen());
    QCOMPARE(source.width(), 0);
    QCOMPARE(source.height(), 0);
    QCOMPARE(source.length(), 0);
    Bitmap b;
    QVERIFY_THROWS_EXCEPTION(MovieError, source.readFrame(0, b));
}

void TestMovie::positionsOutsideAreRefused()
{
    MovieSource source;
    source.open(moviePath("mpeg4.avi"));
    Bitmap b;
    for (int p : {-1, 600, 601, INT_MAX, INT_MIN}) {
        try {
            source.readFrame(p, b);
            QFAIL(qPrintable(QStringLiteral("read %1").arg(p)));
        } catch (const MovieError &e) {
            const QString message = QString::fromUtf8(e.what());
            QVERIFY2(message.contains(movie("mpeg4.avi")), qPrintable(message));
            QVERIFY2(message.contains(QStringLiteral("0 から 599 まで")), qPrintable(message));
        }
    }
    // The source goes on reading.
    source.readFrame(599, b);
    expectPicture(b, reference("mpeg4.avi"), 599);
}

// The header counts 40 frames; 19 whole ones are left and part of the
// 20th. Those read exactly; the ones after the cut raise an error, and
// reading goes on after it.
void TestMovie::truncatedAviReadsUpToTheCut()
{
    const Reference &whole = reference("bgr.avi");
    MovieSource source;
    source.open(moviePath("truncated.avi"));
    QCOMPARE(source.length(), 39);
    Bitmap b;
    for (int p : {19, 39, 25}) {
        try {
            source.readFrame(p, b);
            QFAIL(qPrintable(QStringLiteral("read %1").arg(p)));
        } catch (const MovieError &e) {
            const QString message = QString::fromUtf8(e.what());
            QVERIFY2(message.contains(movie("truncated.avi")), qPrintable(message));
            QVERIFY2(message.contains(QStringLiteral("コマ %1 を読めません").arg(p)), qPrintable(message));
        }
    }
    for (int p : {5, 0, 18, 17}) {
        source.readFrame(p, b);
        expectPicture(b, whole, p);
    }
    for (int p = 0; p <= 18; ++p) {
        source.readFrame(p, b);
        expectPicture(b, whole, p);
    }
    QVERIFY_THROWS_EXCEPTION(MovieError, source.readFrame(19, b));
}

void TestMovie::openingAnotherMovieAndClosing()
{
    MovieSource source;
    source.open(moviePath("mpeg4.avi"));
    Bitmap b;
    source.readFrame(300, b);
    source.open(moviePath("clip.webm"));
    QCOMPARE(source.width(), 150);
    QCOMPARE(source.seekCount(), 0);
    source.readFrame(0, b);
    expectPicture(b, reference("clip.webm"), 0);
    source.close();
    QVERIFY(!source.isOpen());
    QVERIFY(source.path().empty());
    QCOMPARE(source.width(), 0);
    QCOMPARE(source.frameCount(), 0);
    QCOMPARE(source.frameRate(), 0.0);
    QVERIFY_THROWS_EXCEPTION(MovieError, source.readFrame(0, b));
}

void TestMovie::frameReaderGivesTheRun_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("seeks");
    QTest::newRow("every frame") << QStringLiteral("mpeg4.avi") << 0 << 599 << 1 << false;
    QTest::newRow("every third, not to the end") << QStringLiteral("mpeg4.avi") << 5 << 590 << 3 << false;
    QTest::newRow("jumps past key frames") << QStringLiteral("mpeg4.avi") << 10 << 599 << 260 << true;
    QTest::newRow("matroska, every second") << QStringLiteral("clip.mkv") << 1 << 149 << 2 << false;
    QTest::newRow("one frame, past a key frame") << QStringLiteral("clip.mp4") << 77 << 77 << 5 << true;
    QTest::newRow("empty run") << QStringLiteral("clip.mp4") << 10 << 9 << 1 << false;
}

void TestMovie::frameReaderGivesTheRun()
{
    QFETCH(QString, name);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(int, step);
    QFETCH(bool, seeks);
    const QByteArray file = name.toLatin1();
    const Reference &r = reference(file.constData());
    FrameReader reader(moviePath(file.constData()), start, end, step);
    Bitmap b;
    int position = -1;
    int expected = start;
    while (reader.next(b, &position)) {
        QCOMPARE(position, expected);
        expectPicture(b, r, position);
        if (QTest::currentTestFailed())
            return;
        expected += step;
    }
    QCOMPARE(expected, start <= end ? start + ((end - start) / step + 1) * step : start);
    QVERIFY(!reader.next(b, &position));
    QCOMPARE(reader.seekCount() > 0, seeks);
}

void TestMovie::frameReaderReusesTheTakersBitmaps()
{
    FrameReader reader(moviePath("mpeg4.avi"), 0, 199, 1, 3);
    Bitmap b;
    std::set<const std::uint8_t *> memories;
    int taken = 0;
    while (reader.next(b)) {
        memories.insert(b.row(0));
        ++taken;
    }
    QCOMPARE(taken, 200);
    // The worker decodes into the bitmaps handed back: a few in circulation.
    QVERIFY2(memories.size() <= 3 + 2, qPrintable(QString::number(memories.size())));
}

// The run crosses the cut of truncated.avi: the pictures before it come
// first, then the error of position 19, then the end.
void TestMovie::frameReaderRethrowsInTurn()
{
    const Reference &whole = reference("bgr.avi");
    FrameReader reader(moviePath("truncated.avi"), 10, 30, 1, 4);
    Bitmap b;
    int position = -1;
    for (int p = 10; p <= 18; ++p) {
        QVERIFY(reader.next(b, &position));
        QCOMPARE(position, p);
        expectPicture(b, whole, p);
    }
    try {
        reader.next(b, &position);
        QFAIL("no error at the cut");
    } catch (const MovieError &e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(QStringLiteral("コマ 19 を読めません")), e.what());
    }
    QVERIFY(!reader.next(b, &position));
}

// Stopping with the queue full, with pictures half taken, and at once after
// the start; the worker must not keep the taker waiting nor be left
// running.
void TestMovie::frameReaderStopsPromptly()
{
    {
        FrameReader reader(moviePath("long.mkv"), 0, 32999, 1, 2);
        Bitmap b;
        for (int i = 0; i < 3; ++i)
            QVERIFY(reader.next(b));
        reader.cancel();
        QVERIFY(!reader.next(b));
        QVERIFY(!reader.next(b));
    }
    {
        FrameReader reader(moviePath("long.mkv"), 0, 32999, 1, 4);
        QTest::qWait(50); // the queue fills and the worker waits
    }
    {
        FrameReader reader(moviePath("mpeg4.avi"), 0, 599, 1);
    }
    for (int i = 0; i < 5; ++i) {
        FrameReader reader(moviePath("clip.mkv"), i, 149, 1 + i);
        Bitmap b;
        QVERIFY(reader.next(b));
    }
}

void TestMovie::frameReaderRefusesBadArguments()
{
    QVERIFY_THROWS_EXCEPTION(MovieError, FrameReader(moviePath("nosuch.avi"), 0, 10, 1));
    QVERIFY_THROWS_EXCEPTION(MovieError, FrameReader(moviePath("notamovie.avi"), 0, 10, 1));
    QVERIFY_THROWS_EXCEPTION(MovieError, FrameReader(moviePath("mpeg4.avi"), 0, 10, 0));
    // A position outside the movie fails in its turn.
    FrameReader reader(moviePath("bgr.avi"), 38, 41, 1);
    Bitmap b;
    QVERIFY(reader.next(b));
    QVERIFY(reader.next(b));
    QVERIFY_THROWS_EXCEPTION(MovieError, reader.next(b));
    QVERIFY(!reader.next(b));
}

void TestMovie::playerOpensShowsAndCloses()
{
    MoviePlayer player;
    QCOMPARE(player.size(), QSize(250, 242));
    QCOMPARE(player.playButton()->toolTip(), QStringLiteral("再生"));
    QCOMPARE(player.slider()->toolTip(), QStringLiteral("位置"));
    QVERIFY(player.currentPicture().isNull());
    QVERIFY(!player.playButton()->isEnabled());

    player.setFileName(movie("mpeg4.avi"));
    QCOMPARE(player.fileName(), movie("mpeg4.avi"));
    QCOMPARE(player.movieWidth(), 160);
    QCOMPARE(player.movieHeight(), 120);
    QCOMPARE(player.length(), 599);
    QCOMPARE(player.slider()->minimum(), 0);
    QCOMPARE(player.slider()->maximum(), 599);
    QCOMPARE(player.position(), 0);
    QVERIFY(player.playButton()->isEnabled());
    expectPicture(fromImage(player.currentPicture()), reference("mpeg4.avi"), 0);

    player.setPosition(420);
    QCOMPARE(player.slider()->value(), 420);
    expectPicture(fromImage(player.currentPicture()), reference("mpeg4.avi"), 420);

    player.setFileName(QString());
    QVERIFY(player.fileName().isEmpty());
    QCOMPARE(player.length(), 0);
    QCOMPARE(player.position(), 0);
    QCOMPARE(player.movieWidth(), 0);
    QCOMPARE(player.slider()->maximum(), 0);
    QVERIFY(!player.slider()->isEnabled());
    QVERIFY(player.currentPicture().isNull());
    const QImage shown = player.grab().toImage();
    const int pictureBottom = shown.height() - 30;
    for (int y = 0; y < pictureBottom; y += 7)
        for (int x = 0; x < shown.width(); x += 7)
            QCOMPARE(shown.pixelColor(x, y), QColor(Qt::black));
}

void TestMovie::playerPlaysAndStops()
{
    MoviePlayer player;
    player.setFileName(movie("mpeg4.avi"));
    QSignalSpy moved(&player, &MoviePlayer::positionChanged);
    player.playButton()->click();
    QVERIFY(player.isPlaying());
    QCOMPARE(player.playButton()->toolTip(), QStringLiteral("一時停止"));
    QTRY_VERIFY(player.position() >= 5);
    player.stop();
    QVERIFY(!player.isPlaying());
    QCOMPARE(player.playButton()->toolTip(), QStringLiteral("再生"));
    const int stoppedAt = player.position();
    // Positions came one by one, in order.
    QVERIFY(moved.size() >= 5);
    for (int i = 0; i < moved.size(); ++i)
        QCOMPARE(moved.at(i).at(0).toInt(), i + 1);
    QTest::qWait(150);
    QCOMPARE(player.position(), stoppedAt);
    QCOMPARE(player.slider()->value(), stoppedAt);
    expectPicture(fromImage(player.currentPicture()), reference("mpeg4.avi"), stoppedAt);

    // Played to the end, it stops there by itself.
    player.setPosition(594);
    player.play();
    QTRY_VERIFY(!player.isPlaying());
    QCOMPARE(player.position(), 599);
    expectPicture(fromImage(player.currentPicture()), reference("mpeg4.avi"), 599);
}

void TestMovie::playerSliderShowsPosition()
{
    MoviePlayer player;
    player.setFileName(movie("clip.mp4"));
    QSignalSpy moved(&player, &MoviePlayer::positionChanged);
    for (int p : {100, 37, 149, 1}) {
        player.slider()->setValue(p); // as a drag does
        QCOMPARE(player.position(), p);
        QCOMPARE(moved.takeLast().at(0).toInt(), p);
        expectPicture(fromImage(player.currentPicture()), reference("clip.mp4"), p);
    }
}

void TestMovie::playerCopiesToClipboard()
{
    MoviePlayer player;
    player.setFileName(movie("bgr.avi"));
    QGuiApplication::clipboard()->clear();
    player.copyToClipboard(23);
    QCOMPARE(player.position(), 0); // copying does not move the player
    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(copied.size(), QSize(98, 66));
    expectPicture(fromImage(copied), reference("bgr.avi"), 23);
    player.copyToClipboard(0);
    expectPicture(fromImage(QGuiApplication::clipboard()->image()), reference("bgr.avi"), 0);
    QVERIFY_THROWS_EXCEPTION(MovieError, player.copyToClipboard(40));
}

// The picture fills the width or the height of the area above the buttons,
// centred, its aspect kept, on black.
void TestMovie::playerPaintsLetterboxed()
{
    MoviePlayer player;
    player.setFileName(movie("bgr.avi"));
    player.setPosition(12);
    const QImage picture = player.currentPicture();
    for (const QSize size : {QSize(250, 242), QSize(400, 242)}) {
        player.resize(size);
        const QImage shown = player.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), size);
        // The area above the buttons: find the picture in it by its black margins.
        const int areaHeight = player.slider()->geometry().top();
        QVERIFY(areaHeight > 150);
        const QSize fitted = picture.size().scaled(size.width(), areaHeight, Qt::KeepAspectRatio);
        const QRect rect((size.width() - fitted.width()) / 2, (areaHeight - fitted.height()) / 2, fitted.width(),
                         fitted.height());
        QVERIFY(rect.width() == size.width() || rect.height() == areaHeight);
        for (int y = 0; y < areaHeight; ++y)
            for (int x = 0; x < size.width(); ++x)
                if (!rect.adjusted(-1, -1, 1, 1).contains(x, y) && shown.pixel(x, y) != qRgb(0, 0, 0))
                    QFAIL(qPrintable(QStringLiteral("(%1, %2) outside the picture is not black").arg(x).arg(y)));
        const QImage expected = picture.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                    .convertToFormat(QImage::Format_RGB32);
        double sum = 0;
        for (int y = 2; y < rect.height() - 2; ++y)
            for (int x = 2; x < rect.width() - 2; ++x) {
                const QRgb a = shown.pixel(rect.x() + x, rect.y() + y);
                const QRgb b = expected.pixel(x, y);
                sum += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
            }
        const double mean = sum / (3.0 * (rect.width() - 4) * (rect.height() - 4));
        QVERIFY2(mean < 6, qPrintable(QString::number(mean)));
    }
}

void TestMovie::playerRefusesBadFileAndStaysClosed()
{
    MoviePlayer player;
    player.setFileName(movie("clip.mkv"));
    try {
        player.setFileName(movie("notamovie.avi"));
        QFAIL("opened");
    } catch (const MovieError &e) {
        QVERIFY(QString::fromUtf8(e.what()).contains(movie("notamovie.avi")));
    }
    QVERIFY(player.fileName().isEmpty());
    QCOMPARE(player.length(), 0);
    QVERIFY(player.currentPicture().isNull());
    QVERIFY(!player.playButton()->isEnabled());
    player.play();
    QVERIFY(!player.isPlaying());
}

QTEST_MAIN(TestMovie)
#include "test_movie.moc"
