// libFuzzer target for the table reader: the input is a records file and a
// blob file; opening the table and reading every value must either succeed
// or raise an error naming the file, and never read outside the files.
// scripts/fuzz.sh builds and runs it.

#include "FuzzFiles.h"
#include "platform/db/ParadoxTable.h"

using fuzzsupport::scratch;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string db = scratch("t.db"), mb = scratch("t.mb");
    if (!fuzzsupport::writeTableInput(data, size, db, mb))
        return 0;
    try {
        const auto table = glyphreel::db::ParadoxTable::open(db);
        for (const auto &row : table->rows())
            for (const auto &value : row) {
                try {
                    (void)table->blobBytes(value);
                } catch (const glyphreel::files::FileError &) {
                }
            }
    } catch (const glyphreel::files::FileError &) {
    }
    return 0;
}
