#pragma once
// A table as files: its three files under one name, whether two names are
// the same table on disk, and copying a table under another name.

#include <array>
#include <string>

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

// Copies the three files of a table under another name. Each is copied to
// a temporary name in the target folder and flushed to the disk; only when
// all three are complete do they replace the files there. Throws DbError
// naming the file and the reason (a full disk, no permission, a missing
// file), and then leaves the target folder as it was.
void copyTable(const std::string &fromDb, const std::string &toDb);

} // namespace glyphreel::db
