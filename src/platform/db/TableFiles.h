#pragma once
// A table as files: its three files under one name, whether two names are
// the same table on disk, and copying a table under another name.

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace glyphreel::db {

// The records file, the blob file and the index of the table whose
// records file is dbPath, in that order.
std::array<std::string, 3> tableFiles(const std::string &dbPath);

// Whether any of the table's three files exists.
bool tableFilesExist(const std::string &dbPath);

// Whether two records-file paths name one table on disk, however they are
// spelled: through a symbolic link or a bind mount, as hard links, or in
// another case on a folder that does not tell case apart (FAT and exFAT
// sticks, SMB shares). Decided by file identity, never by the path text.
bool sameTable(const std::string &a, const std::string &b);

// Whether the folder tells names apart by case only (false on FAT, exFAT,
// SMB and case-folding folders). Probed with a file of its own; a folder
// that cannot be written to counts as case-sensitive.
bool folderIsCaseSensitive(const std::string &folder);

// The suffix of a file's new content in a set not yet committed.
inline const std::string kCopyingSuffix = ".copying";

// New contents for several files that must change together (a table's
// three files, and the settings file beside them). Each is written under
// its name + ".copying" and flushed; commit() then writes a journal,
// "<journal>", naming them, renames each over its file and removes the
// journal. A kill before the journal is written leaves the old files (and
// temporaries that the next open removes); a kill after it is finished by
// the next open (finishInterruptedCommit), so the files hold all the old or
// all the new contents. Without commit() the temporaries are removed.
class FileSet {
public:
    explicit FileSet(std::string journal);
    ~FileSet();
    FileSet(const FileSet &) = delete;
    FileSet &operator=(const FileSet &) = delete;

    // The temporary to write the new content of this file to.
    std::string temporaryFor(const std::string &file);
    // Writes the new content of a file (flushed to the disk).
    void write(const std::string &file, const std::string &bytes);
    // Copies a file's content as the new content of another.
    void copy(const std::string &from, const std::string &file);
    void commit();

private:
    std::string journal_;
    std::vector<std::string> files_;
    bool committed_ = false;
};

// The journal of the table whose records file is dbPath.
std::string journalFor(const std::string &dbPath);

// What a kill left of the table's writing: an interrupted commit is
// finished (throws FileError when it cannot be), temporaries of an
// uncommitted set or of an interrupted save are removed. Cheap when there
// is nothing to do.
void finishInterruptedCommit(const std::string &dbPath);

// Copies the three files of a table under another name, together with any
// other new files given (the settings file), through one FileSet: the
// target holds its old project or the complete new one after a failure or
// a kill at any moment. Throws FileError naming the file and the reason (a
// full disk, no permission, a missing file); the target folder is then as
// it was.
void copyTable(const std::string &fromDb, const std::string &toDb,
               const std::vector<std::pair<std::string, std::string>> &otherFiles = {});

} // namespace glyphreel::db
