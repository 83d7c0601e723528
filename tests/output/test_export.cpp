// The GIF export through the main window's commands and on the command
// line: the files read back by gifsicle and FFmpeg (pictures, delays, size,
// loop), their pixels held against the editor's own and the renderer's, and
// what a cancelled or failed export leaves behind: nothing.
//
// Built twice: test_export_nokit runs without the image kit module on its
// run path, as an installation without it would.

#include "app/Application.h"
#include "app/Fonts.h"
#include "app/Makewindow1.h"
#include "app/Startup.h"
#include "imagekit/IkInit.h"
#include "output/FrameExport.h"
#include "output/Previewwindow1.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "platform/rtf/RtfDocument.h"
#include "platform/text/Cp932.h"
#include "platform/text/ProfileFile.h"
#include "project/Settings.h"
#include "support/Files.h"
#include "support/Projects.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QtTest>

using namespace glyphreel;

namespace {

QString run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("<failed: %1>").arg(QString::fromLocal8Bit(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

// What gifsicle reads in a GIF.
struct GifInfo {
    int images = -1;
    QSize screen;
    bool loopsForever = false;
    QStringList delays; // as gifsicle prints them, "0.07s"
};

GifInfo gifInfo(const QString &path)
{
    const QString info = run(QStringLiteral("gifsicle"), {QStringLiteral("--info"), path});
    GifInfo g;
    const auto images = QRegularExpression(QStringLiteral("(\\d+) images?")).match(info);
    if (images.hasMatch())
        g.images = images.captured(1).toInt();
    const auto screen = QRegularExpression(QStringLiteral("logical screen (\\d+)x(\\d+)")).match(info);
    if (screen.hasMatch())
        g.screen = QSize(screen.captured(1).toInt(), screen.captured(2).toInt());
    g.loopsForever = info.contains(QStringLiteral("loop forever"));
    for (auto it = QRegularExpression(QStringLiteral("delay (\\S+)")).globalMatch(info); it.hasNext();)
        g.delays << it.next().captured(1);
    return g;
}

int ffprobeFrames(const QString &path)
{
    const QString out = run(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
                                                        QStringLiteral("-select_streams"), QStringLiteral("v:0"),
                                                        QStringLiteral("-show_entries"), QStringLiteral("stream=nb_read_frames"),
                                                        QStringLiteral("-of"), QStringLiteral("csv=p=0"), path});
    bool ok = false;
    const int n = out.trimmed().toInt(&ok);
    return ok ? n : -1;
}

// Every picture of the GIF as FFmpeg composes it.
std::vector<QImage> gifPictures(const QString &path, const QSize &size)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                                            QStringLiteral("-i"), path, QStringLiteral("-fps_mode"), QStringLiteral("passthrough"),
                                            QStringLiteral("-pix_fmt"), QStringLiteral("bgra"), QStringLiteral("-f"),
                                            QStringLiteral("rawvideo"), QStringLiteral("-")});
    ffmpeg.waitForFinished(60000);
    const QByteArray raw = ffmpeg.readAllStandardOutput();
    const qsizetype bytes = qsizetype(size.width()) * size.height() * 4;
    std::vector<QImage> pictures;
    for (qsizetype at = 0; bytes > 0 && at + bytes <= raw.size(); at += bytes) {
        QImage image(reinterpret_cast<const uchar *>(raw.constData() + at), size.width(), size.height(),
                     QImage::Format_ARGB32);
        pictures.push_back(image.convertToFormat(QImage::Format_RGB32));
    }
    return pictures;
}

