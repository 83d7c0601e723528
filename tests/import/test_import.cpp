// The picture and movie imports through the real windows, offscreen, with
// scripted dialogs: the settings boxes, the bounds of the range, the
// confirmation, where the art lands and what the frames store, the
// clipboard and the temporary picture, cancelling, and bad input.

#include "app/Application.h"
#include "app/Fonts.h"
#include "app/Makewindow1.h"
#include "app/Startup.h"
#include "convert/ArtMemo.h"
#include "convert/Bmp2str.h"
#include "convert/Unit1.h"
#include "import/Aviwindow1.h"
#include "import/Bmpwindow1.h"
#include "platform/bitmap/PictureFile.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "platform/richedit/RichEdit.h"
#include "platform/rtf/RtfDocument.h"
#include "platform/text/Cp932.h"
#include "support/BmpBuilder.h"
#include "support/FfmpegPictures.h"
#include "support/TempDir.h"

#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QProcess>
#include <QTimer>

#include <QtTest>

using namespace glyphreel;
using dialogs::Answer;
using dialogs::ScriptedDialogService;
using Kind = ScriptedDialogService::Asked::Kind;

namespace {

const QString kMovies = QStringLiteral(GLYPHREEL_MOVIES);

QString moviePath(const char *name)
{
    return kMovies + u'/' + QString::fromLatin1(name);
}

std::string artOf(bitmap::Bitmap picture, int pixelWidth, bool half, bool invert)
{
    return convert::BmpToString(picture, pixelWidth, half, invert);
}

// A BMP file of a picture whose brightness runs across it.
QString writePicture(const TempDir &dir, const char *name, int w, int h)
{
    const testsupport::Picture p = testsupport::Picture::filled(w, h, [&](int x, int y) {
        const auto v = static_cast<std::uint8_t>((x * 255 / std::max(1, w - 1) + y * 40) % 256);
        return testsupport::Rgb{v, static_cast<std::uint8_t>(255 - v), static_cast<std::uint8_t>(v / 2)};
    });
    const QString path = dir.path(QString::fromLatin1(name));
    return testsupport::writeFile(path, testsupport::buildBmp(p)) ? path : QString();
}

std::string memoAt(db::Query &q, int recNo)
{
    return q.fieldBytesAt(recNo, "MEM2");
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    // picture import
    void defaultsGiveTwoLinesOfThreeAndFillTheClipboard();
    void artGoesToTheCaretAndReplacesASelection();
    void aProjectWithoutFramesGetsItsFirst();
    void richProjectsStoreTheArtAsPasted();
    void pixelWidthBoxKeepsItsBounds();
    void aTypedPixelWidthIsTheOneUsed();
    void picturesQtReadsComeThroughTheSecondFilter();
    void aFileThatIsNotAPictureChangesNothing();
    void cancellingChangesNothing();

    // movie import
    void openingAMovieSetsTheRange();
    void rangeBoxesBoundEachOther();
    void confirmationNamesTheFramesAndNoChangesNothing();
    void aRunAppendsTheChosenPositionsAsTheirArt();
    void richRunsStoreWhatAPasteStores();
    void everyMovieKindImports_data();
    void everyMovieKindImports();
    void moviesBeyondSixteenBitPositions();
    void theTemporaryPictureLivesForTheRunOnly();
    void anUnwritableApplicationFolderUsesTheCache();
    void cancelAndEscStopARunKeepingItsFrames();
    void closingClosesTheMovieAndShowingAsksAgain();
    void badMoviesAreRefusedWithNothingAppended_data();
    void badMoviesAreRefusedWithNothingAppended();
    void aMovieFailingHalfWayKeepsTheFramesBefore();

private:
    void newProject(const TempDir &dir, bool rich);
    // Shows the movie window with the movie chosen in its dialog.
    void openMovie(const QString &path);
    // Confirms with Yes and runs the import.
    void runImport();

    ScriptedDialogService *s_ = nullptr;
    std::unique_ptr<dialogs::ScopedDialogService> scope_;
    TMakeForm1 *f_ = nullptr;
    QString appFolder_;
};

void TestImport::initTestCase()
{
    app::registerFontSubstitutions();
    app::createForms(*static_cast<GlyphreelApplication *>(qApp));
    f_ = MakeForm1;
    f_->show();
    QVERIFY(QFile::exists(moviePath("bgr.avi")));
}

void TestImport::init()
{
    auto scripted = std::make_unique<ScriptedDialogService>();
    s_ = scripted.get();
    scope_ = std::make_unique<dialogs::ScopedDialogService>(std::move(scripted));
    QGuiApplication::clipboard()->clear();
    appFolder_.clear();
    // the windows' defaults, whatever a case before left
    for (ImportForm *w : {static_cast<ImportForm *>(BMPForm1), static_cast<ImportForm *>(AVIForm1)}) {
        w->Edit1->setText(QStringLiteral("3"));
        w->CheckBox1->setChecked(false);
        w->CheckBox2->setChecked(true);
    }
    const import::ImportTarget target{f_->Query1, f_->DBRichEdit0, [this] { return appFolder_; }};
    BMPForm1->attach(target);
    AVIForm1->attach(target);
}

void TestImport::cleanup()
{
    BMPForm1->close();
    AVIForm1->close();
    if (f_->Query1->active())
        f_->Query1->close();
    QCOMPARE(s_->unusedAnswers(), std::size_t(0));
    scope_.reset();
}

void TestImport::newProject(const TempDir &dir, bool rich)
{
    s_->answerFile(dir.path(QStringLiteral("movie.td")));
    if (rich)
        f_->R1Click();
    else
        f_->N4Click();
    QVERIFY(f_->Query1->active());
    QCOMPARE(f_->DBRichEdit0->plainTextMode(), !rich);
}

void TestImport::openMovie(const QString &path)
{
    s_->answerFile(path);
    AVIForm1->show();
    QTRY_VERIFY(AVIForm1->isVisible());
}

void TestImport::runImport()
{
    s_->answerConfirm(Answer::Yes);
    AVIForm1->SpeedButton7->click();
}

// ---------------------------------------------------------------- pictures

void TestImport::defaultsGiveTwoLinesOfThreeAndFillTheClipboard()
{
    TempDir dir;
    newProject(dir, false);
    const QString picture = writePicture(dir, "nine.bmp", 9, 6);
    s_->answerFile(picture);
    BMPForm1->show();
    QCOMPARE(s_->asked().back().file.title, QStringLiteral("開く"));
    QCOMPARE(s_->asked().back().file.filter.section(u'|', 0, 1), QStringLiteral("BMPファイル (*.bmp)|*.bmp"));
    QVERIFY(BMPForm1->SpeedButton7->isEnabled());
    QCOMPARE(BMPForm1->size(), QSize(253, 130));
    QCOMPARE(BMPForm1->windowTitle(), QStringLiteral("BMPイメージからのインポート"));
    BMPForm1->SpeedButton7->click();
    QVERIFY(!BMPForm1->isVisible());
    QVERIFY(!BMPForm1->SpeedButton7->isEnabled());

    const std::string art = artOf(bitmap::loadPictureFile(picture), 3, false, true);
    const QStringList lines = convert::artText(art).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0].size(), 3);
    QCOMPARE(memoAt(*f_->Query1, 1), art);
    QVERIFY(f_->Query1->updatesPending()); // posted

    // The clipboard holds the art, rich and plain.
    const QMimeData *clip = QGuiApplication::clipboard()->mimeData();
    QCOMPARE(clip->text(), convert::artText(art));
    QCOMPARE(clip->data(QStringLiteral("text/rtf")).toStdString(), convert::artRtf(art));
}

