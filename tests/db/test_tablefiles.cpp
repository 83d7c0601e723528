// A table as files: which names are one table on disk (links, hard links,
// folders that do not tell case apart), and copying a table so that a
// failure leaves the target as it was.

#include "platform/db/ParadoxFormat.h"
#include "platform/db/TableFiles.h"
#include "support/Files.h"
#include "support/TempDir.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace glyphreel::db;
using testsupport::readAll;
using testsupport::writeAll;

namespace {

// Runs a tool quietly; true when it succeeded.
bool run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

std::string s(const QString &path)
{
    return path.toStdString();
}

// A FAT file system image mounted through FUSE: case-insensitive, and it
// gives each spelling of a name its own inode. Empty when the machine
// cannot mount one.
class FatFolder {
public:
    FatFolder()
    {
        const QString mkfs = QStandardPaths::findExecutable(QStringLiteral("mkfs.vfat"), {"/sbin", "/usr/sbin"});
        const QString fusefat = QStandardPaths::findExecutable(QStringLiteral("fusefat"));
        if (mkfs.isEmpty() || fusefat.isEmpty() || !QFile::exists(QStringLiteral("/dev/fuse"))) {
            why_ = QStringLiteral("mkfs.vfat, fusefat or /dev/fuse is missing");
            return;
        }
        const QString image = dir_.path(QStringLiteral("fat.img"));
        QFile f(image);
        if (!f.open(QIODevice::WriteOnly) || !f.resize(8 << 20))
            return;
        f.close();
        QDir().mkpath(dir_.path(QStringLiteral("mnt")));
        if (!run(mkfs, {image})) {
            why_ = QStringLiteral("mkfs.vfat failed");
            return;
        }
        if (!run(fusefat, {QStringLiteral("-o"), QStringLiteral("rw+"), image, dir_.path(QStringLiteral("mnt"))})) {
            why_ = QStringLiteral("fusefat could not mount the image here");
            return;
        }
        mounted_ = true;
    }
    ~FatFolder()
    {
        if (mounted_)
            run(QStringLiteral("fusermount"), {QStringLiteral("-u"), dir_.path(QStringLiteral("mnt"))});
    }
    bool mounted() const { return mounted_; }
    QString why() const { return why_; }
    QString path(const QString &name) const { return dir_.path(QStringLiteral("mnt/") + name); }

private:
    TempDir dir_;
    bool mounted_ = false;
    QString why_;
};

} // namespace

class TestTableFiles : public QObject {
    Q_OBJECT
private slots:
    void theThreeFilesFollowTheRecordsFilesCase();
    void oneTableUnderAnySpellingOfItsPath();
    void foldersThatDoNotTellCaseApart();
    void copiesReplaceOnlyWhenAllThreeAreComplete();
};

void TestTableFiles::theThreeFilesFollowTheRecordsFilesCase()
{
    QCOMPARE(tableFiles("/p/movie.db"), (std::array<std::string, 3>{"/p/movie.db", "/p/movie.mb", "/p/movie.px"}));
    QCOMPARE(tableFiles("/p/MOVIE.DB"), (std::array<std::string, 3>{"/p/MOVIE.DB", "/p/MOVIE.MB", "/p/MOVIE.PX"}));
}

void TestTableFiles::oneTableUnderAnySpellingOfItsPath()
{
    TempDir dir;
    QVERIFY(QDir(dir.root()).mkpath(QStringLiteral("ps")));
    writeAll(dir.path(QStringLiteral("ps/sym.db")), "records");
    QVERIFY(QFile::link(dir.path(QStringLiteral("ps")), dir.path(QStringLiteral("psl"))));
    QVERIFY(sameTable(s(dir.path(QStringLiteral("ps/sym.db"))), s(dir.path(QStringLiteral("psl/sym.db")))));
    QVERIFY(sameTable(s(dir.path(QStringLiteral("ps/sym.db"))), s(dir.path(QStringLiteral("ps/../ps/sym.db")))));
    // a name not made yet, in the same folder reached another way
    QVERIFY(sameTable(s(dir.path(QStringLiteral("ps/new.db"))), s(dir.path(QStringLiteral("psl/new.db")))));
    QVERIFY(!sameTable(s(dir.path(QStringLiteral("ps/new.db"))), s(dir.path(QStringLiteral("ps/other.db")))));
    // a hard link elsewhere is the same file
    QCOMPARE(::link(dir.path(QStringLiteral("ps/sym.db")).toLocal8Bit().constData(),
                    dir.path(QStringLiteral("linked.db")).toLocal8Bit().constData()),
             0);
    QVERIFY(sameTable(s(dir.path(QStringLiteral("ps/sym.db"))), s(dir.path(QStringLiteral("linked.db")))));
    // a copy is not
    QVERIFY(QFile::copy(dir.path(QStringLiteral("ps/sym.db")), dir.path(QStringLiteral("copy.db"))));
    QVERIFY(!sameTable(s(dir.path(QStringLiteral("ps/sym.db"))), s(dir.path(QStringLiteral("copy.db")))));
    // on a folder that tells case apart, SYM.db is another table
    writeAll(dir.path(QStringLiteral("ps/SYM.db")), "other records");
    QVERIFY(folderIsCaseSensitive(s(dir.path(QStringLiteral("ps")))));
    QVERIFY(!sameTable(s(dir.path(QStringLiteral("ps/sym.db"))), s(dir.path(QStringLiteral("ps/SYM.db")))));
    // the probe leaves nothing behind
    QStringList left = QDir(dir.path(QStringLiteral("ps"))).entryList(QDir::Files | QDir::Hidden);
    left.sort(Qt::CaseSensitive);
    QCOMPARE(left, (QStringList{"SYM.db", "sym.db"}));
}

