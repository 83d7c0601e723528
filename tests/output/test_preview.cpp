// The preview window through the main window's preview command: the strip,
// playing from the frame on screen, looping or stopping at the end, the
// cues of each step, the speed box, the steady clock, editing while
// stopped, closing and the return to the bookmarked frame.

#include "app/Application.h"
#include "app/Fonts.h"
#include "app/Makewindow1.h"
#include "app/Startup.h"
#include "output/Previewwindow1.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "platform/text/Cp932.h"
#include "platform/text/ProfileFile.h"
#include "support/Files.h"
#include "support/Projects.h"
#include "support/TempDir.h"

#include <QtTest>

#include <functional>

using namespace glyphreel;

namespace {

std::string frameText(int n)
{
    return text::encodeCp932(QStringLiteral("コマ %1\r\n").arg(n));
}

// Runs the steps inside the preview's modal loop, then closes it by its
// Close button if the steps left it open.
void withPreview(TMakeForm1 *f, const std::function<void()> &steps)
{
    bool ran = false;
    QTimer::singleShot(0, PreviewForm1, [&] {
        ran = true;
        steps();
        if (PreviewForm1->isVisible())
            QTest::mouseClick(PreviewForm1->BitBtn2, Qt::LeftButton);
    });
    QTest::mouseClick(f->SpeedButton3, Qt::LeftButton);
    QVERIFY(ran);
    QVERIFY(!PreviewForm1->isVisible());
}

// Play at speed 1 without loop, until it stops on the last frame.
void playToTheEnd(TPreviewForm1 *p)
{
    p->CheckBox1->setChecked(false);
    p->Edit3->setText(QStringLiteral("1"));
    QTest::mouseClick(p->BitBtn5, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!p->Timer1->Enabled(), 5000);
}

int shownRecNo(TMakeForm1 *f)
{
    return f->Query1->recNo();
}

} // namespace

class TestPreview : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void stripLayout();
    void playsFromTheFrameOnScreenLoopsAndReturns();
    void stopsOnTheLastFrameWithoutLoop();
    void cuesOfEachStepWhateverTheSoundSwitch();
    void aTrackThatCannotOpenEndsTheCuesOfItsStep();
    void speedBox();
    void stepsKeepToTheClock();
    void editingWhileStoppedIsKept();
    void playingLooksLikeTheEditor();
    void withoutSoundOutputItPlaysSilently();
    void theViewReadsAheadAndRemakesAnEditedFrame();

private:
    void openProject(int frames, bool rich = false, const std::vector<std::vector<const char *>> &cues = {});
    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<dialogs::ScopedDialogService> scope_;
    dialogs::ScriptedDialogService *s_ = nullptr;
    TMakeForm1 *f_ = nullptr;
};

void TestPreview::initTestCase()
{
    app::registerFontSubstitutions();
    app::createForms(*static_cast<GlyphreelApplication *>(qApp));
    f_ = MakeForm1;
    f_->show();
}

void TestPreview::init()
{
    auto scripted = std::make_unique<dialogs::ScriptedDialogService>();
    s_ = scripted.get();
    scope_ = std::make_unique<dialogs::ScopedDialogService>(std::move(scripted));
    dir_ = std::make_unique<TempDir>();
}

void TestPreview::cleanup()
{
    if (f_->Query1->active())
        f_->Query1->close();
    scope_.reset();
    dir_.reset();
}

void TestPreview::openProject(int frames, bool rich, const std::vector<std::vector<const char *>> &cues)
{
    std::vector<testsupport::FrameRow> rows;
    for (int i = 1; i <= frames; ++i)
        rows.push_back({frameText(i), i - 1 < int(cues.size()) ? cues[std::size_t(i - 1)] : std::vector<const char *>{}});
    testsupport::writeFrameTable(dir_->root(), "movie", rich, rows);
    const QString td = dir_->path(QStringLiteral("movie.td"));
    text::ProfileFile settings(td);
    settings.writeString(QStringLiteral("Setting"), QStringLiteral("TextType"), rich ? QStringLiteral("0") : QStringLiteral("1"));
    f_->openProject(td);
    QVERIFY(f_->Query1->active());
    QCOMPARE(f_->Query1->recordCount(), frames);
}