// The largest difference of a channel between the two, over the part both
// cover; 1000 when they share nothing.
int largestDifference(const QImage &a, const QImage &b)
{
    const int w = std::min(a.width(), b.width()), h = std::min(a.height(), b.height());
    if (w <= 0 || h <= 0)
        return 1000;
    int most = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            most = std::max({most, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    return most;
}

// The files of the folder: a failed or cancelled export leaves none of its
// own behind (no temporary file beside the target).
QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// A page of colour art: every character its own colour.
std::string colourPage(int lines, int cells, int seed)
{
    rtf::RtfDocument doc;
    for (int l = 0; l < lines; ++l) {
        doc.paragraphs.emplace_back();
        for (int c = 0; c < cells; ++c) {
            rtf::RtfRun run;
            run.text = QString(QChar(u"ＡｉｘナΣ卜"[(l + c + seed) % 6]));
            run.font = QStringLiteral("ＭＳ ゴシック");
            run.sizePt = 4;
            run.color.kind = rtf::RtfColor::Kind::Rgb;
            run.color.rgb = QColor::fromHsv((l * 7 + c * 13 + seed * 31) % 360, 255, 255);
            doc.paragraphs.back().push_back(run);
        }
    }
    return rtf::writeRtf(doc);
}

std::string colouredFrame(const QString &text, QColor colour, const char *font = "ＭＳ ゴシック", int sizePt = 12)
{
    rtf::RtfDocument doc;
    for (const QString &line : text.split(u'\n')) {
        doc.paragraphs.emplace_back();
        rtf::RtfRun run;
        run.text = line;
        run.font = QString::fromUtf8(font);
        run.sizePt = sizePt;
        run.color.kind = rtf::RtfColor::Kind::Rgb;
        run.color.rgb = colour;
        doc.paragraphs.back().push_back(run);
    }
    return rtf::writeRtf(doc);
}

} // namespace

class TestExport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void everyFrameWithTextAsOneAnimation();
    void theCurrentFrameAsTheEditorShowsIt();
    void theStoredPreviewSizeBeforeThePreviewOpens();
    void aCancelledExportLeavesTheOldFile();
    void framesWithoutTextWriteNoFile();
    void exportCommand();
    void withoutTheKitTheWindowRunsOn();

private:
    void openProject(bool rich, const std::vector<testsupport::FrameRow> &rows, const QString &settings = {});
    // Sets the preview's text area and speed as the user does: in the window.
    void setPreview(const QSize &textArea, int speed);
    static bool kitPresent();
    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<dialogs::ScopedDialogService> scope_;
    dialogs::ScriptedDialogService *s_ = nullptr;
    TMakeForm1 *f_ = nullptr;
};

bool TestExport::kitPresent()
{
#ifdef GLYPHREEL_WITHOUT_KIT
    return false;
#else
    return true;
#endif
}

void TestExport::initTestCase()
{
    app::registerFontSubstitutions();
    app::createForms(*static_cast<GlyphreelApplication *>(qApp));
    f_ = MakeForm1;
    f_->show();
    // The main window's two components hold the kit.
    QCOMPARE(imagekit::ikUseCount(), 2);
    QCOMPARE(imagekit::ikModuleLoaded(), kitPresent());
    QCOMPARE(f_->IkFile1->FileExt, QStringLiteral("GIF"));
    QVERIFY(f_->IkFile1->GifAnime);
    QVERIFY(f_->IkFile1->Preview);
    QVERIFY(!f_->IkFile1->Interlace && !f_->IkFile1->Transparent && f_->IkFile1->Comment.isEmpty());
}

void TestExport::init()
{
    if (!kitPresent() && QString::fromLatin1(QTest::currentTestFunction()) != QLatin1String("withoutTheKitTheWindowRunsOn"))
        QSKIP("needs the image kit");
    if (kitPresent() && QString::fromLatin1(QTest::currentTestFunction()) == QLatin1String("withoutTheKitTheWindowRunsOn"))
        QSKIP("runs in test_export_nokit");
    auto scripted = std::make_unique<dialogs::ScriptedDialogService>();
    s_ = scripted.get();
    scope_ = std::make_unique<dialogs::ScopedDialogService>(std::move(scripted));
    dir_ = std::make_unique<TempDir>();
}

void TestExport::cleanup()
{
    if (f_->Query1->active())
        f_->Query1->close();
    scope_.reset();
    dir_.reset();
}

void TestExport::openProject(bool rich, const std::vector<testsupport::FrameRow> &rows, const QString &settings)
{
    QDir().mkpath(dir_->path(QStringLiteral("project")));
    testsupport::writeFrameTable(dir_->path(QStringLiteral("project")), "movie", rich, rows);
    const QString td = dir_->path(QStringLiteral("project/movie.td"));
    text::ProfileFile ini(td);
    ini.writeString(QStringLiteral("Setting"), QStringLiteral("TextType"), rich ? QStringLiteral("0") : QStringLiteral("1"));
    for (const QString &pair : settings.split(u';', Qt::SkipEmptyParts))
        ini.writeString(QStringLiteral("Setting"), pair.section(u'=', 0, 0), pair.section(u'=', 1));
    f_->openProject(td);
    QVERIFY(f_->Query1->active());
}

