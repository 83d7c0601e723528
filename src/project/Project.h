#pragma once
// The open project, and its one owner: the frame table (the dataset and the
// source the editors show it through), the settings, the six sound tracks
// and the path of the settings file, with the verbs that create, open, save,
// save as and close it. The windows and the command line use the same verbs.
//
// Windows that show a setting in a control of theirs register as a view:
// the project asks them for the current values when it saves and hands them
// the values it read when it opens.

#include "platform/db/DataSource.h"
#include "platform/db/Query.h"
#include "platform/media/SoundDevice.h"
#include "project/Settings.h"

#include <QObject>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace glyphreel::project {

class SettingsView {
public:
    virtual ~SettingsView() = default;
    // Writes what its controls hold into the settings it owns there.
    virtual void storeSettings(Settings &settings) const = 0;
    // Shows the settings a project was opened with.
    virtual void showSettings(const Settings &settings) = 0;
};

class Project : public QObject {
    Q_OBJECT
public:
    explicit Project(QObject *parent = nullptr);
    ~Project() override;

    db::Query &query() { return query_; }
    db::DataSource &dataSource() { return source_; }
    bool isOpen() const { return query_.active(); }
    // The full path of the settings file; empty until a project is made or
    // opened. Kept when an open fails.
    QString path() const { return path_; }
    // Whether the open table stores rich text (a formatted memo).
    bool isRichTable() const;

    void addView(SettingsView *view);
    void removeView(SettingsView *view);
    // The settings as they stand: those last read, with what the views hold.
    Settings settings() const;

    // Tracks. Without sound (the command line) the players are left closed
    // and only the names and files are kept, for saving.
    void setSoundEnabled(bool on) { soundEnabled_ = on; }
    media::SoundDevice &player(int track); // 1..6
    // The file a track's sound comes from: the full path chosen, or the
    // stored name in the project's folder.
    QString trackSource(int track) const;
    // A file chosen for a track: its player opens it (throws SoundError when
    // it cannot, keeping the file as the track's), its bare name is what the
    // caller shows and saves.
    void chooseTrackFile(int track, const QString &fullPath);
    // The cues of the current frame: each cued track that has a file starts
    // again from its beginning. The first error ends them without a word.
    void playCues();
    // Every track that has a file back at its start, which stops what is
    // playing; the first error ends them without a word, as with cues.
    void rewindTracks();
    // The tracks of the last open that could not be loaded: "N (name)".
    QStringList failedTracks() const { return failedTracks_; }

    // Work that would be lost: changes applied to no table yet, including a
    // frame being typed into that is not posted.
    bool hasUnsavedWork() const;
    enum class Answer { Save, Discard, Cancel };
    // The question before unsaved work would be lost (new, open, closing):
    // asked only when there is some; Save runs saveAs, whose false (a
    // cancelled dialog) stops the command. True when the command goes on.
    bool settleUnsavedWork(const std::function<Answer()> &ask, const std::function<bool()> &saveAs);

    // A new, empty project at this path. Refused before anything is written
    // when a table of its name exists or no table can have it; the project
    // open before stays open then.
    void create(const QString &tdPath, bool richText);
    // Opens the project of this settings file. When its table cannot be
    // opened the dataset is left closed and the path is kept.
    void open(const QString &tdPath);
    // Applies the changes to the table files and writes the settings and
    // the sound files beside them.
    void save();
    // Whether saving as this path would replace table files that belong to
    // no settings file there: the caller asks first.
    bool wouldReplaceOtherTable(const QString &tdPath) const;
    // Saves the project under another name, copying its table unless the
    // name is the same table on disk, then opens the copy.
    void saveAs(const QString &tdPath);
    void close();

signals:
    // Before a table's first frame loads: how its frames are to be read.
    void textTypeChanged(bool normalText);
    void pathChanged(const QString &path);
    // A track has a sound but there is no sound output: said once per run,
    // with the reason; cues then do nothing.
    void soundOutputMissing(const QString &reason);

private:
    void openTable(const QString &tdPath);
    void finishInterruptedWrites(const QString &tdPath);
    void loadTracks(const Settings &settings);
    void copySoundFiles(const Settings &settings, const QString &folder) const;
    void requireOpen(const char16_t *what) const;
    void checkSoundOutput();

    db::Query query_;
    db::DataSource source_;
    QString path_;
    Settings stored_;
    std::vector<SettingsView *> views_;
    bool soundEnabled_ = false;
    std::array<std::unique_ptr<media::SoundDevice>, 6> players_;
    std::array<QString, 6> sources_;
    QStringList failedTracks_;
};

// Refuses, naming the table, a table that is not a frame table: the columns
// RENO (autoincrement key), MEM2 (memo or formatted memo), SND1..SND6
// (logical) in this order.
void checkFrameTable(const db::TableInfo &info, const QString &table);

} // namespace glyphreel::project