void TestPreview::stripLayout()
{
    openProject(2);
    withPreview(f_, [&] {
        TPreviewForm1 *p = PreviewForm1;
        QCOMPARE(p->windowTitle(), QStringLiteral("プレビュー"));
        QCOMPARE(p->Panel1->geometry(), QRect(0, 0, 80, p->height()));
        QCOMPARE(p->BitBtn5->geometry().top(), 6);
        QCOMPARE(p->BitBtn5->size(), QSize(72, 20));
        QCOMPARE(p->BitBtn1->geometry().top(), 30);
        QCOMPARE(p->Bevel1->geometry(), QRect(6, 60, 68, 5));
        QCOMPARE(p->SLabel1->y(), 74);
        QCOMPARE(p->UpDown3->y(), 86);
        QCOMPARE(p->ShadowLabel6->y(), 114);
        QCOMPARE(p->CheckBox1->y(), 126);
        QVERIFY(p->ShadowLabel1->x() > p->CheckBox1->geometry().right());
        QCOMPARE(p->BitBtn2->y(), p->height() - 26);
        for (QWidget *w : std::initializer_list<QWidget *>{p->BitBtn5, p->BitBtn1, p->UpDown3, p->CheckBox1, p->BitBtn2})
            QVERIFY(w->x() >= 4 && w->x() <= 8);
        QCOMPARE(p->BitBtn5->text(), QStringLiteral("Play"));
        QCOMPARE(p->BitBtn1->toolTip(), QStringLiteral("停止"));
        QCOMPARE(p->BitBtn2->toolTip(), QStringLiteral("閉じる"));
        QCOMPARE(p->Edit3->toolTip(), QStringLiteral("再生速度"));
        QCOMPARE(p->DBRichEdit1->geometry(), QRect(80, 0, p->width() - 80, p->height()));
        QVERIFY(!p->Timer1->Enabled()); // opening never plays
        // Close follows the bottom edge.
        p->resize(500, 400);
        QCOMPARE(p->BitBtn2->y(), 400 - 26);
        p->resize(50, 100);
        QCOMPARE(p->size(), QSize(100, 260)); // the smallest it gets
        p->resize(640, 480);
    });
}

void TestPreview::playsFromTheFrameOnScreenLoopsAndReturns()
{
    openProject(10);
    f_->Query1->first();
    for (int i = 1; i < 5; ++i)
        f_->Query1->next();
    QCOMPARE(f_->Edit2->text(), QStringLiteral("5"));
    std::vector<int> shown;
    withPreview(f_, [&] {
        TPreviewForm1 *p = PreviewForm1;
        QCOMPARE(p->DBRichEdit1->toPlainText().trimmed(), text::decodeCp932(frameText(5)).trimmed());
        QCOMPARE(p->FrameCounter->Caption(), QStringLiteral("5 / 10"));
        p->CheckBox1->setChecked(true);
        p->Edit3->setText(QStringLiteral("1"));
        QCOMPARE(p->Timer1->Interval(), 10);
        QObject scope;
        connect(p->Timer1, &output::PlaybackClock::OnTimer, &scope, [&] { shown.push_back(shownRecNo(f_)); });
        QTest::mouseClick(p->BitBtn5, Qt::LeftButton);
        QVERIFY(p->FrameView1->isVisible());
        QVERIFY(!p->DBRichEdit1->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= 8, 5000);
        QTest::mouseClick(p->BitBtn1, Qt::LeftButton);
        QVERIFY(!p->Timer1->Enabled());
        // Stopped: the frame on screen stays current, in the editable view.
        QVERIFY(p->DBRichEdit1->isVisible());
        QCOMPARE(p->DBRichEdit1->toPlainText().trimmed(), text::decodeCp932(frameText(shownRecNo(f_))).trimmed());
        QCOMPARE(p->FrameCounter->Caption(), QStringLiteral("%1 / 10").arg(shownRecNo(f_)));
        // The main window's own frame handling waits while the preview shows.
        QCOMPARE(f_->Edit2->text(), QStringLiteral("5"));
    });
    QCOMPARE(std::vector<int>(shown.begin(), shown.begin() + 8), (std::vector<int>{6, 7, 8, 9, 10, 1, 2, 3}));
    // Back on the frame the preview opened on, as an ordinary move.
    QCOMPARE(shownRecNo(f_), 5);
    QCOMPARE(f_->Edit2->text(), QStringLiteral("5"));
    QVERIFY(f_->DBRichEdit0->autoDisplay());
    QVERIFY(!PreviewForm1->DBRichEdit1->autoDisplay());
}

