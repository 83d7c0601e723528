// What users' machines do to projects: a disk that fills up during a save,
// a table whose header was damaged, a FIFO or a device where a file should
// be. Each ends with a clear message, quickly, and the project as it was.

#include "platform/bitmap/PictureFile.h"
#include "platform/files/Files.h"
#include "platform/text/ProfileFile.h"
#include "project/Project.h"
#include "support/Files.h"
#include "support/Projects.h"
#include "support/TableCheck.h"
#include "support/TempDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace glyphreel;

namespace {

// A folder on a file system of a few hundred KiB (tmpfs with size=), so that
// a save runs out of space. Needs root; otherwise the tests skip.
class SmallDisk {
public:
    explicit SmallDisk(int kib)
    {
        if (::geteuid() != 0) {
            why_ = QStringLiteral("mounting a small file system needs root");
            return;
        }
        path_ = dir_.path(QStringLiteral("disk"));
        QDir().mkpath(path_);
        QProcess mount;
        mount.start(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                              QStringLiteral("size=%1k").arg(kib), QStringLiteral("tmpfs"), path_});
        if (!mount.waitForFinished(10000) || mount.exitCode() != 0) {
            why_ = QStringLiteral("tmpfs could not be mounted here: ") + QString::fromLocal8Bit(mount.readAllStandardError());
            return;
        }
        mounted_ = true;
    }
    ~SmallDisk()
    {
        if (mounted_)
            QProcess::execute(QStringLiteral("umount"), {path_});
    }
    bool mounted() const { return mounted_; }
    QString why() const { return why_; }
    QString path(const QString &name) const { return path_ + u'/' + name; }
    QString root() const { return path_; }

private:
    TempDir dir_;
    QString path_;
    bool mounted_ = false;
    QString why_;
};

std::string art(int i, std::size_t size)
{
    std::string s(size, 'x');
    for (std::size_t k = 0; k < size; ++k)
        s[k] = static_cast<char>('A' + (k * 7 + static_cast<std::size_t>(i)) % 26);
    return s;
}

// A frame of generated art appended and posted.
void appendFrame(project::Project &p, int i, std::size_t size)
{
    p.query().append();
    p.query().setFieldValue("MEM2", db::Value::bytes(art(i, size)));
    p.query().post();
}

std::vector<std::string> memos(const QString &td)
{
    project::Project p;
    p.open(td);
    std::vector<std::string> out;
    for (p.query().first(); !p.query().eof(); p.query().next())
        out.push_back(p.query().fieldBytes("MEM2"));
    return out;
}

QStringList leftovers(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.saving"), QStringLiteral("*.copying"), QStringLiteral("*.commit")},
                                  QDir::Files | QDir::Hidden);
}

} // namespace

class TestDamage : public QObject {
    Q_OBJECT
private slots:
    void aFullDiskEndsTheSaveAndKeepsTheProject();
    void aFullDiskEndsSaveAsAndCreate();
    void aDamagedHeaderIsRefusedAndNotWritten();
    void whatIsNotARegularFileIsRefused();
};