void TestImport::artGoesToTheCaretAndReplacesASelection()
{
    TempDir dir;
    newProject(dir, false);
    const QString picture = writePicture(dir, "p.bmp", 9, 6);
    const std::string art = artOf(bitmap::loadPictureFile(picture), 3, false, true);
    f_->DBRichEdit0->insertPlainText(QStringLiteral("abcdef"));

    QTextCursor c = f_->DBRichEdit0->textCursor();
    c.setPosition(3);
    f_->DBRichEdit0->setTextCursor(c);
    s_->answerFile(picture);
    BMPForm1->show();
    BMPForm1->SpeedButton7->click();
    QCOMPARE(memoAt(*f_->Query1, 1), "abc" + art + "def");

    // A selection is replaced.
    f_->Query1->edit();
    c = f_->DBRichEdit0->textCursor();
    c.setPosition(1);
    c.setPosition(2, QTextCursor::KeepAnchor); // "b"
    f_->DBRichEdit0->setTextCursor(c);
    s_->answerFile(picture);
    BMPForm1->show();
    BMPForm1->SpeedButton7->click();
    QCOMPARE(memoAt(*f_->Query1, 1), "a" + art + "c" + art + "def");
}

void TestImport::aProjectWithoutFramesGetsItsFirst()
{
    TempDir dir;
    newProject(dir, false);
    f_->Query1->cancel(); // not even the offered empty frame
    QCOMPARE(f_->Query1->recordCount(), 0);
    const QString picture = writePicture(dir, "p.bmp", 12, 12);
    s_->answerFile(picture);
    BMPForm1->show();
    BMPForm1->SpeedButton7->click();
    QCOMPARE(f_->Query1->recordCount(), 1);
    QCOMPARE(memoAt(*f_->Query1, 1), artOf(bitmap::loadPictureFile(picture), 3, false, true));
    // counted and numbered on the tool bar
    QCOMPARE(f_->Edit3->text(), QStringLiteral("1"));
    QCOMPARE(f_->Edit2->text(), QStringLiteral("1"));
}