void TestPreview::stopsOnTheLastFrameWithoutLoop()
{
    openProject(3, false, {{}, {}, {"SND1"}});
    const QString sound = dir_->path(QStringLiteral("tone.wav"));
    QVERIFY(testsupport::makeSound(sound, 30));
    f_->project().chooseTrackFile(1, sound);
    f_->Query1->first();
    withPreview(f_, [&] {
        TPreviewForm1 *p = PreviewForm1;
        playToTheEnd(p);
        QCOMPARE(shownRecNo(f_), 3);
        // The last step sounded the cues of the last frame as it tried to
        // move on from it.
        media::SoundDevice &track = f_->project().player(1);
        QVERIFY(track.playing());
        QTRY_VERIFY_WITH_TIMEOUT(track.position() > 44100 / 2, 5000);
        const auto before = track.position();
        // Play again: one more step sounds them again, from the start, and
        // stops on the last frame again.
        QTest::mouseClick(p->BitBtn5, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!p->Timer1->Enabled(), 5000);
        QCOMPARE(shownRecNo(f_), 3);
        QVERIFY(track.playing());
        QVERIFY(track.position() < before);
    });
    // Closing rewinds every track, which stops it.
    QVERIFY(!f_->project().player(1).playing());
}

void TestPreview::cuesOfEachStepWhateverTheSoundSwitch()
{
    // One frame, loop on: that frame's cues at every step.
    openProject(1, false, {{"SND1", "SND3"}});
    std::vector<QString> sounds;
    for (int n = 1; n <= 3; ++n) {
        sounds.push_back(dir_->path(QStringLiteral("t%1.wav").arg(n)));
        QVERIFY(testsupport::makeSound(sounds.back(), 30));
        f_->project().chooseTrackFile(n, sounds.back());
    }
    if (f_->N19->data().toInt() == 1)
        f_->N19Click(); // the sound switch off: the editor plays nothing
    QCOMPARE(f_->N19->text(), QStringLiteral("編集中に音を鳴らす(&P)"));
    int steps = 0;
    withPreview(f_, [&] {
        TPreviewForm1 *p = PreviewForm1;
        p->CheckBox1->setChecked(true);
        p->Edit3->setText(QStringLiteral("5"));
        QObject scope;
        connect(p->Timer1, &output::PlaybackClock::OnTimer, &scope, [&] {
            ++steps;
            if (steps == 3)
                QTest::mouseClick(p->BitBtn1, Qt::LeftButton);
        });
        QTest::mouseClick(p->BitBtn5, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!p->Timer1->Enabled(), 5000);
        QCOMPARE(shownRecNo(f_), 1);
        QVERIFY(f_->project().player(1).playing());
        QVERIFY(!f_->project().player(2).playing()); // not cued
        QVERIFY(f_->project().player(3).playing());
    });
    QCOMPARE(steps, 3);
    QVERIFY(!f_->project().player(1).playing());
    QVERIFY(!f_->project().player(3).playing());
    f_->N19Click();
}

void TestPreview::aTrackThatCannotOpenEndsTheCuesOfItsStep()
{
    openProject(2, false, {{"SND1", "SND2", "SND3"}, {}});
    const QString good = dir_->path(QStringLiteral("good.wav"));
    QVERIFY(testsupport::makeSound(good, 30));
    const QString bad = dir_->path(QStringLiteral("bad.wav"));
    testsupport::writeAll(bad, "not a sound");
    f_->project().chooseTrackFile(1, good);
    QVERIFY_THROWS_EXCEPTION(std::exception, f_->project().chooseTrackFile(2, bad));
    f_->project().chooseTrackFile(3, good);
    f_->Query1->first();
    withPreview(f_, [&] {
        TPreviewForm1 *p = PreviewForm1;
        playToTheEnd(p);
        QVERIFY(f_->project().player(1).playing());
        QVERIFY(!f_->project().player(3).playing()); // after the failing track 2
    });
}

