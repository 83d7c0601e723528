// The table engine on a 10,000-frame project of 20 KB frames, each figure
// beside the time to read the same files' bytes once, in the same run:
// opening (all rows ready), walking every frame's text, saving one edited
// frame, and appending 1,000 frames and saving.
//
//   bench_table [folder]     (default: a temporary folder; needs ~300 MB)

#include "Timing.h"
#include "platform/db/LocalSql.h"
#include "platform/db/Query.h"

#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

using namespace glyphreel::db;

namespace {

volatile std::size_t sink;

using bench::ms;

std::size_t readOnce(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::string buffer(1 << 20, '\0');
    std::size_t total = 0;
    ssize_t n;
    while ((n = ::read(fd, buffer.data(), buffer.size())) > 0)
        total += static_cast<std::size_t>(n);
    ::close(fd);
    return total;
}

std::string frameText(int i)
{
    std::string s(20 * 1024, ' ');
    for (std::size_t k = 0; k < s.size(); ++k)
        s[k] = static_cast<char>(k % 82 == 81 ? '\n' : 'A' + (k + static_cast<std::size_t>(i)) % 26);
    return s;
}

void openMovie(Query &q, const std::string &folder)
{
    q.close();
    q.setDatabaseName(folder);
    q.clearSql();
    q.addSql("SELECT * FROM movie.db");
    q.open();
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir temp;
    const std::string folder = argc > 1 ? argv[1] : temp.path().toStdString();
    const std::string db = folder + "/movie.db", mb = folder + "/movie.mb";
    executeStatement(folder, "CREATE TABLE movie (RENO AUTOINC, MEM2 BLOB(0,1), SND1 BOOLEAN, SND2 BOOLEAN, SND3 BOOLEAN, "
                             "SND4 BOOLEAN, SND5 BOOLEAN, SND6 BOOLEAN, PRIMARY KEY(RENO))");
    {
        Query q;
        openMovie(q, folder);
        for (int i = 0; i < 10000; ++i) {
            q.append();
            q.setFieldValue("MEM2", Value::bytes(frameText(i)));
            q.post();
        }
        const double first = ms([&] {
            q.applyUpdates();
            q.commitUpdates();
        });
        std::printf("setting up: 10,000 frames saved in %.0f ms\n", first);
    }
    // Warm the page cache the same way for the references and the work.
    sink = readOnce(db) + readOnce(mb);

    std::printf("%-36s %10s %12s %8s\n", "work", "ms", "reference", "ratio");
    Query q;
    const double readDb = ms([&] { sink = readOnce(db); });
    const double open = ms([&] { openMovie(q, folder); });
    std::printf("%-36s %10.3f %12.3f %8.2f  (reference: read movie.db once)\n", "open, all rows ready", open, readDb, open / readDb);

    const double readMb = ms([&] { sink = readOnce(mb); });
    std::size_t bytes = 0;
    const double walk = ms([&] {
        q.first();
        while (!q.eof()) {
            bytes += q.fieldBytes("MEM2").size();
            q.next();
        }
    });
    sink = bytes;
    std::printf("%-36s %10.3f %12.3f %8.2f  (reference: read movie.mb once)\n", "walk all frames reading MEM2", walk, readMb,
                walk / readMb);

    q.locate("RENO", "5000");
    q.edit();
    q.setFieldValue("MEM2", Value::bytes(frameText(-1)));
    const double save = ms([&] {
        q.applyUpdates();
        q.commitUpdates();
    });
    std::printf("%-36s %10.3f %12s %8s  (goal: under 50 ms)\n", "edit one frame and save", save, "-", "-");

    const double append = ms([&] {
        for (int i = 0; i < 1000; ++i) {
            q.append();
            q.setFieldValue("MEM2", Value::bytes(frameText(10000 + i)));
            q.post();
        }
        q.applyUpdates();
        q.commitUpdates();
    });
    const double readBoth = ms([&] { sink = readOnce(db) + readOnce(mb); });
    std::printf("%-36s %10.3f %12.3f %8.2f  (reference: read movie.db and movie.mb once)\n", "append 1,000 frames and save",
                append, readBoth, append / readBoth);
    return 0;
}
