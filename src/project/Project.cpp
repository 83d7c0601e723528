#include "project/Project.h"

#include "platform/db/LocalSql.h"
#include "platform/db/ParadoxFormat.h"
#include "platform/db/TableFiles.h"
#include "platform/files/Files.h"
#include "project/ProjectError.h"
#include "project/ProjectFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace glyphreel::project {
namespace {

QString absolute(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

std::size_t index(int track)
{
    if (track < 1 || track > 6)
        throw ProjectError(QStringLiteral("トラック番号が範囲外です: %1").arg(track));
    return static_cast<std::size_t>(track - 1);
}

} // namespace

Project::Project(QObject *parent) : QObject(parent), source_(&query_)
{
    for (std::size_t i = 0; i < players_.size(); ++i)
        players_[i] = std::make_unique<media::SoundDevice>(static_cast<int>(i));
}

Project::~Project()
{
    // The controls leave the source before the dataset goes.
    source_.setDataSet(nullptr);
}

bool Project::isRichTable() const
{
    if (!query_.active())
        return false;
    const auto &fields = query_.tableInfo().fields;
    return std::any_of(fields.begin(), fields.end(),
                       [](const db::FieldDef &f) { return f.type == db::FieldType::FormattedMemo; });
}

void Project::addView(SettingsView *view)
{
    if (std::find(views_.begin(), views_.end(), view) == views_.end())
        views_.push_back(view);
}

void Project::removeView(SettingsView *view)
{
    views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

Settings Project::settings() const
{
    Settings s = stored_;
    for (const SettingsView *view : views_)
        view->storeSettings(s);
    return s;
}

media::SoundDevice &Project::player(int track)
{
    return *players_[index(track)];
}

QString Project::trackSource(int track) const
{
    return sources_[index(track)];
}

void Project::chooseTrackFile(int track, const QString &fullPath)
{
    const std::size_t i = index(track);
    sources_[i] = fullPath;
    if (!soundEnabled_)
        return;
    players_[i]->open(fullPath.toStdString());
    checkSoundOutput();
}

void Project::checkSoundOutput()
{
    static bool told = false;
    if (told || media::SoundDevice::outputAvailable())
        return;
    told = true;
    emit soundOutputMissing(QString::fromStdString(media::SoundDevice::outputError()));
}

void Project::playCues()
{
    if (!query_.active())
        return;
    try {
        for (int n = 1; n <= 6; ++n) {
            media::SoundDevice &p = *players_[static_cast<std::size_t>(n - 1)];
            if (p.fileName().empty() || !query_.fieldBool("SND" + std::to_string(n)))
                continue;
            p.rewind();
            p.play();
        }
    } catch (const std::exception &) {
        // Cues are a nicety: a track that cannot sound ends them silently.
    }
}

void Project::rewindTracks()
{
    try {
        for (const auto &p : players_)
            if (!p->fileName().empty())
                p->rewind();
    } catch (const std::exception &) {
    }
}

bool Project::hasUnsavedWork() const
{
    if (!query_.active())
        return false;
    const bool editing = query_.state() == db::Query::State::Edit || query_.state() == db::Query::State::Insert;
    return query_.updatesPending() || (editing && query_.modified());
}

bool Project::settleUnsavedWork(const std::function<Answer()> &ask, const std::function<bool()> &saveAs)
{
    if (!hasUnsavedWork())
        return true;
    switch (ask()) {
    case Answer::Save:
        return saveAs();
    case Answer::Discard:
        return true;
    case Answer::Cancel:
        break;
    }
    return false;
}

void Project::requireOpen(const char16_t *what) const
{
    if (!query_.active())
        throw ProjectError(QStringLiteral("プロジェクトが開かれていないので%1できません。").arg(QString::fromUtf16(what)));
}

void Project::openTable(const QString &tdPath)
{
    query_.close();
    query_.clearSql();
    query_.setDatabaseName(databaseName(tdPath).toStdString());
    query_.addSql(selectSql(openTableName(tdPath)).toStdString());
    // The frame table's schema is checked before any row is shown: a table
    // of another layout (or a damaged header) is refused, and nothing is
    // ever written to it.
    const QString table = tablePath(tdPath);
    query_.open([&](const db::TableInfo &info) { checkFrameTable(info, table); });
}

void Project::create(const QString &path, bool richText)
{
    const QString td = absolute(path);
    checkProjectName(td);
    const QString table = tablePath(td);
    if (db::tableFilesExist(table.toStdString()))
        throw ProjectError(QStringLiteral("「%1」にはすでに同じ名前の表があります。新規作成では既存の表を上書きしません。").arg(table));
    Settings s;
    // The table and the settings file appear together, or none does, while
    // the project open before is still open: a refusal or a failure leaves
    // everything as it was.
    db::finishInterruptedCommit(table.toStdString());
    {
        db::FileSet files(db::journalFor(table.toStdString()));
        db::executeStatement(databaseName(td).toStdString(), createTableSql(createTableName(td), richText).toStdString(),
                             &files);
        std::string bytes;
        s = newProjectSettings(td, !richText, settings(), bytes);
        // The settings file first: it is what a user opens, and opening it
        // finishes what a kill interrupted.
        files.write(td.toStdString(), bytes);
        files.commit();
    }
    emit textTypeChanged(!richText);
    openTable(td);
    path_ = td;
    // What the file says now, but for what the views show: the editor
    // keeps its font until the project is opened again.
    stored_ = s;
    emit pathChanged(path_);
}

void Project::open(const QString &path)
{
    const QString td = absolute(path);
    if (QFileInfo::exists(td) && !files::isRegularFile(td.toStdString()))
        throw ProjectError(QStringLiteral("「%1」は通常のファイルではありません").arg(td));
    // What a kill left of a save, a save as or a new project is finished or
    // undone before the settings are read.
    finishInterruptedWrites(td);
    // The settings before the table: the first frame loads as the project
    // stores it (plain or rich) and is laid out once, in the project's font.
    const Settings s = readSettingsFile(td, settings());
    // The frame on screen goes first, so that nothing lays it out again in
    // the new font.
    query_.close();
    emit textTypeChanged(s.normalText);
    for (SettingsView *view : views_)
        view->showSettings(s);
    openTable(td);
    path_ = td;
    stored_ = s;
    loadTracks(s);
    emit pathChanged(path_);
}

void Project::loadTracks(const Settings &s)
{
    failedTracks_.clear();
    for (std::size_t i = 0; i < players_.size(); ++i) {
        players_[i]->close();
        sources_[i].clear();
    }
    const QDir folder = QFileInfo(path_).absoluteDir();
    for (std::size_t i = 0; i < players_.size(); ++i) {
        const QString &name = s.tracks[i];
        if (name.isEmpty())
            continue;
        sources_[i] = folder.filePath(name);
        if (!soundEnabled_)
            continue;
        try {
            players_[i]->open(sources_[i].toStdString());
        } catch (const media::SoundError &) {
            failedTracks_ << QStringLiteral("%1 (%2)").arg(i + 1).arg(name);
        }
    }
    for (const auto &p : players_)
        if (p->isOpen())
            checkSoundOutput();
}

void Project::copySoundFiles(const Settings &s, const QString &folder) const
{
    for (std::size_t i = 0; i < players_.size(); ++i) {
        const QString &source = sources_[i];
        const QString &name = s.tracks[i];
        if (source.isEmpty() || name.isEmpty())
            continue;
        const QString target = QDir(folder).filePath(name);
        // A sound file already there is kept; a failed copy is passed over,
        // as the settings file still names the track; what is not a regular
        // file (a FIFO, a device) is not copied at all.
        if (!QFileInfo::exists(target) && files::isRegularFile(source.toStdString()))
            QFile::copy(source, target);
    }
}

void Project::save()
{
    requireOpen(u"保存");
    query_.applyUpdates();
    query_.commitUpdates();
    const Settings s = settings();
    writeSettingsFile(path_, s);
    stored_ = s;
    copySoundFiles(s, QFileInfo(path_).absolutePath());
}

bool Project::wouldReplaceOtherTable(const QString &path) const
{
    const QString td = absolute(path);
    if (QFileInfo::exists(td))
        return false; // the file dialog has asked about the project there
    const std::string target = tablePath(td).toStdString();
    if (!db::tableFilesExist(target))
        return false;
    return path_.isEmpty() || !db::sameTable(tablePath(path_).toStdString(), target);
}

void Project::saveAs(const QString &path)
{
    requireOpen(u"別名で保存");
    const QString td = absolute(path);
    checkProjectName(td);
    query_.applyUpdates();
    query_.commitUpdates();
    const std::string from = tablePath(path_).toStdString();
    const std::string to = tablePath(td).toStdString();
    // The same table under another spelling of its path (a link, another
    // case on a case-insensitive folder) is not copied onto itself. A copy
    // writes the settings file together with the table files: the target
    // holds its old project or the whole new one, whatever happens.
    const Settings s = settings();
    if (db::sameTable(from, to)) {
        writeSettingsFile(td, s);
    } else {
        db::finishInterruptedCommit(to);
        db::copyTable(from, to, {{td.toStdString(), settingsFileBytes(td, s)}});
    }
    stored_ = s;
    copySoundFiles(s, QFileInfo(td).absolutePath());
    openTable(td);
    path_ = td;
    emit pathChanged(path_);
}

void Project::close()
{
    query_.close();
}

void Project::finishInterruptedWrites(const QString &td)
{
    db::finishInterruptedCommit(tablePath(td).toStdString());
    // A settings file written alone or with a set that never committed.
    for (const std::string &suffix : {files::kSavingSuffix, db::kCopyingSuffix})
        QFile::remove(td + QString::fromStdString(suffix));
}

void checkFrameTable(const db::TableInfo &info, const QString &table)
{
    using db::FieldType;
    auto refuse = [&](const QString &what) {
        throw ProjectError(QStringLiteral("「%1」はコマの表ではないか、壊れています: %2。この表には何も書き込みません。").arg(table, what));
    };
    static const char *const names[] = {"RENO", "MEM2", "SND1", "SND2", "SND3", "SND4", "SND5", "SND6"};
    if (info.fields.size() != 8)
        refuse(QStringLiteral("列が %1 個あります (8 個のはずです)").arg(info.fields.size()));
    for (std::size_t i = 0; i < 8; ++i) {
        const db::FieldDef &f = info.fields[i];
        if (QString::fromStdString(f.name).compare(QString::fromLatin1(names[i]), Qt::CaseInsensitive) != 0)
            refuse(QStringLiteral("%1 番目の列が %2 ではなく %3 です").arg(i + 1).arg(QString::fromLatin1(names[i]), QString::fromStdString(f.name)));
        const bool ok = i == 0   ? f.type == FieldType::AutoInc && f.size == 4
                        : i == 1 ? (f.type == FieldType::Memo || f.type == FieldType::FormattedMemo) && f.size >= db::kBlobDescriptorSize
                                 : f.type == FieldType::Logical && f.size == 1;
        if (!ok)
            refuse(QStringLiteral("列 %1 の型 (%2, %3 バイト) が違います")
                       .arg(QString::fromLatin1(names[i]))
                       .arg(static_cast<int>(f.type))
                       .arg(f.size));
    }
    if (info.primaryKeyFields != 1 || info.fileType != 0)
        refuse(QStringLiteral("キーが RENO だけではありません"));
}

} // namespace glyphreel::project
