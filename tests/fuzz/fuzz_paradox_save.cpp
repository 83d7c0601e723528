// libFuzzer target for reading, saving and reading again: a table that
// opens is saved with the rows it read (the memos it could read) and must
// open again with the same rows, and pass the strict structural check if
// it passed it before; a save may refuse, never leave a table that does not
// read.

#include "FuzzFiles.h"
#include "platform/db/ParadoxTable.h"
#include "support/TableCheck.h"

using namespace glyphreel::db;
using fuzzsupport::broken;
using fuzzsupport::scratch;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string db = scratch("s.db"), mb = scratch("s.mb"), px = scratch("s.px");
    std::remove(px.c_str());
    if (!fuzzsupport::writeTableInput(data, size, db, mb))
        return 0;
    std::unique_ptr<ParadoxTable> table;
    std::vector<Row> rows;
    try {
        table = ParadoxTable::open(db);
        if (table->info().fileType != 0 && table->info().fileType != 2)
            return 0;
        rows = table->rows();
        // Memos that cannot be read go as empty: the save stores what was read.
        for (Row &row : rows)
            for (std::size_t f = 0; f < row.size(); ++f)
                if (row[f].kind() == Value::Kind::Blob) {
                    try {
                        row[f] = Value::bytes(table->blobBytes(row[f]));
                    } catch (const glyphreel::files::FileError &) {
                        row[f] = Value();
                    }
                }
    } catch (const glyphreel::files::FileError &) {
        return 0;
    }
    // Damage the input already had may stay; a save must add none.
    const bool wholeBefore = testsupport::checkTableFiles(QString::fromStdString(db)).isEmpty();
    std::vector<std::string> memos;
    for (const Row &row : rows)
        for (const Value &v : row)
            memos.push_back(v.kind() == Value::Kind::Bytes ? v.asBytes() : std::string());
    try {
        table->save(rows, table->info().autoInc);
    } catch (const glyphreel::files::FileError &) {
        return 0; // refused (a value that does not fit): nothing to check
    }
    try {
        const auto again = ParadoxTable::open(db);
        if (again->rowCount() != rows.size())
            broken("a saved table reads back with another number of rows");
        std::size_t i = 0;
        for (const Row &row : again->rows())
            for (const Value &v : row) {
                const std::string bytes = isBlobType(again->info().fields[i % row.size()].type) ? again->blobBytes(v) : std::string();
                if (isBlobType(again->info().fields[i % row.size()].type) && bytes != memos[i])
                    broken("a saved memo reads back changed");
                ++i;
            }
    } catch (const glyphreel::files::FileError &) {
        broken("a saved table does not open again");
    }
    const QStringList problems = testsupport::checkTableFiles(QString::fromStdString(db));
    if (wholeBefore && !problems.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problems.join(QStringLiteral("; "))));
        broken("a saved table fails the strict check");
    }
    return 0;
}