void TestPreview::speedBox()
{
    openProject(1);
    withPreview(f_, [&] {
        TPreviewForm1 *p = PreviewForm1;
        QLineEdit *e = p->Edit3;
        e->selectAll();
        QTest::keyClicks(e, QStringLiteral("0"));
        QCOMPARE(e->text(), QStringLiteral("1"));
        QCOMPARE(p->Timer1->Interval(), 10);
        e->selectAll();
        QTest::keyClicks(e, QStringLiteral("150"));
        QCOMPARE(e->text(), QStringLiteral("99"));
        QCOMPARE(p->Timer1->Interval(), 990);
        e->selectAll();
        e->insert(QStringLiteral("-5")); // pasted: a minus typed alone is no number
        QCOMPARE(e->text(), QStringLiteral("1"));
        e->selectAll();
        QTest::keyClicks(e, QStringLiteral("42"));
        QCOMPARE(p->Timer1->Interval(), 420);
        QTest::keyClicks(e, QStringLiteral("x")); // a letter after the digits: refused
        QCOMPARE(e->text(), QStringLiteral("42"));
        QCOMPARE(p->Timer1->Interval(), 420);
        e->clear(); // an empty box keeps the interval
        QCOMPARE(p->Timer1->Interval(), 420);
        QTest::mouseClick(p->UpDown3->upButton(), Qt::LeftButton);
        QCOMPARE(p->Timer1->Interval(), 430);
        p->UpDown3->setPosition(99);
        QTest::mouseClick(p->UpDown3->upButton(), Qt::LeftButton); // no wrap
        QCOMPARE(p->Timer1->Interval(), 990);
        e->setText(QStringLiteral("20"));
    });
    // The speed and loop are the project's: saved into its settings.
    f_->Save2Click();
    QCOMPARE(text::ProfileFile(dir_->path(QStringLiteral("movie.td"))).readInteger(QStringLiteral("Setting"), QStringLiteral("Speed"), 0), 20);
}

void TestPreview::stepsKeepToTheClock()
{
    openProject(4);
    std::vector<qint64> due;
    bool changed = false;
    qint64 changedAt = 0, afterChange = 0;
    withPreview(f_, [&] {
        TPreviewForm1 *p = PreviewForm1;
        p->CheckBox1->setChecked(true);
        p->Edit3->setText(QStringLiteral("2"));
        QObject scope;
        connect(p->Timer1, &output::PlaybackClock::OnTimer, &scope, [&] {
            due.push_back(p->Timer1->dueNs());
            if (due.size() == 5) {
                QThread::msleep(55); // a late step: more than two intervals
            }
            if (due.size() == 12 && !changed) {
                // Slower at once: the next step one new interval on.
                changed = true;
                changedAt = p->Timer1->dueNs();
                p->Edit3->setText(QStringLiteral("30"));
            } else if (changed && afterChange == 0) {
                afterChange = p->Timer1->dueNs();
                QTest::mouseClick(p->BitBtn1, Qt::LeftButton);
            }
        });
        QTest::mouseClick(p->BitBtn5, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!p->Timer1->Enabled(), 5000);
        p->Edit3->setText(QStringLiteral("20"));
    });
    QVERIFY(due.size() >= 13);
    // Every step on the grid of the interval from Play: a late step pushes
    // no later one back, and the missed ones are let go, not hurried.
    for (std::size_t i = 0; i < 12; ++i)
        QCOMPARE(due[i] % 20000000, qint64(0));
    QCOMPARE(due[4], qint64(5) * 20000000);
    QVERIFY(due[5] >= qint64(7) * 20000000);
    QCOMPARE(afterChange - changedAt, qint64(300000000));
}

void TestPreview::editingWhileStoppedIsKept()
{
    openProject(3);
    f_->Query1->first();
    withPreview(f_, [&] {
        TPreviewForm1 *p = PreviewForm1;
        p->DBRichEdit1->setFocus();
        p->DBRichEdit1->moveCursor(QTextCursor::Start);
        QTest::keyClicks(p->DBRichEdit1, QStringLiteral("ABC"));
        p->CheckBox1->setChecked(false);
        p->Edit3->setText(QStringLiteral("1"));
        QTest::mouseClick(p->BitBtn5, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!p->Timer1->Enabled(), 5000);
    });
    f_->Query1->first();
    QVERIFY(QString::fromStdString(f_->Query1->fieldBytes("MEM2")).startsWith(QStringLiteral("ABC")));
}

void TestPreview::playingLooksLikeTheEditor()
{
    openProject(2, true);
    f_->Query1->first();
    withPreview(f_, [&] {
        TPreviewForm1 *p = PreviewForm1;
        p->DBRichEdit1->setTextInteractionFlags(Qt::NoTextInteraction); // no caret in the picture
        QCoreApplication::processEvents();
        const QImage editor = p->DBRichEdit1->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        p->Edit3->setText(QStringLiteral("99"));
        QTest::mouseClick(p->BitBtn5, Qt::LeftButton);
        // The first frame, drawn by the renderer before the first step.
        const QImage drawn = p->FrameView1->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QTest::mouseClick(p->BitBtn1, Qt::LeftButton);
        p->DBRichEdit1->setTextInteractionFlags(Qt::TextEditorInteraction);
        const QSize size = editor.size().boundedTo(drawn.size());
        qint64 differing = 0, lit = 0;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                differing += editor.pixel(x, y) != drawn.pixel(x, y);
                lit += qGray(drawn.pixel(x, y)) > 0;
            }
        QVERIFY(lit > 20); // the text is there
        QVERIFY2(differing <= size.width() * size.height() / 100, qPrintable(QString::number(differing)));
    });
}

