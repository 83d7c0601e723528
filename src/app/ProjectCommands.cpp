// The main window's project and frame commands: new, open, save, save as,
// the question before changes would be lost, and moving among frames.

#include "app/Makewindow1.h"

#include "output/FramePrinting.h"
#include "output/Previewwindow1.h"
#include "platform/dialogs/DialogService.h"
#include "project/ProjectFiles.h"
#include "tools/Fontwindow1.h"
#include "tools/Toolwindow1.h"
#include "widgets/ColorValue.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

#include <stdexcept>

using glyphreel::dialogs::Answer;
using glyphreel::dialogs::ConfirmButtons;
using glyphreel::dialogs::dialogs;
namespace project = glyphreel::project;

namespace {

const QString kSavePrompt = QStringLiteral("開いているファイルを保存しておきますか？");

} // namespace

// The editor's font size in points, also when it was given in pixels (the
// start-up font is 4 pixels high).
int TMakeForm1::editorPointSize() const
{
    return qRound(DBRichEdit0->basePointSize());
}

void TMakeForm1::setEditorMode(bool plainText)
{
    DBRichEdit0->setPlainTextMode(plainText);
    // The preview shows the same frames, so it reads them the same way.
    if (PreviewForm1)
        PreviewForm1->DBRichEdit1->setPlainTextMode(plainText);
}

void TMakeForm1::storeSettings(project::Settings &settings) const
{
    settings.normalText = DBRichEdit0->plainTextMode();
    settings.normalFont = DBRichEdit0->font().family();
    settings.normalSize = editorPointSize();
    settings.normalColor = static_cast<int>(glyphreel::widgets::fromQColor(DBRichEdit0->baseTextColor()));
}

void TMakeForm1::showSettings(const project::Settings &settings)
{
    QFont f = DBRichEdit0->font();
    f.setFamily(settings.normalFont);
    if (settings.normalSize > 0)
        f.setPointSize(settings.normalSize);
    DBRichEdit0->setFont(f);
    DBRichEdit0->setBaseTextColor(glyphreel::widgets::toQColor(static_cast<glyphreel::widgets::ColorValue>(settings.normalColor)));
    zoomFollowsProject_ = true;
}

namespace {

// The user's own settings, never the project's file: the zoom is how this
// user likes to look at this project.
QString zoomKey(const QString &projectPath)
{
    return QStringLiteral("zoom/") + QString::fromLatin1(QUrl::toPercentEncoding(QFileInfo(projectPath).absoluteFilePath()));
}

} // namespace

void TMakeForm1::restoreZoom()
{
    const QString path = project_->path();
    const int zoom = path.isEmpty() ? 100 : QSettings().value(zoomKey(path), 100).toInt();
    DBRichEdit0->setZoom(zoom);
    const QSignalBlocker quiet(ZoomBox1);
    ZoomBox1->setValue(DBRichEdit0->zoom());
}

void TMakeForm1::rememberZoom(int percent)
{
    const QString path = project_->path();
    if (path.isEmpty())
        return;
    QSettings settings;
    if (percent == 100)
        settings.remove(zoomKey(path));
    else
        settings.setValue(zoomKey(path), percent);
}

// Only with unsaved work: yes saves under a name chosen now (a cancelled
// dialog stops the command, nothing lost), no goes on, cancel stops.
bool TMakeForm1::savePrompt()
{
    return project_->settleUnsavedWork(
        [this] {
            switch (dialogs().confirm(this, kSavePrompt, ConfirmButtons::YesNoCancel)) {
            case Answer::Yes:
                return project::Project::Answer::Save;
            case Answer::No:
                return project::Project::Answer::Discard;
            default:
                return project::Project::Answer::Cancel;
            }
        },
        [this] { return Save1Click(); });
}

void TMakeForm1::N4Click()
{
    newProject(false);
}

void TMakeForm1::R1Click()
{
    newProject(true);
}