void TestImport::richProjectsStoreTheArtAsPasted()
{
    // The paste through the editor and the stored form written straight
    // from the art must agree byte for byte, whatever the editor's own font
    // and colour, for full and half-width art (whose table has \ { }).
    TempDir dir;
    newProject(dir, true);
    const QString picture = writePicture(dir, "p.bmp", 40, 17);
    for (bool half : {false, true}) {
        for (int pixelSize : {7, 16}) {
            QFont font = f_->DBRichEdit0->font();
            font.setPixelSize(pixelSize);
            f_->DBRichEdit0->setFont(font);
            if (f_->Query1->recordCount() > 0)
                f_->SpeedButton1Click(); // a new empty frame
            if (BMPForm1->CheckBox1->isChecked() != half)
                BMPForm1->CheckBox1->click();
            s_->answerFile(picture);
            BMPForm1->show();
            BMPForm1->SpeedButton7->click();
            const std::string art = artOf(bitmap::loadPictureFile(picture), 3, half, true);
            const std::string stored = memoAt(*f_->Query1, f_->Query1->recNo());
            QCOMPARE(stored.substr(0, 5), std::string("{\\rtf"));
            QCOMPARE(stored, convert::artMemo(art, true));
            // and it reads back as the art in 4-point white "ＭＳ ゴシック"
            const rtf::RtfDocument doc = rtf::readRtf(stored);
            QCOMPARE(doc.paragraphs.front().front().font, QStringLiteral("ＭＳ ゴシック"));
            QCOMPARE(doc.paragraphs.front().front().sizePt, 4.0);
            QCOMPARE(doc.paragraphs.front().front().color.rgb, QColor(Qt::white));
            QCOMPARE(doc.plainText() + u'\n', convert::artText(art));
        }
    }
    if (BMPForm1->CheckBox1->isChecked())
        BMPForm1->CheckBox1->click();
}

void TestImport::pixelWidthBoxKeepsItsBounds()
{
    QLineEdit *edit = BMPForm1->Edit1;
    edit->setText(QStringLiteral("0"));
    QCOMPARE(edit->text(), QStringLiteral("1"));
    edit->setText(QStringLiteral("-5"));
    QCOMPARE(edit->text(), QStringLiteral("1"));
    edit->setText(QStringLiteral("100"));
    QCOMPARE(edit->text(), QStringLiteral("99"));
    edit->setText(QStringLiteral("7"));
    QTest::keyClick(edit, Qt::Key_A);
    QCOMPARE(edit->text(), QStringLiteral("7"));
    for (int i = 0; i < 120; ++i)
        BMPForm1->UpDown1->upButton()->click();
    QCOMPARE(edit->text(), QStringLiteral("99"));
    for (int i = 0; i < 120; ++i)
        BMPForm1->UpDown1->downButton()->click();
    QCOMPARE(edit->text(), QStringLiteral("1"));
    QCOMPARE(Form1->Edit2->text(), QStringLiteral("1")); // the arrows write it through
    edit->setText(QStringLiteral("3"));
}