void TestTableFiles::foldersThatDoNotTellCaseApart()
{
    FatFolder fat;
    if (!fat.mounted())
        QSKIP(qPrintable(QStringLiteral("no FAT folder to test on: ") + fat.why()));
    writeAll(fat.path(QStringLiteral("MOVIE.DB")), "records");
    // the file system gives the two spellings two inodes: only the probe
    // of the folder tells that they are one file
    struct stat upper {}, lower {};
    QCOMPARE(::stat(fat.path(QStringLiteral("MOVIE.DB")).toLocal8Bit().constData(), &upper), 0);
    QCOMPARE(::stat(fat.path(QStringLiteral("movie.db")).toLocal8Bit().constData(), &lower), 0);
    QVERIFY(!folderIsCaseSensitive(s(fat.path(QString()))));
    QVERIFY(sameTable(s(fat.path(QStringLiteral("MOVIE.DB"))), s(fat.path(QStringLiteral("movie.db")))));
    QVERIFY(!sameTable(s(fat.path(QStringLiteral("MOVIE.DB"))), s(fat.path(QStringLiteral("movie2.db")))));
    QCOMPARE(QDir(fat.path(QString())).entryList(QDir::Files | QDir::Hidden), QStringList{"MOVIE.DB"});
}

void TestTableFiles::copiesReplaceOnlyWhenAllThreeAreComplete()
{
    TempDir dir;
    writeAll(dir.path(QStringLiteral("a.db")), "records a");
    writeAll(dir.path(QStringLiteral("a.mb")), QByteArray(3 << 20, 'm')); // more than one buffer
    writeAll(dir.path(QStringLiteral("a.px")), "index a");
    writeAll(dir.path(QStringLiteral("b.db")), "records b");
    copyTable(s(dir.path(QStringLiteral("a.db"))), s(dir.path(QStringLiteral("b.db"))));
    for (const char *ext : {".db", ".mb", ".px"})
        QCOMPARE(readAll(dir.path(QStringLiteral("b") + ext)), readAll(dir.path(QStringLiteral("a") + ext)));

    // a missing file: nothing replaced, nothing left over
    QVERIFY(QFile::remove(dir.path(QStringLiteral("a.px"))));
    writeAll(dir.path(QStringLiteral("c.db")), "records c");
    try {
        copyTable(s(dir.path(QStringLiteral("a.db"))), s(dir.path(QStringLiteral("c.db"))));
        QFAIL("a table without its index was copied");
    } catch (const glyphreel::files::FileError &e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(QStringLiteral("a.px")), e.what());
    }
    QCOMPARE(readAll(dir.path(QStringLiteral("c.db"))), QByteArray("records c"));
    QVERIFY(!QFile::exists(dir.path(QStringLiteral("c.mb"))));
    QCOMPARE(QDir(dir.root()).entryList({QStringLiteral("*.copying")}, QDir::Files), QStringList());

    // a target folder that is not there
    try {
        copyTable(s(dir.path(QStringLiteral("b.db"))), s(dir.path(QStringLiteral("none/d.db"))));
        QFAIL("copied into a folder that does not exist");
    } catch (const glyphreel::files::FileError &e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(QStringLiteral("none/d.db")), e.what());
    }
}

QTEST_GUILESS_MAIN(TestTableFiles)
#include "test_tablefiles.moc"