void TestExport::setPreview(const QSize &textArea, int speed)
{
    bool ran = false;
    QTimer::singleShot(0, PreviewForm1, [&] {
        ran = true;
        PreviewForm1->resize(textArea + QSize(output::kPreviewStripWidth, 0));
        PreviewForm1->Edit3->setText(QString::number(speed));
        QTest::mouseClick(PreviewForm1->BitBtn2, Qt::LeftButton);
    });
    QTest::mouseClick(f_->SpeedButton3, Qt::LeftButton);
    QVERIFY(ran);
    QCOMPARE(PreviewForm1->DBRichEdit1->size(), textArea);
    QCOMPARE(PreviewForm1->UpDown3->Position(), speed);
}

void TestExport::everyFrameWithTextAsOneAnimation()
{
    const QString sound = dir_->path(QStringLiteral("project/cue.wav"));
    openProject(false, {{text::encodeCp932(QStringLiteral("一コマ目\r\nHello")), {}},
                        {std::string(), {}},               // empty: skipped
                        {std::string("  \r\n"), {}},        // spaces and a line break: text
                        {std::string("last frame"), {"SND1"}}});
    QVERIFY(testsupport::makeSound(sound, 30));
    f_->project().chooseTrackFile(1, sound);
    if (f_->N19->data().toInt() != 1)
        f_->N19Click(); // sound on: the walk sounds the frames' cues
    setPreview(QSize(200, 280), 7);
    f_->Query1->first();

    const QString target = dir_->path(QStringLiteral("out/movie.gif"));
    QDir().mkpath(dir_->path(QStringLiteral("out")));
    s_->answerFile(target);
    f_->N25->trigger();
    QCOMPARE(s_->unusedAnswers(), std::size_t{0});
    // The dialog, then the notice; nothing else asked.
    QCOMPARE(s_->asked().size(), std::size_t{2});
    const dialogs::FileRequest &request = s_->asked()[0].file;
    QCOMPARE(request.title, QStringLiteral("GIFアニメーションへのエクスポート"));
    QCOMPARE(request.filter, QStringLiteral("GIFファイル (*.gif)|*.gif"));
    QCOMPARE(request.defaultExt, QStringLiteral("gif"));
    QVERIFY(!request.overwritePrompt);
    QCOMPARE(s_->asked()[1].kind, dialogs::ScriptedDialogService::Asked::Kind::Notice);
    QCOMPARE(s_->asked()[1].text, QStringLiteral("※処理中は 他のアプリケーションを動かさないで下さい。"));

    const GifInfo info = gifInfo(target);
    QCOMPARE(info.images, 3);
    QCOMPARE(info.screen, QSize(200, 280));
    QVERIFY(info.loopsForever);
    QCOMPARE(info.delays, (QStringList{"0.07s", "0.07s", "0.07s"}));
    QCOMPARE(ffprobeFrames(target), 3);

    // Each picture is the frame as the renderer draws it in the editor's look.
    output::FramePictures renderer(output::lookOf(*f_->DBRichEdit0), QSize(200, 280));
    const std::vector<QImage> pictures = gifPictures(target, QSize(200, 280));
    QCOMPARE(pictures.size(), std::size_t{3});
    const std::vector<std::string> memos = testsupport::frameMemos(dir_->path(QStringLiteral("project")), QStringLiteral("movie.db"));
    const std::size_t withText[] = {0, 2, 3};
    for (std::size_t i = 0; i < 3; ++i)
        QCOMPARE(largestDifference(pictures[i], renderer.picture(memos[withText[i]])), 0);
    // Text is there: the first picture is not all background.
    QVERIFY(pictures[0] != QImage(pictures[0].size(), QImage::Format_RGB32));
    QVERIFY(largestDifference(pictures[0], pictures[1]) > 0);

    // The walk ends on the last frame, which stays current, its cue sounding.
    QCOMPARE(f_->Query1->recNo(), 4);
    QCOMPARE(f_->Edit2->text(), QStringLiteral("4"));
    QVERIFY(f_->project().player(1).playing());
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("last frame"));
    QCOMPARE(filesIn(dir_->path(QStringLiteral("out"))), QStringList{"movie.gif"});
    f_->project().rewindTracks();

    // Another export to the same name replaces the file: the pictures of
    // this export only, at the preview's new size and speed.
    setPreview(QSize(150, 270), 20);
    s_->answerFile(target);
    f_->N25->trigger();
    const GifInfo again = gifInfo(target);
    QCOMPARE(again.images, 3);
    QCOMPARE(again.screen, QSize(150, 270));
    QCOMPARE(again.delays.value(0), QStringLiteral("0.20s"));
}