void TestImport::aTypedPixelWidthIsTheOneUsed()
{
    TempDir dir;
    newProject(dir, false);
    const QString picture = writePicture(dir, "p.bmp", 30, 20);
    BMPForm1->Edit1->setText(QStringLiteral("5"));
    s_->answerFile(picture);
    BMPForm1->show();
    BMPForm1->SpeedButton7->click();
    QCOMPARE(memoAt(*f_->Query1, 1), artOf(bitmap::loadPictureFile(picture), 5, false, true));
    BMPForm1->Edit1->setText(QStringLiteral("3"));
}

void TestImport::picturesQtReadsComeThroughTheSecondFilter()
{
    TempDir dir;
    newProject(dir, false);
    QImage image(20, 14, QImage::Format_ARGB32);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 20; ++x)
            image.setPixel(x, y, qRgb(x * 12, y * 18, 90));
    const QString png = dir.path(QStringLiteral("p.png"));
    QVERIFY(image.save(png));
    s_->answerFile(png);
    BMPForm1->show();
    QVERIFY(s_->asked().back().file.filter.contains(QStringLiteral("*.png")));
    BMPForm1->SpeedButton7->click();
    QImage rgb = image.convertToFormat(QImage::Format_BGR888);
    bitmap::Bitmap expected(20, 14, bitmap::PixelFormat::Bgr24);
    for (int y = 0; y < 14; ++y)
        std::memcpy(expected.row(y), rgb.constScanLine(y), 60);
    QCOMPARE(memoAt(*f_->Query1, 1), artOf(expected, 3, false, true));
}

