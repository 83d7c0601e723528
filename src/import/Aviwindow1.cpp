#include "import/Aviwindow1.h"

#include "convert/ArtMemo.h"
#include "convert/Unit1.h"
#include "platform/bitmap/PictureFile.h"
#include "platform/dialogs/Commands.h"
#include "platform/dialogs/DialogService.h"
#include "platform/movie/FrameReader.h"
#include "widgets/WindowLook.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

TAVIForm1 *AVIForm1 = nullptr;

using glyphreel::dialogs::connectCommand;
using glyphreel::import::ImportGlyph;

namespace {

const QString &baseCaption()
{
    static const QString caption = QStringLiteral("AVIムービーからのインポート");
    return caption;
}

QLabel *framePanel(QWidget *parent, const char16_t *name, const QString &text, const QRect &geometry)
{
    auto *panel = new QLabel(text, parent);
    panel->setObjectName(QString::fromUtf16(name));
    panel->setAlignment(Qt::AlignCenter);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::white);
    panel->setPalette(pal);
    panel->setAutoFillBackground(true);
    panel->setGeometry(geometry);
    return panel;
}

} // namespace

TAVIForm1::TAVIForm1() : ImportForm(QStringLiteral("AVIForm1"), baseCaption(), QSize(509, 259))
{
    using glyphreel::widgets::setHint;

    GKitMSPlay1 = new glyphreel::movie::MoviePlayer(GradBox1);
    GKitMSPlay1->setObjectName(QStringLiteral("GKitMSPlay1"));
    GKitMSPlay1->setGeometry(8, 8, 250, 242);
    // The frame size, at the lower right of the movie area.
    Panel3 = framePanel(GradBox1, u"Panel3", QStringLiteral("ﾌﾚｰﾑ"), QRect(150, 210, 34, 14));
    Panel4 = framePanel(GradBox1, u"Panel4", QStringLiteral("0 x 0"), QRect(184, 210, 72, 14));

    SpeedButton2 = new QToolButton(GradBox1);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setAutoRaise(true);
    SpeedButton2->setText(QStringLiteral("AVIﾌｧｲﾙを開く"));
    SpeedButton2->setIcon(glyphreel::import::importGlyphIcon(ImportGlyph::OpenFolder));
    SpeedButton2->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    SpeedButton2->setGeometry(277, 8, 224, 26);
    setHint(SpeedButton2, QStringLiteral("AVIファイルを開く"));

    buildSettingRows(QRect(266, 40, 235, 80), 112);

    Bevel2 = new QFrame(GradBox1);
    Bevel2->setObjectName(QStringLiteral("Bevel2"));
    Bevel2->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel2->setGeometry(266, 126, 235, 80);

    ShadowLabel4 = label(u"ShadowLabel4", QStringLiteral("フレーム範囲 ："), QRect(270, 132, 92, 20), Qt::AlignRight);
    UpDown3 = numberBox(u"UpDown3", u"Edit5", Edit5, QStringLiteral("インポート開始フレーム"), QRect(364, 132, 60, 20), 0, 0, 0);
    ShadowLabel10 = label(u"ShadowLabel10", QStringLiteral("～"), QRect(424, 132, 14, 20), Qt::AlignCenter);
    UpDown4 = numberBox(u"UpDown4", u"Edit6", Edit6, QStringLiteral("インポート終了フレーム"), QRect(438, 132, 60, 20), 0, 0, 0);

    ShadowLabel5 = label(u"ShadowLabel5", QStringLiteral("スキップ数 ："), QRect(270, 156, 92, 20), Qt::AlignRight);
    UpDown2 = numberBox(u"UpDown2", u"Edit3", Edit3, QStringLiteral("フレームのスキップ数"), QRect(364, 156, 60, 20), 1, 999, 1);
    // Any step up to 999 may be typed; the arrows stop at the movie's length.
    UpDown2->setTypedRange(1, 999);
    ShadowLabel7 = label(u"ShadowLabel7", QStringLiteral("ﾌﾚｰﾑ"), QRect(428, 156, 40, 20));

    ShadowLabel8 = label(u"ShadowLabel8", QStringLiteral("計"), QRect(330, 180, 32, 20), Qt::AlignRight);
    ShadowLabel9 = label(u"ShadowLabel9", QStringLiteral("0000"), QRect(364, 180, 34, 20), Qt::AlignCenter);
    ShadowLabel6 = label(u"ShadowLabel6", QStringLiteral("フレーム"), QRect(400, 180, 60, 20));

    ProgressBar1 = new QProgressBar(GradBox1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(266, 212, 235, 10);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);

    buildButtons(QRect(266, 228, 115, 24), QRect(386, 228, 115, 24), QStringLiteral("変換開始"),
                 glyphreel::import::importGlyphIcon(ImportGlyph::Camera));

    OpenDialog1 = new glyphreel::dialogs::FileDialog(glyphreel::dialogs::FileRequest::Mode::Open, this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setTitle(QStringLiteral("開く"));
    // AVI first; the second filter takes the movies people bring from
    // phones and cameras, which FFmpeg reads as well.
    OpenDialog1->setFilter(QStringLiteral(
        "AVIファイル (*.avi)|*.avi|ムービーファイル (*.avi;*.mp4;*.m4v;*.mov;*.mkv;*.webm;*.wmv;*.mpg;*.mpeg;*.flv;*.3gp;*.ts)"
        "|*.avi;*.mp4;*.m4v;*.mov;*.mkv;*.webm;*.wmv;*.mpg;*.mpeg;*.flv;*.3gp;*.ts"));
    OpenDialog1->setDefaultExt(QStringLiteral("avi"));

    connectCommand(SpeedButton2, &QToolButton::clicked, this, &TAVIForm1::SpeedButton2Click);
    connectCommand(SpeedButton7, &QToolButton::clicked, this, &TAVIForm1::SpeedButton7Click);
    // Each box keeps its text within its bounds itself; the handlers keep
    // the start and the end bounding each other and the count current.
    connectCommand(UpDown3, &NumericBox::changed, this, &TAVIForm1::UpDown3Click);
    connectCommand(UpDown3, &NumericBox::arrowClicked, this, &TAVIForm1::UpDown3Click);
    connectCommand(UpDown4, &NumericBox::changed, this, &TAVIForm1::UpDown4Click);
    connectCommand(UpDown4, &NumericBox::arrowClicked, this, &TAVIForm1::UpDown4Click);
    connectCommand(UpDown2, &NumericBox::changed, this, &TAVIForm1::UpDown2Click);
    connectCommand(UpDown2, &NumericBox::arrowClicked, this, &TAVIForm1::UpDown2Click);
}

void TAVIForm1::reject()
{
    // Esc during a run stops it after the current frame.
    if (running_) {
        stopRequested_ = true;
        return;
    }
    ImportForm::reject();
}

void TAVIForm1::closeEvent(QCloseEvent *event)
{
    if (running_) {
        stopRequested_ = true;
        event->ignore();
        return;
    }
    ImportForm::closeEvent(event);
}

void TAVIForm1::FormShow()
{
    SpeedButton2Click();
}

void TAVIForm1::FormClose()
{
    setWindowTitle(baseCaption());
    GKitMSPlay1->setFileName(QString());
    Panel4->setText(QStringLiteral("0 x 0"));
    SpeedButton7->setEnabled(false);
}

void TAVIForm1::SpeedButton2Click()
{
    if (!OpenDialog1->execute(this))
        return;
    // A movie that does not open leaves the window with none.
    SpeedButton7->setEnabled(false);
    Panel4->setText(QStringLiteral("0 x 0"));
    GKitMSPlay1->setFileName(OpenDialog1->fileName());
    Panel4->setText(QStringLiteral("%1 x %2").arg(GKitMSPlay1->movieWidth()).arg(GKitMSPlay1->movieHeight()));
    const int length = GKitMSPlay1->length();
    UpDown3->setRange(0, length);
    UpDown3->setPosition(0);
    UpDown4->setRange(0, length);
    UpDown4->setPosition(length);
    UpDown2->setRange(1, std::max(1, length));
    UpDown2->setPosition(1);
    showCount();
    SpeedButton7->setEnabled(true);
}

void TAVIForm1::UpDown3Click()
{
    UpDown4->setRange(UpDown3->Position(), UpDown4->Max());
    showCount();
}

void TAVIForm1::UpDown4Click()
{
    UpDown3->setRange(0, UpDown4->Position());
    showCount();
}

void TAVIForm1::UpDown2Click()
{
    showCount();
}

void TAVIForm1::showCount()
{
    const int step = std::max(1, UpDown2->Position());
    const long long count = (static_cast<long long>(UpDown4->Position()) - UpDown3->Position()) / step + 1;
    ShadowLabel9->setCaption(QString::number(count));
}

void TAVIForm1::SpeedButton7Click()
{
    const QString count = ShadowLabel9->Caption();
    const long long n = count.toLongLong();
    const long long m = query().recordCount();
    const QString question = QStringLiteral("%1 ｺﾏ目から %2 ｺﾏ目にインポートします。\n\nよろしいですか？").arg(m + 1).arg(m + n);
    if (glyphreel::dialogs::dialogs().confirm(this, question, glyphreel::dialogs::ConfirmButtons::YesNo)
        != glyphreel::dialogs::Answer::Yes)
        return;
    GKitMSPlay1->stop();
    writeConversionSettings();
    importRange(UpDown3->Position(), UpDown4->Position(), std::max(1, UpDown2->Position()), count);
    close();
}

QString TAVIForm1::temporaryPicturePath(const QString &applicationFolder)
{
    const QString name = QStringLiteral("/gryla000.tmp");
    if (!applicationFolder.isEmpty()) {
        QFile probe(applicationFolder + name);
        if (probe.open(QIODevice::WriteOnly))
            return probe.fileName();
    }
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QDir().mkpath(cache);
    return cache + name;
}

void TAVIForm1::setRunning(bool on)
{
    running_ = on;
    stopRequested_ = false;
    // Only cancel (and Esc) answer during a run.
    for (QWidget *w : {static_cast<QWidget *>(GKitMSPlay1), static_cast<QWidget *>(SpeedButton2),
                       static_cast<QWidget *>(UpDown1), static_cast<QWidget *>(CheckBox1),
                       static_cast<QWidget *>(CheckBox2), static_cast<QWidget *>(UpDown3),
                       static_cast<QWidget *>(UpDown4), static_cast<QWidget *>(UpDown2),
                       static_cast<QWidget *>(SpeedButton7)})
        w->setEnabled(!on);
}

void TAVIForm1::importRange(int start, int end, int step, const QString &count)
{
    glyphreel::db::Query &frames = query();
    glyphreel::dbctrls::DBRichEdit &shown = editor();
    const bool rich = !shown.plainTextMode();
    const int pixelWidth = Form1->pixelWidth();
    const bool halfWidth = Form1->CheckBox1->isChecked();
    const bool invert = Form1->CheckBox2->isChecked();
    const QString picturePath = temporaryPicturePath(target().applicationFolder ? target().applicationFolder() : QString());

    // What was typed into the current frame goes into it before the run
    // moves on; the editor then rests until the run ends and shows the
    // last new frame.
    shown.updateRecord();
    shown.setAutoDisplay(false);
    setRunning(true);
    glyphreel::convert::ArtBuffer art;
    int made = 0;
    auto finish = [&] {
        setRunning(false);
        QFile::remove(picturePath);
        shown.setAutoDisplay(true);
        if (made == 0)
            return;
        // The clipboard holds the last art, as after a picture import.
        Form1->showResult(std::string(art.view()));
        Form1->copyResult();
        // Every frame made is posted, whatever ended the run; the last one
        // is the current frame, counted and ready for typing as after any
        // move.
        if (frames.state() != glyphreel::db::Query::State::Browse)
            frames.post();
        frames.last();
    };

    try {
        ProgressBar1->setRange(0, std::max(1, static_cast<int>(count.toLongLong())));
        ProgressBar1->setValue(0);
        glyphreel::movie::FrameReader reader(QFile::encodeName(GKitMSPlay1->fileName()).toStdString(), start, end, step);
        glyphreel::bitmap::Bitmap picture;
        while (!stopRequested_ && reader.next(picture)) {
            if (made == 0)
                glyphreel::bitmap::saveBmpFile(picture, picturePath);
            frames.append();
            const std::string_view text = glyphreel::convert::BmpToString(picture, pixelWidth, halfWidth, invert, art);
            frames.setFieldValue("MEM2", glyphreel::db::Value::bytes(glyphreel::convert::artMemo(text, rich)));
            ++made;
            setWindowTitle(baseCaption() + QStringLiteral(" - 処理中 %1 / %2").arg(made).arg(count));
            ProgressBar1->setValue(made);
            // Repaints the window; the cancel button and Esc are the only input.
            QCoreApplication::processEvents();
        }
    } catch (...) {
        // The frames made so far stay; the window stays open with its
        // progress caption, and the error is shown.
        finish();
        throw;
    }
    finish();
}
