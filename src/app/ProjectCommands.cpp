// The main window's project and frame commands: new, open, save, save as,
// the question before changes would be lost, and moving among frames.

#include "app/Makewindow1.h"

#include "output/Previewwindow1.h"
#include "platform/db/LocalSql.h"
#include "platform/dialogs/DialogService.h"
#include "platform/text/ProfileFile.h"
#include "project/ProjectFiles.h"
#include "tools/Fontwindow1.h"
#include "tools/Toolwindow1.h"
#include "widgets/ColorValue.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

using glyphreel::dialogs::Answer;
using glyphreel::dialogs::ConfirmButtons;
using glyphreel::dialogs::dialogs;
namespace project = glyphreel::project;
namespace keys = glyphreel::project::keys;

namespace {

const QString kSavePrompt = QStringLiteral("開いているファイルを保存しておきますか？");

QString replaceExtension(const QString &path, const QString &extension)
{
    const QFileInfo info(path);
    return info.dir().filePath(info.completeBaseName() + extension);
}

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

// Only with pending changes: yes saves under a name chosen now (and a
// cancelled dialog stops the command, nothing lost), no goes on, cancel stops.
bool TMakeForm1::savePrompt()
{
    if (!Query1->active() || !Query1->updatesPending())
        return true;
    switch (dialogs().confirm(this, kSavePrompt, ConfirmButtons::YesNoCancel)) {
    case Answer::Yes:
        return Save1Click();
    case Answer::No:
        return true;
    default:
        return false;
    }
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
    const QString td = SaveDialog1->fileName();
    setEditorMode(!rich);
    DBRichEdit0->setEnabled(true);
    Query1->close();
    Query1->clearSql();
    Query1->setDatabaseName(project::databaseName(td).toStdString());
    Query1->addSql(project::createTableSql(project::createTableName(td), rich).toStdString());
    Query1->execSql();
    Query1->close();
    Query1->clearSql();
    Query1->addSql(project::selectSql(project::openTableName(td)).toStdString());
    Query1->open();
    Edit3->setText(QString::number(Query1->recordCount()));
    DBRichEdit0->document()->setModified(false);
    setWindowTitle(QStringLiteral("Glyphreel - ") + td);
    currentProjectFile_ = td;

    project::NewProjectSettings s;
    s.normalText = !rich;
    if (PreviewForm1) {
        s.previewHeight = PreviewForm1->frameGeometry().height();
        s.previewWidth = PreviewForm1->frameGeometry().width();
        s.speed = PreviewForm1->UpDown3->Position();
        s.loop = PreviewForm1->CheckBox1->isChecked();
    }
    if (ToolForm1)
        s.backColor = static_cast<int>(ToolForm1->ColorComboBox9->Value());
    project::writeNewProjectSettings(td, s);
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

void TMakeForm1::openTable(const QString &td)
{
    Query1->close();
    Query1->clearSql();
    Query1->setDatabaseName(project::databaseName(td).toStdString());
    Query1->addSql(project::selectSql(project::openTableName(td)).toStdString());
    Query1->open();
}

void TMakeForm1::openProject(const QString &tdPath)
{
    const QString td = QFileInfo(tdPath).absoluteFilePath();
    DBRichEdit0->setEnabled(true);
    {
        const glyphreel::text::ProfileFile ini(td);
        // The mode first, so that the first frame loads in it.
        setEditorMode(ini.readBool(keys::section, keys::textType, DBRichEdit0->plainTextMode()));
    }
    openTable(td);
    Edit3->setText(QString::number(Query1->recordCount()));
    DBRichEdit0->document()->setModified(false);
    setWindowTitle(QStringLiteral("Glyphreel - ") + td);
    currentProjectFile_ = td;
    readSettings(td);
    loadTracks(td);
}

void TMakeForm1::readSettings(const QString &td)
{
    const glyphreel::text::ProfileFile ini(td);
    QFont f = DBRichEdit0->font();
    f.setFamily(ini.readString(keys::section, keys::normalFont, f.family()));
    const int size = ini.readInteger(keys::section, keys::normalSize, editorPointSize());
    if (size > 0)
        f.setPointSize(size);
    DBRichEdit0->setFont(f);
    const QColor text = DBRichEdit0->palette().color(QPalette::Text);
    const auto color = static_cast<glyphreel::widgets::ColorValue>(
        ini.readInteger(keys::section, keys::normalColor, static_cast<int>(glyphreel::widgets::fromQColor(text))));
    if (PreviewForm1) {
        const int h = ini.readInteger(keys::section, keys::previewHeight, PreviewForm1->height());
        const int w = ini.readInteger(keys::section, keys::previewWidth, PreviewForm1->width());
        PreviewForm1->resize(w, h);
    }
    QColor background = DBRichEdit0->palette().color(QPalette::Base);
    if (ToolForm1) {
        ToolForm1->ColorComboBox9->setValue(static_cast<glyphreel::widgets::ColorValue>(
            ini.readInteger(keys::section, keys::backColor, static_cast<int>(ToolForm1->ColorComboBox9->Value()))));
        background = glyphreel::widgets::toQColor(ToolForm1->ColorComboBox9->Value());
    }
    DBRichEdit0->setColors(glyphreel::widgets::toQColor(color), background);
    if (PreviewForm1) {
        PreviewForm1->UpDown3->setPosition(ini.readInteger(keys::section, keys::speed, PreviewForm1->UpDown3->Position()));
        PreviewForm1->CheckBox1->setChecked(ini.readBool(keys::section, keys::loop, PreviewForm1->CheckBox1->isChecked()));
    }
}

// Every track that can be loaded is loaded; the others keep their names in
// their fields, so that saving keeps them, and the user hears one beep and
// reads in the status bar which could not be loaded.
void TMakeForm1::loadTracks(const QString &td)
{
    if (!ToolForm1)
        return;
    const glyphreel::text::ProfileFile ini(td);
    const QString folder = QFileInfo(td).absolutePath();
    QStringList failed;
    for (std::size_t i = 0; i < 6; ++i) {
        ToolForm1->trackFields[i]->clear();
        ToolForm1->mediaPlayers[i]->close();
    }
    for (int n = 1; n <= 6; ++n) {
        const auto i = static_cast<std::size_t>(n - 1);
        const QString name = ini.readString(keys::section, keys::track(n), QString());
        if (name.isEmpty())
            continue;
        ToolForm1->trackFields[i]->setText(name);
        try {
            ToolForm1->mediaPlayers[i]->open(QDir(folder).filePath(name).toStdString());
        } catch (const glyphreel::media::SoundError &) {
            failed << QStringLiteral("%1 (%2)").arg(n).arg(name);
        }
    }
    if (!failed.isEmpty()) {
        QApplication::beep();
        QString message = QStringLiteral("読み込めなかったトラック: ") + failed.join(QStringLiteral(", "));
        if (!glyphreel::media::SoundDevice::outputAvailable())
            message += QStringLiteral(" (音声出力を開けません: %1)")
                           .arg(QString::fromStdString(glyphreel::media::SoundDevice::outputError()));
        StatusBar1->showMessage(message);
    } else {
        StatusBar1->clearMessage();
    }
}

void TMakeForm1::writeSettings(const QString &td)
{
    glyphreel::text::ProfileFile ini(td);
    const QFont f = DBRichEdit0->font();
    ini.writeBool(keys::section, keys::textType, DBRichEdit0->plainTextMode());
    ini.writeString(keys::section, keys::normalFont, f.family());
    ini.writeInteger(keys::section, keys::normalSize, editorPointSize());
    ini.writeInteger(keys::section, keys::normalColor,
                     static_cast<int>(glyphreel::widgets::fromQColor(DBRichEdit0->palette().color(QPalette::Text))));
    ini.writeInteger(keys::section, keys::previewHeight, PreviewForm1 ? PreviewForm1->frameGeometry().height() : 480);
    ini.writeInteger(keys::section, keys::previewWidth, PreviewForm1 ? PreviewForm1->frameGeometry().width() : 640);
    ini.writeInteger(keys::section, keys::backColor, ToolForm1 ? static_cast<int>(ToolForm1->ColorComboBox9->Value()) : 0);
    ini.writeInteger(keys::section, keys::speed, PreviewForm1 ? PreviewForm1->UpDown3->Position() : 20);
    ini.writeBool(keys::section, keys::loop, PreviewForm1 ? PreviewForm1->CheckBox1->isChecked() : true);
    for (int n = 1; n <= 6; ++n)
        ini.writeString(keys::section, keys::track(n),
                        ToolForm1 ? ToolForm1->trackFields[static_cast<std::size_t>(n - 1)]->text() : QString());
}

void TMakeForm1::copySoundFiles(const QString &folder)
{
    if (!ToolForm1)
        return;
    for (std::size_t i = 0; i < 6; ++i) {
        const QString source = QString::fromStdString(ToolForm1->mediaPlayers[i]->fileName());
        const QString name = ToolForm1->trackFields[i]->text();
        if (source.isEmpty() || name.isEmpty())
            continue;
        const QString target = QDir(folder).filePath(name);
        if (!QFileInfo::exists(target))
            QFile::copy(source, target); // a failed copy is passed over
    }
}

void TMakeForm1::Save2Click()
{
    Query1->applyUpdates();
    Query1->commitUpdates();
    DBRichEdit0->document()->setModified(false);
    writeSettings(currentProjectFile_);
    copySoundFiles(QFileInfo(currentProjectFile_).absolutePath());
}

bool TMakeForm1::Save1Click()
{
    SaveDialog1->setTitle(QStringLiteral("保存"));
    if (!SaveDialog1->execute(this))
        return false;
    const QString target = QFileInfo(SaveDialog1->fileName()).absoluteFilePath();
    Query1->applyUpdates();
    Query1->commitUpdates();
    const bool sameTable = QFileInfo(replaceExtension(target, QStringLiteral(".db"))).absoluteFilePath()
                        == QFileInfo(replaceExtension(currentProjectFile_, QStringLiteral(".db"))).absoluteFilePath();
    if (!sameTable) {
        // The dialog asked before replacing another project: its table files
        // are replaced by ours, never kept and opened as if they were ours.
        for (const QString &ext : {QStringLiteral(".db"), QStringLiteral(".mb"), QStringLiteral(".px")}) {
            const QString to = replaceExtension(target, ext);
            QFile::remove(to);
            QFile::copy(replaceExtension(currentProjectFile_, ext), to);
        }
    }
    setWindowTitle(QStringLiteral("Glyphreel - ") + target);
    DBRichEdit0->document()->setModified(false);
    writeSettings(target);
    copySoundFiles(QFileInfo(target).absolutePath());
    openTable(target);
    currentProjectFile_ = target;
    return true;
}

bool TMakeForm1::FormCloseQuery()
{
    if (!Query1->active() || !Query1->updatesPending())
        return true;
    switch (dialogs().confirm(this, kSavePrompt, ConfirmButtons::YesNoCancel)) {
    case Answer::Yes:
        return Save1Click(); // a cancelled dialog keeps the window and the changes
    case Answer::No:
        return true;
    default:
        return false;
    }
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
    soundCues();
}

// Each cued track that has a sound starts again from its beginning. The cues
// are a nicety while editing: the first error ends them without a word.
void TMakeForm1::soundCues()
{
    if (!ToolForm1 || !Query1->active())
        return;
    try {
        for (int n = 1; n <= 6; ++n) {
            glyphreel::media::SoundDevice &player = *ToolForm1->mediaPlayers[static_cast<std::size_t>(n - 1)];
            if (player.fileName().empty() || !Query1->fieldBool("SND" + std::to_string(n)))
                continue;
            player.rewind();
            player.play();
        }
    } catch (const std::exception &) {
    }
}

void TMakeForm1::Edit2KeyPress()
{
    const QString text = Edit2->text();
    if (text.isEmpty() || !Query1->active())
        return;
    bool ok = false;
    text.toInt(&ok);
    if (!ok)
        throw std::runtime_error(("'" + text + "' は有効な整数値ではありません。").toStdString());
    if (!Query1->locate("RENO", text.toStdString()))
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
    view->setColors(DBRichEdit0->palette().color(QPalette::Text), view->palette().color(QPalette::Base));
    visitAndReturn(PreviewForm1);
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