void TestImport::aFileThatIsNotAPictureChangesNothing()
{
    TempDir dir;
    newProject(dir, false);
    f_->DBRichEdit0->insertPlainText(QStringLiteral("keep"));
    const QString bogus = dir.path(QStringLiteral("bogus.bmp"));
    QFile f(bogus);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("this is no picture");
    f.close();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    s_->answerFile(bogus);
    BMPForm1->show();
    BMPForm1->SpeedButton7->click();
    QCOMPARE(s_->asked().back().kind, Kind::Exception);
    QVERIFY(s_->asked().back().text.contains(bogus));
    QVERIFY(BMPForm1->isVisible());
    QVERIFY(BMPForm1->SpeedButton7->isEnabled());
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("keep"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    BMPForm1->SpeedButton1->click();
    QVERIFY(!BMPForm1->isVisible());
}

void TestImport::cancellingChangesNothing()
{
    TempDir dir;
    newProject(dir, false);
    f_->DBRichEdit0->insertPlainText(QStringLiteral("keep"));
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    s_->answerFile(std::nullopt);
    BMPForm1->show();
    QVERIFY(!BMPForm1->SpeedButton7->isEnabled());
    BMPForm1->SpeedButton1->click();
    QVERIFY(!BMPForm1->isVisible());
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("keep"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
}

// ------------------------------------------------------------------ movies

void TestImport::openingAMovieSetsTheRange()
{
    openMovie(moviePath("bgr.avi"));
    QCOMPARE(s_->asked().back().file.filter.section(u'|', 0, 1), QStringLiteral("AVIファイル (*.avi)|*.avi"));
    QVERIFY(s_->asked().back().file.filter.contains(QStringLiteral("ムービーファイル")));
    QCOMPARE(AVIForm1->size(), QSize(509, 259));
    const int length = AVIForm1->GKitMSPlay1->length();
    QCOMPARE(length, 39);
    QCOMPARE(AVIForm1->Panel4->text(), QStringLiteral("98 x 66"));
    QCOMPARE(AVIForm1->Edit5->text(), QStringLiteral("0"));
    QCOMPARE(AVIForm1->Edit6->text(), QStringLiteral("39"));
    QCOMPARE(AVIForm1->Edit3->text(), QStringLiteral("1"));
    QCOMPARE(AVIForm1->ShadowLabel9->Caption(), QStringLiteral("40"));
    QVERIFY(AVIForm1->SpeedButton7->isEnabled());
}

void TestImport::rangeBoxesBoundEachOther()
{
    openMovie(moviePath("bgr.avi"));
    AVIForm1->Edit5->setText(QStringLiteral("10"));
    AVIForm1->Edit6->setText(QStringLiteral("20"));
    AVIForm1->Edit3->setText(QStringLiteral("3"));
    QCOMPARE(AVIForm1->ShadowLabel9->Caption(), QStringLiteral("4"));
    AVIForm1->Edit5->setText(QStringLiteral("25")); // above the end
    QCOMPARE(AVIForm1->Edit5->text(), QStringLiteral("20"));
    QCOMPARE(AVIForm1->ShadowLabel9->Caption(), QStringLiteral("1"));
    AVIForm1->Edit5->setText(QStringLiteral("12"));
    AVIForm1->Edit6->setText(QStringLiteral("5")); // below the start
    QCOMPARE(AVIForm1->Edit6->text(), QStringLiteral("12"));
    AVIForm1->Edit6->setText(QStringLiteral("500")); // above the length
    QCOMPARE(AVIForm1->Edit6->text(), QStringLiteral("39"));
    AVIForm1->Edit3->setText(QStringLiteral("0"));
    QCOMPARE(AVIForm1->Edit3->text(), QStringLiteral("1"));
    AVIForm1->Edit3->setText(QStringLiteral("1000"));
    QCOMPARE(AVIForm1->Edit3->text(), QStringLiteral("999"));
    QCOMPARE(AVIForm1->ShadowLabel9->Caption(), QStringLiteral("1"));
    AVIForm1->Edit3->setText(QStringLiteral("2"));
    for (int i = 0; i < 60; ++i)
        AVIForm1->UpDown2->upButton()->click();
    QCOMPARE(AVIForm1->Edit3->text(), QStringLiteral("39")); // the arrows stop at the length
    for (int i = 0; i < 60; ++i)
        AVIForm1->UpDown4->upButton()->click();
    QCOMPARE(AVIForm1->Edit6->text(), QStringLiteral("39"));
    for (int i = 0; i < 60; ++i)
        AVIForm1->UpDown3->upButton()->click();
    QCOMPARE(AVIForm1->Edit5->text(), QStringLiteral("39")); // up to the end
    AVIForm1->Edit5->setText(QStringLiteral("x"));
    QCOMPARE(AVIForm1->Edit5->text(), QStringLiteral("39"));
}

void TestImport::confirmationNamesTheFramesAndNoChangesNothing()
{
    TempDir dir;
    newProject(dir, false);
    for (int i = 0; i < 10; ++i) {
        f_->DBRichEdit0->insertPlainText(QString::number(i));
        f_->SpeedButton1Click();
    }
    // the empty frame the last add made
    f_->Query1->last();
    f_->Query1->deleteRecord();
    QCOMPARE(f_->Query1->recordCount(), 10);
    openMovie(moviePath("bgr.avi"));
    AVIForm1->Edit6->setText(QStringLiteral("4"));
    QCOMPARE(AVIForm1->ShadowLabel9->Caption(), QStringLiteral("5"));
    s_->answerConfirm(Answer::No);
    AVIForm1->SpeedButton7->click();
    QCOMPARE(s_->asked().back().kind, Kind::Confirm);
    QCOMPARE(s_->asked().back().text, QStringLiteral("11 ｺﾏ目から 15 ｺﾏ目にインポートします。\n\nよろしいですか？"));
    QCOMPARE(f_->Query1->recordCount(), 10);
    QVERIFY(AVIForm1->isVisible());
    QCOMPARE(AVIForm1->windowTitle(), QStringLiteral("AVIムービーからのインポート"));
}

void TestImport::aRunAppendsTheChosenPositionsAsTheirArt()
{
    TempDir dir;
    newProject(dir, false);
    f_->Query1->cancel();
    openMovie(moviePath("bgr.avi"));
    AVIForm1->Edit5->setText(QStringLiteral("10"));
    AVIForm1->Edit6->setText(QStringLiteral("20"));
    AVIForm1->Edit3->setText(QStringLiteral("3"));
    AVIForm1->Edit1->setText(QStringLiteral("2")); // typed, not through the arrows
    runImport();
    QVERIFY(!AVIForm1->isVisible());
    QCOMPARE(AVIForm1->windowTitle(), QStringLiteral("AVIムービーからのインポート"));
    QCOMPARE(AVIForm1->Panel4->text(), QStringLiteral("0 x 0"));
    QCOMPARE(f_->Query1->recordCount(), 4);
    QVERIFY(f_->Query1->state() != db::Query::State::Insert); // the last one posted too
    const std::vector<bitmap::Bitmap> pictures = testsupport::ffmpegPictures(moviePath("bgr.avi"), {10, 13, 16, 19});
    QCOMPARE(pictures.size(), std::size_t(4));
    for (std::size_t i = 0; i < pictures.size(); ++i)
        QCOMPARE(memoAt(*f_->Query1, int(i) + 1), artOf(pictures[i], 2, false, true));
    // The editor shows the last new frame, counted and numbered on the tool
    // bar; the clipboard holds its art.
    QCOMPARE(f_->Query1->recNo(), 4);
    QCOMPARE(f_->Edit3->text(), QStringLiteral("4"));
    QCOMPARE(f_->Edit2->text(), QStringLiteral("4"));
    QCOMPARE(f_->DBRichEdit0->memo(), memoAt(*f_->Query1, 4));
    QCOMPARE(QGuiApplication::clipboard()->text(), convert::artText(memoAt(*f_->Query1, 4)));
    QCOMPARE(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("text/rtf")).toStdString(),
             convert::artRtf(memoAt(*f_->Query1, 4)));
    // Saved, they are in the table files.
    f_->Save2Click();
    QVERIFY(!f_->Query1->updatesPending());
    AVIForm1->Edit1->setText(QStringLiteral("3"));
}

void TestImport::richRunsStoreWhatAPasteStores()
{
    TempDir dir;
    newProject(dir, true);
    f_->Query1->cancel();
    openMovie(moviePath("bgr.avi"));
    AVIForm1->Edit6->setText(QStringLiteral("1"));
    runImport();
    QCOMPARE(f_->Query1->recordCount(), 2);
    const std::string memo = memoAt(*f_->Query1, 2);
    // The same art pasted by the picture window into an empty frame.
    const std::string art = artOf(testsupport::ffmpegPicture(moviePath("bgr.avi"), 1), 3, false, true);
    QCOMPARE(memo, convert::artMemo(art, true));
    f_->SpeedButton1Click();
    Form1->showResult(art);
    Form1->copyResult();
    f_->DBRichEdit0->paste();
    f_->Query1->post();
    QCOMPARE(memoAt(*f_->Query1, 3), memo);
}

void TestImport::everyMovieKindImports_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("MPEG-4 in AVI") << moviePath("mpeg4.avi");
    QTest::newRow("MP4") << moviePath("clip.mp4");
    QTest::newRow("Matroska") << moviePath("clip.mkv");
    QTest::newRow("WebM") << moviePath("clip.webm");
}