void TestExport::theCurrentFrameAsTheEditorShowsIt()
{
    openProject(true, {{colouredFrame(QStringLiteral("赤い字"), Qt::red), {}},
                       {colouredFrame(QStringLiteral("緑の絵\nＡＡＡ"), QColor(0, 200, 0), "ＭＳ 明朝", 16), {}},
                       {std::string(), {}}});
    const QSize area(320, 300);
    setPreview(area, 20);
    f_->Query1->first();
    f_->Query1->next();
    // What is typed and not yet stored is what the editor shows: exported.
    f_->DBRichEdit0->moveCursor(QTextCursor::End);
    f_->DBRichEdit0->insertPlainText(QStringLiteral("＋"));
    f_->DBRichEdit0->clearFocus();
    f_->DBRichEdit0->setTextCursor(QTextCursor(f_->DBRichEdit0->document()));

    const QString target = dir_->path(QStringLiteral("current.gif"));
    testsupport::writeAll(target, "not a picture yet");
    s_->answerFile(target);
    f_->N24->trigger();
    QCOMPARE(s_->asked().size(), std::size_t{1}); // no notice for one frame
    const GifInfo info = gifInfo(target);
    QCOMPARE(info.images, 1);
    QCOMPARE(info.screen, area);
    QCOMPARE(ffprobeFrames(target), 1);
    QCOMPARE(f_->Query1->recNo(), 2); // the current frame is unchanged

    // The picture is the editor's own pixels, where the editor shows them.
    const QImage picture = gifPictures(target, area).at(0);
    const QImage editor = f_->DBRichEdit0->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QVERIFY2(largestDifference(picture, editor) == 0, qPrintable(QString::number(largestDifference(picture, editor))));
    // Green text and the typed character are in it.
    int green = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            green += qGreen(picture.pixel(x, y)) > 150 && qRed(picture.pixel(x, y)) < 80;
    QVERIFY(green > 50);

    // An empty frame: the picture of the empty editor, all background.
    f_->Query1->last();
    s_->answerFile(target);
    f_->N24->trigger();
    const QImage empty = gifPictures(target, area).at(0);
    QImage background(area, QImage::Format_RGB32);
    background.fill(f_->DBRichEdit0->backgroundColor());
    QCOMPARE(largestDifference(empty, background), 0);

    // A cancelled dialog changes nothing.
    const QByteArray before = testsupport::readAll(target);
    s_->answerFile(std::nullopt);
    f_->N24->trigger();
    QCOMPARE(testsupport::readAll(target), before);
}

// The preview window keeps the project's size while it is hidden; its
// text area is that size less the window's frame and the strip.
void TestExport::theStoredPreviewSizeBeforeThePreviewOpens()
{
    openProject(false, {{std::string("art"), {}}}, QStringLiteral("PreviewWidth=400;PreviewHeight=300;Speed=33"));
    QVERIFY(!PreviewForm1->isVisible());
    const QString target = dir_->path(QStringLiteral("stored.gif"));
    s_->answerFile(target);
    f_->N24->trigger();
    const GifInfo info = gifInfo(target);
    QCOMPARE(PreviewForm1->outerSize(), QSize(400, 300));
    const QSize frame = PreviewForm1->outerSize() - PreviewForm1->size();
    QCOMPARE(info.screen, QSize(400 - 80, 300) - frame);
    QCOMPARE(info.delays, QStringList{"0.33s"});
}