void TMakeForm1::newProject(bool rich)
{
    if (!savePrompt())
        return;
    SaveDialog1->setTitle(QStringLiteral("新規作成"));
    if (!SaveDialog1->execute(this))
        return;
    DBRichEdit0->setEnabled(true);
    project_->create(SaveDialog1->fileName(), rich);
    showFrameCounter();
}

void TMakeForm1::Open1Click()
{
    if (!savePrompt())
        return;
    OpenDialog1->setTitle(QStringLiteral("開く"));
    if (!OpenDialog1->execute(this))
        return;
    openProject(OpenDialog1->fileName());
}

void TMakeForm1::openProject(const QString &tdPath)
{
    DBRichEdit0->setEnabled(true);
    project_->open(tdPath);
    showFrameCounter();
    reportTracks();
}

// Every track that can be loaded is loaded; the others keep their names in
// their fields, so that saving keeps them, and the user hears one beep and
// reads in the status bar which could not be loaded.
void TMakeForm1::reportTracks()
{
    const QStringList failed = project_->failedTracks();
    if (failed.isEmpty()) {
        StatusMessage1->clear();
        return;
    }
    QApplication::beep();
    StatusMessage1->setText(QStringLiteral("読み込めなかったトラック: ") + failed.join(QStringLiteral(", ")));
}

// Queued after the command that loaded the track, so that the notice does
// not come up in the middle of opening a project.
void TMakeForm1::tellNoSoundOutput(const QString &reason)
{
    const QString message = QStringLiteral("音声出力を開けません。サウンドは鳴りません (%1)").arg(reason);
    StatusMessage1->setText(message);
    dialogs().notice(this, message);
}

// The number and count of the frame on screen: after a save a new frame
// has its number.
void TMakeForm1::showFrameCounter()
{
    Edit2->setText(Query1->active() ? QString::fromStdString(Query1->fieldText("RENO")) : QString());
    Edit3->setText(QString::number(Query1->recordCount()));
}

void TMakeForm1::Save2Click()
{
    project_->save();
    DBRichEdit0->document()->setModified(false);
    showFrameCounter();
}

bool TMakeForm1::Save1Click()
{
    SaveDialog1->setTitle(QStringLiteral("保存"));
    if (!SaveDialog1->execute(this))
        return false;
    const QString target = SaveDialog1->fileName();
    if (project_->wouldReplaceOtherTable(target)) {
        const QString table = QFileInfo(project::tablePath(target)).completeBaseName();
        const QString question = QStringLiteral("「%1」のコマのファイル (%1.db, %1.mb, %1.px) がすでにあります。\n\n置き換えますか？").arg(table);
        if (dialogs().confirm(this, question, ConfirmButtons::YesNo) != Answer::Yes)
            return false;
    }
    project_->saveAs(target);
    DBRichEdit0->document()->setModified(false);
    showFrameCounter();
    return true;
}

bool TMakeForm1::FormCloseQuery()
{
    return savePrompt();
}

void TMakeForm1::Query1AfterOpen()
{
    for (QAction *item : {Save1, Save2, N26, N23, P1, Edit1, N8})
        item->setEnabled(true);
    for (QToolButton *b : {SpeedButton1, SpeedButton2, SpeedButton3})
        b->setEnabled(true);
    Edit2->setText(QString::fromStdString(Query1->fieldText("RENO")));
    Edit3->setText(QString::number(Query1->recordCount()));
}

void TMakeForm1::Query1AfterScroll()
{
    if (PreviewForm1 && PreviewForm1->isVisible())
        return;
    Edit2->setText(QString::fromStdString(Query1->fieldText("RENO")));
    Edit3->setText(QString::number(Query1->recordCount()));
    if (Query1->active())
        Query1->edit();
    if (N19->data().toInt() != 1)
        return;
    project_->playCues();
}