void TestImport::everyMovieKindImports()
{
    QFETCH(QString, file);
    TempDir dir;
    newProject(dir, false);
    f_->Query1->cancel();
    openMovie(file);
    const int length = AVIForm1->GKitMSPlay1->length();
    QVERIFY(length > 10);
    // the last positions, where a count that is off by one would fail
    AVIForm1->Edit5->setText(QString::number(length - 4));
    AVIForm1->Edit3->setText(QStringLiteral("2"));
    runImport();
    QCOMPARE(f_->Query1->recordCount(), 3);
    int i = 1;
    for (int p = length - 4; p <= length; p += 2, ++i) {
        const bitmap::Bitmap reference = testsupport::ffmpegPicture(file, p);
        QVERIFY(!reference.isNull());
        // YUV movies match FFmpeg's picture within rounding: each cell's
        // density index may differ by a step or two.
        const QString got = convert::artText(memoAt(*f_->Query1, i));
        const QString want = convert::artText(artOf(reference, 3, false, true));
        QCOMPARE(got.size(), want.size());
        int far = 0;
        for (qsizetype k = 0; k < got.size(); ++k) {
            if (got[k] == want[k] || got[k] == u'\n')
                continue;
            const std::string a = text::encodeCp932(QString(got[k])), b = text::encodeCp932(QString(want[k]));
            int ia = -1, ib = -1;
            for (int t = 0; t < 256; ++t) {
                if (convert::FDensityList[t][0] == std::uint8_t(a[0]) && convert::FDensityList[t][1] == std::uint8_t(a[1]))
                    ia = t;
                if (convert::FDensityList[t][0] == std::uint8_t(b[0]) && convert::FDensityList[t][1] == std::uint8_t(b[1]))
                    ib = t;
            }
            if (std::abs(ia - ib) > 2)
                ++far;
        }
        QVERIFY2(far == 0, qPrintable(QStringLiteral("position %1: %2 cells differ beyond rounding").arg(p).arg(far)));
    }
}