void TestDamage::aFullDiskEndsTheSaveAndKeepsTheProject()
{
    SmallDisk disk(384);
    if (!disk.mounted())
        QSKIP(qPrintable(disk.why()));
    const QString td = disk.path(QStringLiteral("full.td"));
    project::Project p;
    p.create(td, false);
    for (int i = 0; i < 5; ++i)
        appendFrame(p, i, 3000 + static_cast<std::size_t>(i));
    p.save();
    const std::vector<std::string> saved = memos(td);
    const QByteArray settings = testsupport::readAll(td);
    // Frames of 60 KB each until the disk is full.
    QString message;
    QElapsedTimer clock;
    clock.start();
    for (int round = 0; round < 20 && message.isEmpty(); ++round) {
        appendFrame(p, round, 60000);
        try {
            p.save();
        } catch (const files::FileError &e) {
            message = QString::fromUtf8(e.what());
        }
        if (message.isEmpty()) {
            const std::vector<std::string> now = memos(td);
            QCOMPARE(now.size(), saved.size() + static_cast<std::size_t>(round) + 1);
        }
    }
    QVERIFY2(!message.isEmpty(), "the disk never filled up");
    QVERIFY2(clock.elapsed() < 30000, "the save did not end at once");
    QVERIFY2(message.contains(QStringLiteral("空き容量がありません")) && message.contains(QStringLiteral("full")),
             qPrintable(message));
    // The files pass the strict check as they lie, nothing is left over,
    // and the project opens with what its last save wrote.
    const QStringList problems = testsupport::checkTableFiles(disk.path(QStringLiteral("full.db")));
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
    QCOMPARE(leftovers(disk.root()), QStringList());
    const std::vector<std::string> after = memos(td);
    QVERIFY(after.size() >= saved.size());
    for (std::size_t i = 0; i < saved.size(); ++i)
        QCOMPARE(after[i], saved[i]);
    // the settings file either way is whole
    QVERIFY(text::ProfileFile(td).hasKey(QStringLiteral("Setting"), QStringLiteral("TextType")));
    Q_UNUSED(settings);
}

void TestDamage::aFullDiskEndsSaveAsAndCreate()
{
    SmallDisk disk(64);
    if (!disk.mounted())
        QSKIP(qPrintable(disk.why()));
    TempDir home;
    const QString source = home.path(QStringLiteral("big.td"));
    project::Project p;
    p.create(source, false);
    for (int i = 0; i < 4; ++i)
        appendFrame(p, i, 40000);
    p.save();
    // save as onto the small disk: refused with the reason, the disk as it
    // was, the project still the one open
    try {
        p.saveAs(disk.path(QStringLiteral("copy.td")));
        QFAIL("a project larger than the disk was saved on it");
    } catch (const files::FileError &e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(QStringLiteral("空き容量がありません")), e.what());
    }
    QCOMPARE(QDir(disk.root()).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(p.path(), source);
    QCOMPARE(memos(source).size(), std::size_t(4));

    // glyphreel create on a disk with a few KiB left ends with a message
    testsupport::writeAll(disk.path(QStringLiteral("filler")), QByteArray(60 * 1024, 'f'));
    QProcess create;
    create.start(qEnvironmentVariable("GLYPHREEL_BINARY"), {QStringLiteral("create"), disk.path(QStringLiteral("new.td"))});
    QVERIFY2(create.waitForFinished(20000), "create hung on a full disk");
    QCOMPARE(create.exitCode(), 1);
    QVERIFY2(QString::fromUtf8(create.readAllStandardError()).contains(QStringLiteral("空き容量がありません")), "no reason given");
    QCOMPARE(QDir(disk.root()).entryList(QDir::Files | QDir::Hidden), QStringList{"filler"});
}

// A header byte changed (the type of MEM2): the table is refused with a
// message, by the command line and by the windows' verbs, and no byte of it
// changes.
void TestDamage::aDamagedHeaderIsRefusedAndNotWritten()
{
    TempDir dir;
    const QString td = dir.path(QStringLiteral("hurt.td"));
    {
        project::Project p;
        p.create(td, false);
        for (int i = 0; i < 3; ++i)
            appendFrame(p, i, 500);
        p.save();
    }
    QByteArray db = testsupport::readAll(dir.path(QStringLiteral("hurt.db")));
    QCOMPARE(int(db[0x7A]), 0x0C);
    db[0x7A] = 0x01; // memo to alpha, the same size
    testsupport::writeAll(dir.path(QStringLiteral("hurt.db")), db);
    std::map<QString, QByteArray> before;
    for (const QString &f : QDir(dir.root()).entryList(QDir::Files))
        before[f] = testsupport::readAll(dir.path(f));

    const testsupport::Run frames = testsupport::runGlyphreel({QStringLiteral("frames"), td});
    QCOMPARE(frames.exitCode, 1);
    QVERIFY2(QString::fromUtf8(frames.err).contains(QStringLiteral("コマの表ではないか、壊れています")), frames.err.constData());
    QVERIFY(frames.out.isEmpty());
    project::Project p;
    try {
        p.open(td);
        QFAIL("a damaged table was opened");
    } catch (const std::exception &e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(QStringLiteral("MEM2")), e.what());
    }
    QVERIFY(!p.isOpen());
    QVERIFY_THROWS_EXCEPTION(std::exception, p.save());
    for (const auto &[f, bytes] : before)
        QVERIFY2(testsupport::readAll(dir.path(f)) == bytes, qPrintable(f));
    QCOMPARE(QDir(dir.root()).entryList(QDir::Files).size(), before.size());
}