void TestExport::aCancelledExportLeavesTheOldFile()
{
    // Long enough that the progress shows: colour art at a large size.
    std::vector<testsupport::FrameRow> rows;
    for (int i = 0; i < 80; ++i)
        rows.push_back({colourPage(100, 120, i), {}});
    openProject(true, rows);
    setPreview(QSize(640, 480), 10);
    const QString target = dir_->path(QStringLiteral("kept.gif"));
    testsupport::writeAll(target, "an earlier export");
    const QStringList before = filesIn(dir_->root());

    // The user presses Cancel as soon as the progress shows.
    QTimer canceller;
    int cancels = 0;
    connect(&canceller, &QTimer::timeout, this, [&] {
        if (auto *progress = f_->findChild<QProgressDialog *>()) {
            QVERIFY(progress->labelText().startsWith(QStringLiteral("GIF アニメーションを書き出しています")));
            progress->cancel();
            ++cancels;
        }
    });
    canceller.start(0);
    s_->answerFile(target);
    f_->N25->trigger();
    canceller.stop();
    QVERIFY(cancels > 0);
    QVERIFY(f_->Query1->recNo() < 80); // stopped on the way
    QCOMPARE(testsupport::readAll(target), QByteArray("an earlier export"));
    QCOMPARE(filesIn(dir_->root()), before);
    QVERIFY(f_->DBRichEdit0->autoDisplay()); // the editor shows frames again
}

void TestExport::framesWithoutTextWriteNoFile()
{
    openProject(false, {{std::string(), {}}, {std::string(), {}}});
    const QString target = dir_->path(QStringLiteral("none.gif"));
    s_->answerFile(target);
    f_->N25->trigger();
    QVERIFY(!QFileInfo::exists(target));
    QCOMPARE(filesIn(dir_->root()), QStringList());
    // The notice before, and word that nothing was written.
    QCOMPARE(s_->asked().size(), std::size_t{3});
    QCOMPARE(s_->asked()[1].text, QStringLiteral("※処理中は 他のアプリケーションを動かさないで下さい。"));
    QCOMPARE(s_->asked()[2].text, QStringLiteral("文字のあるコマがないため、ファイルは書き出していません。"));
}

void TestExport::exportCommand()
{
    openProject(false, {{std::string("first"), {}}, {std::string(), {}}, {std::string("third\r\nline"), {}}},
                QStringLiteral("PreviewWidth=300;PreviewHeight=140;Speed=12;NormalColor=65535;BackColor=8388608"));
    const QString td = f_->currentProjectFile();
    f_->Query1->close();
    const QString out = dir_->path(QStringLiteral("cli.gif"));

    // Defaults: the stored speed, and the text area of the stored preview size.
    testsupport::Run r = testsupport::runGlyphreel({QStringLiteral("export"), td, out});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.err.isEmpty() || !r.err.contains("glyphreel export"));
    GifInfo info = gifInfo(out);
    QCOMPARE(info.images, 2);
    QCOMPARE(info.screen, QSize(300 - 80, 140));
    QCOMPARE(info.delays, (QStringList{"0.12s", "0.12s"}));
    QVERIFY(info.loopsForever);
    // In the project's look: yellow text on dark blue.
    project::Settings settings;
    settings.normalText = true;
    settings.normalColor = 65535;
    settings.backColor = 8388608;
    output::FramePictures renderer(output::lookOf(settings), QSize(220, 140));
    const std::vector<QImage> pictures = gifPictures(out, QSize(220, 140));
    QCOMPARE(pictures.size(), std::size_t{2});
    QCOMPARE(largestDifference(pictures[0], renderer.picture(std::string("first"))), 0);
    QCOMPARE(largestDifference(pictures[1], renderer.picture(std::string("third\r\nline"))), 0);
    QCOMPARE(QColor(pictures[0].pixel(150, 100)), QColor(0, 0, 128));

    // One frame by number, blank or not, at the size and speed given.
    const QString one = dir_->path(QStringLiteral("one.gif"));
    r = testsupport::runGlyphreel({QStringLiteral("export"), td, one, QStringLiteral("--frame"), QStringLiteral("2"),
                                   QStringLiteral("--width"), QStringLiteral("64"), QStringLiteral("--height"),
                                   QStringLiteral("32"), QStringLiteral("--speed"), QStringLiteral("99")});
    QCOMPARE(r.exitCode, 0);
    info = gifInfo(one);
    QCOMPARE(info.images, 1);
    QCOMPARE(info.screen, QSize(64, 32));
    QCOMPARE(info.delays, QStringList{"0.99s"});

    // Failures: one line, status 1, nothing left at the output's name (an
    // earlier file there stays as it was).
    const QStringList before = filesIn(dir_->root());
    const QByteArray earlier = testsupport::readAll(out);
    struct Failure {
        QStringList arguments;
        int status;
        const char *says;
    };
    const std::vector<Failure> failures = {
        {{QStringLiteral("export"), dir_->path(QStringLiteral("missing.td")), out}, 1, "がありません"},
        {{QStringLiteral("export"), td, out, QStringLiteral("--frame"), QStringLiteral("9")}, 1, "コマ № 9"},
        {{QStringLiteral("export"), td, dir_->path(QStringLiteral("no/such/folder/x.gif"))}, 1, "書き込めません"},
        {{QStringLiteral("export"), td}, 2, "使い方"},
        {{QStringLiteral("export"), td, out, QStringLiteral("--speed"), QStringLiteral("0")}, 2, "速度"},
        {{QStringLiteral("export"), td, out, QStringLiteral("--width")}, 2, "幅"},
        {{QStringLiteral("export"), td, out, QStringLiteral("--loop")}, 2, "知らないオプション"},
    };
    for (const Failure &f : failures) {
        r = testsupport::runGlyphreel(f.arguments);
        QVERIFY2(r.exitCode == f.status, qPrintable(f.arguments.join(u' ')));
        const QString err = QString::fromUtf8(r.err);
        QVERIFY2(err.contains(QStringLiteral("glyphreel export: ")) && err.contains(QString::fromUtf8(f.says)), qPrintable(err));
        QCOMPARE(testsupport::readAll(out), earlier);
        QCOMPARE(filesIn(dir_->root()), before);
    }

    // A project whose frames are all empty writes nothing.
    QDir().mkpath(dir_->path(QStringLiteral("blank")));
    testsupport::writeFrameTable(dir_->path(QStringLiteral("blank")), "blank", false, {{std::string(), {}}});
    text::ProfileFile(dir_->path(QStringLiteral("blank/blank.td")))
        .writeString(QStringLiteral("Setting"), QStringLiteral("TextType"), QStringLiteral("1"));
    const QString none = dir_->path(QStringLiteral("blank/none.gif"));
    r = testsupport::runGlyphreel({QStringLiteral("export"), dir_->path(QStringLiteral("blank/blank.td")), none});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(QString::fromUtf8(r.err).contains(QStringLiteral("文字のあるコマがありません")));
    QVERIFY(!QFileInfo::exists(none));
}

