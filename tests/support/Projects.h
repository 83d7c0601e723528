#pragma once
// Projects made for tests by the table engine alone, as a project made on
// Windows has them: a frame table, and a settings file written as given.

#include "platform/db/LocalSql.h"
#include "platform/db/Query.h"

#include <QString>

#include <string>
#include <vector>

namespace testsupport {

struct FrameRow {
    std::string memo;
    std::vector<const char *> cues;
};

inline void writeFrameTable(const QString &folder, const char *name, bool rich, const std::vector<FrameRow> &frames)
{
    using namespace glyphreel;
    db::executeStatement(folder.toStdString(),
                         std::string("CREATE TABLE ") + name + " (RENO AUTOINC, MEM2 BLOB(0," + (rich ? "3" : "1")
                             + "), SND1 BOOLEAN, SND2 BOOLEAN, SND3 BOOLEAN, SND4 BOOLEAN, SND5 BOOLEAN, SND6 BOOLEAN, "
                               "PRIMARY KEY(RENO))");
    db::Query q;
    q.setDatabaseName(folder.toStdString());
    q.addSql(std::string("SELECT * FROM ") + name + ".db");
    q.open();
    for (const FrameRow &frame : frames) {
        q.append();
        if (!frame.memo.empty())
            q.setFieldValue("MEM2", db::Value::bytes(frame.memo));
        for (const char *cue : frame.cues)
            q.setFieldValue(cue, db::Value::logical(true));
        q.post();
    }
    q.applyUpdates();
    q.commitUpdates();
}

// The MEM2 bytes of every frame of a table, in order.
inline std::vector<std::string> frameMemos(const QString &folder, const QString &tableFile)
{
    using namespace glyphreel;
    db::Query q;
    q.setDatabaseName(folder.toStdString());
    q.addSql("SELECT * FROM " + db::sqlTableName(tableFile.toStdString()));
    q.open();
    std::vector<std::string> memos;
    for (q.first(); !q.eof(); q.next())
        memos.push_back(q.fieldBytes("MEM2"));
    return memos;
}

} // namespace testsupport