void TestDamage::whatIsNotARegularFileIsRefused()
{
    TempDir dir;
    auto fifo = [&](const QString &name) { QCOMPARE(::mkfifo(dir.path(name).toLocal8Bit().constData(), 0600), 0); };
    // Each refusal comes at once, with exit status 1 and a message.
    struct Quick {
        int code;
        QString err;
        qint64 ms;
    };
    auto run = [](const QStringList &args) {
        QElapsedTimer clock;
        clock.start();
        const testsupport::Run r = testsupport::runGlyphreel(args);
        return Quick{r.exitCode, QString::fromUtf8(r.err), clock.elapsed()};
    };
    auto refused = [](const Quick &q, const QString &named) {
        return q.code == 1 && q.ms < 10000 && q.err.contains(named);
    };
    // a settings file, a records file and a blob file that are FIFOs
    fifo(QStringLiteral("pipe.td"));
    QVERIFY(refused(run({QStringLiteral("frames"), dir.path(QStringLiteral("pipe.td"))}), QStringLiteral("pipe.td")));
    testsupport::writeAll(dir.path(QStringLiteral("db.td")), "[Setting]\r\nTextType=1\r\n");
    fifo(QStringLiteral("db.db"));
    QVERIFY(refused(run({QStringLiteral("dump"), dir.path(QStringLiteral("db.td")), dir.path(QStringLiteral("out"))}),
                    QStringLiteral("通常のファイルではありません")));
    testsupport::writeFrameTable(dir.root(), "mb", false, {{"frame", {}}});
    testsupport::writeAll(dir.path(QStringLiteral("mb.td")), "[Setting]\r\nTextType=1\r\n");
    QVERIFY(QFile::remove(dir.path(QStringLiteral("mb.mb"))));
    fifo(QStringLiteral("mb.mb"));
    QVERIFY(refused(run({QStringLiteral("frames"), dir.path(QStringLiteral("mb.td"))}), QStringLiteral("mb.mb")));
    // a text file and a picture that are FIFOs
    fifo(QStringLiteral("text.txt"));
    QVERIFY(refused(run({QStringLiteral("create"), dir.path(QStringLiteral("t.td")), dir.path(QStringLiteral("text.txt"))}),
                    QStringLiteral("text.txt")));
    QVERIFY(!QFile::exists(dir.path(QStringLiteral("t.td"))));
    fifo(QStringLiteral("picture.bmp"));
    QVERIFY(refused(run({QStringLiteral("convert"), dir.path(QStringLiteral("picture.bmp"))}), QStringLiteral("picture.bmp")));
    // a track that is a device: refused at once, the other tracks load
    QVERIFY(testsupport::makeSound(dir.path(QStringLiteral("tone.wav")), 0.2));
    testsupport::writeFrameTable(dir.root(), "tracks", false, {{"frame", {}}});
    testsupport::writeAll(dir.path(QStringLiteral("tracks.td")), "[Setting]\r\nTextType=1\r\nTrack1=/dev/zero\r\nTrack2=tone.wav\r\n");
    project::Project p;
    p.setSoundEnabled(true);
    QElapsedTimer clock;
    clock.start();
    p.open(dir.path(QStringLiteral("tracks.td")));
    QVERIFY2(clock.elapsed() < 5000, "a device was read as a sound");
    QCOMPARE(p.failedTracks(), QStringList{QStringLiteral("1 (/dev/zero)")});
    QVERIFY(p.player(2).isOpen());
}

QTEST_GUILESS_MAIN(TestDamage)
#include "test_damage.moc"