void TMakeForm1::Edit2KeyPress()
{
    const QString text = Edit2->text();
    if (text.isEmpty() || !Query1->active())
        return;
    // Read as a whole number: "0005" and " 4" are frames 5 and 4.
    bool ok = false;
    const int number = text.trimmed().toInt(&ok);
    if (!ok)
        throw std::runtime_error(("'" + text + "' は有効な整数値ではありません。").toStdString());
    if (!Query1->locate("RENO", std::to_string(number)))
        dialogs().notice(this, QStringLiteral("ｺﾏ№ ") + text + QStringLiteral(" は見つかりません。"));
}

void TMakeForm1::SpeedButton1Click()
{
    Query1->append();
    Query1->post();
    Query1AfterOpen();
}

void TMakeForm1::SpeedButton2Click()
{
    if (dialogs().confirm(this, QStringLiteral("現在のコマを削除します。\n\nよろしいですか？"), ConfirmButtons::YesNo) != Answer::Yes)
        return;
    Query1->deleteRecord();
    Query1AfterOpen();
}

void TMakeForm1::visitAndReturn(QDialog *window)
{
    const glyphreel::db::Query::Bookmark bookmark = Query1->bookmark();
    window->exec();
    // Back to the frame that was current: an ordinary move.
    if (Query1->active() && bookmark != 0) {
        Query1->gotoBookmark(bookmark);
        Query1->freeBookmark(bookmark);
    }
}

void TMakeForm1::SpeedButton3Click()
{
    if (!PreviewForm1)
        return;
    glyphreel::dbctrls::DBRichEdit *view = PreviewForm1->DBRichEdit1;
    // What was typed goes into the frame first, so that the preview shows it
    // and the editor finds it again when its display comes back on.
    DBRichEdit0->updateRecord();
    DBRichEdit0->setAutoDisplay(false);
    view->setAutoDisplay(true);
    view->setFont(DBRichEdit0->font());
    view->setColors(DBRichEdit0->baseTextColor(), view->backgroundColor());
    visitAndReturn(PreviewForm1);
}

void TMakeForm1::G1Click()
{
    glyphreel::output::printTarget().setup(this);
}

void TMakeForm1::N6Click()
{
    if (dialogs().confirm(this, QStringLiteral("現在のコマをプリントします。よろしいですか？"), ConfirmButtons::YesNo) != Answer::Yes)
        return;
    glyphreel::output::printFrame(glyphreel::output::printTarget(), DBRichEdit0->memo(), DBRichEdit0->plainTextMode(),
                                  DBRichEdit0->font());
}

// Every frame, in table order, each a document of its own; the last frame
// stays current. A printer error ends the loop there.
void TMakeForm1::N15Click()
{
    if (dialogs().confirm(this, QStringLiteral("すべてのコマをプリントします。よろしいですか？"), ConfirmButtons::YesNo) != Answer::Yes)
        return;
    if (!Query1->active())
        return;
    Query1->first();
    while (!Query1->eof()) {
        glyphreel::output::printFrame(glyphreel::output::printTarget(), DBRichEdit0->memo(), DBRichEdit0->plainTextMode(),
                                      DBRichEdit0->font());
        Query1->next();
    }
}

void TMakeForm1::N20Click()
{
    if (FontForm1)
        visitAndReturn(FontForm1);
}

// The tool box shows the selection's format; it does not apply it back.
void TMakeForm1::DBRichEdit0SelectionChange()
{
    if (ToolForm1)
        ToolForm1->showSelectionFormat(DBRichEdit0->selectionSizePt(), DBRichEdit0->selectionFontName(),
                                       DBRichEdit0->selectionStyle());
}

void TMakeForm1::Cancel1Click() { DBRichEdit0->undo(); }
void TMakeForm1::N9Click() { DBRichEdit0->cut(); }
void TMakeForm1::Copy1Click() { DBRichEdit0->copy(); }
void TMakeForm1::P2Click() { DBRichEdit0->paste(); }
void TMakeForm1::V1Click() { DBRichEdit0->deleteSelection(); }
void TMakeForm1::SelectAll1Click() { DBRichEdit0->selectAll(); }
