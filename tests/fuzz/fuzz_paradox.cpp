// libFuzzer target for the table reader: the input is a records file and a
// blob file; opening the table and reading every value must either succeed
// or raise an error naming the file, and never read outside the files.
//
//   cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DGLYPHREEL_FUZZ=ON
//   build-fuzz/tests/fuzz/fuzz_paradox -max_total_time=60 CORPUS_DIR

#include "FuzzFiles.h"
#include "platform/db/ParadoxTable.h"

using fuzzsupport::scratch;
using fuzzsupport::writeFile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The first two bytes give the records file's length; the rest is the
    // blob file.
    if (size < 2)
        return 0;
    std::size_t dbSize = (std::size_t(data[0]) | (std::size_t(data[1]) << 8)) * 16;
    data += 2;
    size -= 2;
    if (dbSize > size)
        dbSize = size;
    const std::string db = scratch("t.db"), mb = scratch("t.mb");
    writeFile(db, data, dbSize);
    writeFile(mb, data + dbSize, size - dbSize);
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