void TestImport::moviesBeyondSixteenBitPositions()
{
    TempDir dir;
    newProject(dir, false);
    f_->Query1->cancel();
    openMovie(moviePath("long.mkv"));
    QCOMPARE(AVIForm1->GKitMSPlay1->length(), 32999);
    QCOMPARE(AVIForm1->Edit6->text(), QStringLiteral("32999"));
    QCOMPARE(AVIForm1->ShadowLabel9->Caption(), QStringLiteral("33000"));
    AVIForm1->Edit5->setText(QStringLiteral("32990"));
    AVIForm1->Edit3->setText(QStringLiteral("3"));
    QCOMPARE(AVIForm1->ShadowLabel9->Caption(), QStringLiteral("4"));
    runImport();
    QCOMPARE(f_->Query1->recordCount(), 4);
    const std::vector<bitmap::Bitmap> pictures = testsupport::ffmpegPictures(moviePath("long.mkv"), {32990, 32993, 32996, 32999});
    QCOMPARE(pictures.size(), std::size_t(4));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(memoAt(*f_->Query1, i + 1), artOf(pictures[std::size_t(i)], 3, false, true));
}

void TestImport::theTemporaryPictureLivesForTheRunOnly()
{
    TempDir dir;
    newProject(dir, false);
    f_->Query1->cancel();
    appFolder_ = dir.root();
    const QString tmp = dir.path(QStringLiteral("gryla000.tmp"));
    openMovie(moviePath("bgr.avi"));
    bool seen = false;
    QTimer probe;
    connect(&probe, &QTimer::timeout, this, [&] {
        if (AVIForm1->running()) {
            seen = seen || QFile::exists(tmp);
            QVERIFY(AVIForm1->windowTitle().startsWith(QStringLiteral("AVIムービーからのインポート - 処理中 ")));
            QVERIFY(AVIForm1->windowTitle().endsWith(QStringLiteral(" / 40")));
        }
    });
    probe.start(0);
    runImport();
    probe.stop();
    QVERIFY(seen);
    QVERIFY(!QFile::exists(tmp));
    QCOMPARE(f_->Query1->recordCount(), 40);
}

void TestImport::anUnwritableApplicationFolderUsesTheCache()
{
    TempDir dir;
    qputenv("XDG_CACHE_HOME", dir.path(QStringLiteral("cache")).toLocal8Bit());
    appFolder_ = dir.path(QStringLiteral("no/such/folder"));
    const QString path = TAVIForm1::temporaryPicturePath(appFolder_);
    QVERIFY2(path.startsWith(dir.path(QStringLiteral("cache"))), qPrintable(path));
    QVERIFY(path.endsWith(QStringLiteral("/gryla000.tmp")));
    newProject(dir, false);
    f_->Query1->cancel();
    openMovie(moviePath("bgr.avi"));
    AVIForm1->Edit6->setText(QStringLiteral("2"));
    runImport();
    QCOMPARE(f_->Query1->recordCount(), 3);
    QVERIFY(!QFile::exists(path));
    qunsetenv("XDG_CACHE_HOME");
}