// Without its module the kit's components say 14 and nothing more; the
// application starts, edits and moves among frames, and an export tells
// the user why no file came.
void TestExport::withoutTheKitTheWindowRunsOn()
{
    openProject(false, {{std::string("one"), {}}, {std::string("two"), {}}});
    f_->Query1->next();
    QCOMPARE(f_->Edit2->text(), QStringLiteral("2"));
    const QString target = dir_->path(QStringLiteral("project/out.gif"));
    s_->answerFile(target);
    f_->N24->trigger();
    QCOMPARE(f_->IkCommon1->ErrorStatus(), short(14));
    QCOMPARE(f_->IkCommon1->ImageHandle(), IKImage(0));
    QCOMPARE(s_->asked().back().kind, dialogs::ScriptedDialogService::Asked::Kind::Exception);
    QVERIFY2(s_->asked().back().text.contains(QStringLiteral("画像キット (libglyphreel-imagekit.so) が見つからない")),
             qPrintable(s_->asked().back().text));
    QVERIFY(!QFileInfo::exists(target));
    QCOMPARE(filesIn(dir_->path(QStringLiteral("project"))), (QStringList{"movie.db", "movie.mb", "movie.px", "movie.td"}));
    // The file component says 14 too, and fires nothing.
    int started = 0;
    f_->IkFile1->OnStartSave = [&](QObject *, const QString &) { ++started; };
    f_->IkFile1->FileName = target;
    QVERIFY(!f_->IkFile1->SaveFile(imagekit::vikSaveGIF));
    QCOMPARE(f_->IkFile1->ErrorStatus(), short(14));
    QCOMPARE(started, 0);
    f_->IkFile1->OnStartSave = nullptr;
    f_->Query1->first();
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("one"));
}

int main(int argc, char **argv)
{
    GlyphreelApplication app(argc, argv);
    TestExport test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_export.moc"