// The playing view on its own: frames after the one shown are read and laid
// out ahead, within the loop or up to the end, and a frame whose bytes
// changed is made again rather than shown as it was.
void TestPreview::theViewReadsAheadAndRemakesAnEditedFrame()
{
    std::vector<std::string> memos;
    for (int i = 1; i <= 20; ++i)
        memos.push_back(frameText(i));
    std::vector<int> asked;
    output::FrameView view;
    view.resize(300, 200);
    view.setSource(
        [&](int row) {
            asked.push_back(row);
            return memos[std::size_t(row - 1)];
        },
        [&] { return int(memos.size()); });
    render::FrameLook look;
    look.baseFont = QFont(QStringLiteral("ＭＳ ゴシック"));
    look.baseFont.setPixelSize(24);
    view.setLook(look);
    view.setLoop(false);
    view.show();
    view.showRow(15);
    QCOMPARE(view.shownRow(), 15);
    // Without loop the rows after the last are not read.
    QTRY_COMPARE(view.preparedCount(), std::size_t(6));
    QVERIFY(std::all_of(asked.begin(), asked.end(), [](int r) { return r >= 15; }));
    view.setLoop(true);
    view.showRow(20);
    QTRY_COMPARE(view.preparedCount(), std::size_t(6 + output::FrameView::kAhead));
    QVERIFY(std::find(asked.begin(), asked.end(), 1) != asked.end()); // the loop goes on with the first
    const QImage before = view.grab().toImage();
    view.showRow(1);
    const QImage first = view.grab().toImage();
    QVERIFY(first != before);
    // Edited: the same row shows the new bytes, not the frame made before.
    memos[0] = text::encodeCp932(QStringLiteral("書き換えた\r\n"));
    view.showRow(1);
    const QImage edited = view.grab().toImage();
    QVERIFY(edited != first);
    memos[0] = frameText(1);
    view.showRow(1);
    QCOMPARE(view.grab().toImage(), first);
}

// Run on its own with an SDL audio driver that cannot open (CTest's
// test_preview_nosound); with sound output there is nothing to see.
void TestPreview::withoutSoundOutputItPlaysSilently()
{
    if (media::SoundDevice::outputAvailable())
        QSKIP("there is a sound output");
    const QString sound = dir_->path(QStringLiteral("tone.wav"));
    QVERIFY(testsupport::makeSound(sound, 5));
    QFile::copy(sound, dir_->path(QStringLiteral("second.wav")));
    openProject(3, false, {{"SND1"}, {"SND1", "SND2"}, {}});
    // The stored tracks load: the sound is good, only the output is missing.
    text::ProfileFile(dir_->path(QStringLiteral("movie.td"))).writeString(QStringLiteral("Setting"), QStringLiteral("Track1"), QStringLiteral("tone.wav"));
    text::ProfileFile(dir_->path(QStringLiteral("movie.td"))).writeString(QStringLiteral("Setting"), QStringLiteral("Track2"), QStringLiteral("second.wav"));
    f_->openProject(dir_->path(QStringLiteral("movie.td")));
    QVERIFY(f_->project().player(1).isOpen());
    QVERIFY(f_->project().failedTracks().isEmpty());
    QTRY_COMPARE(s_->asked().size(), std::size_t(1));
    QCOMPARE(s_->asked().back().kind, dialogs::ScriptedDialogService::Asked::Kind::Notice);
    QVERIFY(s_->asked().back().text.startsWith(QStringLiteral("音声出力を開けません")));
    QVERIFY(f_->StatusMessage1->text().startsWith(QStringLiteral("音声出力を開けません")));
    // Once per run: opening again, or choosing a file, says nothing more.
    f_->openProject(dir_->path(QStringLiteral("movie.td")));
    f_->project().chooseTrackFile(3, sound);
    QCoreApplication::processEvents();
    QCOMPARE(s_->asked().size(), std::size_t(1));
    // Cues do nothing, silently, and the preview plays on.
    f_->Query1->first();
    withPreview(f_, [&] {
        TPreviewForm1 *p = PreviewForm1;
        playToTheEnd(p);
        QCOMPARE(shownRecNo(f_), 3);
        QVERIFY(!f_->project().player(1).playing());
    });
    QCOMPARE(s_->asked().size(), std::size_t(1));
}

int main(int argc, char **argv)
{
    GlyphreelApplication application(argc, argv);
    TestPreview test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_preview.moc"