void TestImport::cancelAndEscStopARunKeepingItsFrames()
{
    TempDir dir;
    newProject(dir, false);
    f_->Query1->cancel();
    for (bool esc : {false, true}) {
        const int before = f_->Query1->recordCount();
        openMovie(moviePath("mpeg4.avi"));
        QTimer stopper;
        connect(&stopper, &QTimer::timeout, this, [&] {
            if (!AVIForm1->running() || f_->Query1->recordCount() < before + 3)
                return;
            // nothing but cancel answers during a run
            QVERIFY(!AVIForm1->SpeedButton7->isEnabled() && !AVIForm1->UpDown3->isEnabled());
            if (esc)
                QTest::keyClick(AVIForm1, Qt::Key_Escape);
            else
                AVIForm1->SpeedButton1->click();
        });
        stopper.start(0);
        runImport();
        stopper.stop();
        const int made = f_->Query1->recordCount() - before;
        QVERIFY2(made >= 3 && made < 100, qPrintable(QString::number(made)));
        QVERIFY(f_->Query1->state() != db::Query::State::Insert);
        QVERIFY(!AVIForm1->isVisible());
        QVERIFY(!memoAt(*f_->Query1, f_->Query1->recordCount()).empty());
    }
}

void TestImport::closingClosesTheMovieAndShowingAsksAgain()
{
    openMovie(moviePath("bgr.avi"));
    AVIForm1->close();
    QCOMPARE(AVIForm1->Panel4->text(), QStringLiteral("0 x 0"));
    QCOMPARE(AVIForm1->GKitMSPlay1->fileName(), QString());
    QVERIFY(!AVIForm1->SpeedButton7->isEnabled());
    const std::size_t asked = s_->asked().size();
    s_->answerFile(std::nullopt); // cancelled: the range keeps the last movie's values
    AVIForm1->show();
    QCOMPARE(s_->asked().size(), asked + 1);
    QVERIFY(!AVIForm1->SpeedButton7->isEnabled());
    QCOMPARE(AVIForm1->Edit6->text(), QStringLiteral("39"));
}

void TestImport::badMoviesAreRefusedWithNothingAppended_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("not a movie") << moviePath("notamovie.avi");
    QTest::newRow("no video stream") << moviePath("audio.mkv");
    QTest::newRow("no frames") << moviePath("empty.avi");
    QTest::newRow("missing") << moviePath("missing.avi");
}

void TestImport::badMoviesAreRefusedWithNothingAppended()
{
    QFETCH(QString, file);
    TempDir dir;
    newProject(dir, false);
    f_->Query1->cancel();
    openMovie(file);
    QCOMPARE(s_->asked().back().kind, Kind::Exception);
    QVERIFY2(s_->asked().back().text.contains(QFileInfo(file).fileName()), qPrintable(s_->asked().back().text));
    QVERIFY(!AVIForm1->SpeedButton7->isEnabled());
    QCOMPARE(AVIForm1->Panel4->text(), QStringLiteral("0 x 0"));
    QCOMPARE(f_->Query1->recordCount(), 0);
}

void TestImport::aMovieFailingHalfWayKeepsTheFramesBefore()
{
    TempDir dir;
    newProject(dir, false);
    f_->Query1->cancel();
    openMovie(moviePath("truncated.avi"));
    if (AVIForm1->GKitMSPlay1->fileName().isEmpty())
        QSKIP("the truncated movie does not open here; its frames cannot fail half-way");
    runImport();
    QCOMPARE(s_->asked().back().kind, Kind::Exception);
    const int made = f_->Query1->recordCount();
    QVERIFY(made > 0);
    QVERIFY(made < AVIForm1->ShadowLabel9->Caption().toInt());
    QVERIFY(f_->Query1->state() != db::Query::State::Insert); // posted
    QVERIFY(AVIForm1->isVisible());
    QVERIFY(AVIForm1->windowTitle().contains(QStringLiteral("処理中 %1 / ").arg(made)));
}

int main(int argc, char **argv)
{
    GlyphreelApplication application(argc, argv);
    TestImport test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_import.moc"
