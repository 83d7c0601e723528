// Settings files: key-by-key writes that keep every other byte, CP932
// text, and the reading rules for whole numbers and booleans.

#include "platform/text/Cp932.h"
#include "platform/text/ProfileFile.h"
#include "support/Files.h"
#include "support/TempDir.h"

#include <QFile>
#include <QtTest>

using glyphreel::text::ProfileError;
using glyphreel::text::ProfileFile;

using testsupport::readAll;
using testsupport::writeAll;

namespace {

const QString kSetting = QStringLiteral("Setting");

} // namespace

class TestProfileFile : public QObject {
    Q_OBJECT
private slots:
    void newFileGetsTheKeysInWriteOrder();
    void replacingAKeyKeepsEveryOtherByte();
    void newKeyGoesToTheEndOfItsSection();
    void readsWholeNumbersAndBooleans_data();
    void readsWholeNumbersAndBooleans();
    void missingFileSectionOrKeyReadsTheDefault();
    void japaneseTextIsCp932();
    void doubleByteTrailBytesAreNotSyntax();
    void namesMatchInEitherCase();
    void unwritableFileRaisesAnErrorNamingIt();
};

void TestProfileFile::newFileGetsTheKeysInWriteOrder()
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("movie.td"));
    ProfileFile ini(path);
    ini.writeBool(kSetting, QStringLiteral("TextType"), true);
    ini.writeString(kSetting, QStringLiteral("NormalFont"), QStringLiteral("ＭＳ ゴシック"));
    ini.writeInteger(kSetting, QStringLiteral("NormalSize"), 4);
    ini.writeInteger(kSetting, QStringLiteral("NormalColor"), -2147483643);
    ini.writeBool(kSetting, QStringLiteral("Loop"), false);
    const QByteArray expected = "[Setting]\r\nTextType=1\r\nNormalFont=\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E\r\n"
                                "NormalSize=4\r\nNormalColor=-2147483643\r\nLoop=0\r\n";
    QCOMPARE(readAll(path), expected);
    QCOMPARE(ProfileFile(path).keys(kSetting),
             (QStringList{"TextType", "NormalFont", "NormalSize", "NormalColor", "Loop"}));
}

void TestProfileFile::replacingAKeyKeepsEveryOtherByte()
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("movie.td"));
    const QByteArray before = "; made by hand\n[Other]\nSpeed=1\n\n[Setting]\r\nSpeed = 20\r\nLoop=1\r\n  ; comment\r\n[Tail]\r\nx=y";
    writeAll(path, before);
    ProfileFile ini(path);
    ini.writeInteger(kSetting, QStringLiteral("Speed"), 35);
    QByteArray expected = before;
    expected.replace("Speed = 20", "Speed=35");
    QCOMPARE(readAll(path), expected);
    // the same key in another section is untouched
    QCOMPARE(ProfileFile(path).readInteger(QStringLiteral("Other"), QStringLiteral("Speed"), 0), 1);
}

void TestProfileFile::newKeyGoesToTheEndOfItsSection()
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("movie.td"));
    writeAll(path, "[Setting]\r\nTextType=0\r\n\r\n[Tail]\r\nx=y\r\n");
    ProfileFile ini(path);
    ini.writeString(kSetting, QStringLiteral("Track1"), QString());
    ini.writeString(QStringLiteral("Tail"), QStringLiteral("z"), QStringLiteral("w"));
    ini.writeString(QStringLiteral("New"), QStringLiteral("a"), QStringLiteral("b"));
    QCOMPARE(readAll(path), QByteArray("[Setting]\r\nTextType=0\r\nTrack1=\r\n\r\n[Tail]\r\nx=y\r\nz=w\r\n\r\n[New]\r\na=b\r\n"));

    // a last line without its line end gets one before the new key
    writeAll(path, "[Setting]\nTextType=0");
    ProfileFile(path).writeBool(kSetting, QStringLiteral("Loop"), true);
    QCOMPARE(readAll(path), QByteArray("[Setting]\nTextType=0\r\nLoop=1\r\n"));
}

void TestProfileFile::readsWholeNumbersAndBooleans_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("integer");
    QTest::addColumn<bool>("boolean");
    // defaults: integer 77, boolean true
    QTest::newRow("zero") << QByteArray("0") << 0 << false;
    QTest::newRow("one") << QByteArray("1") << 1 << true;
    QTest::newRow("other number is true") << QByteArray("-3") << -3 << true;
    QTest::newRow("plus sign") << QByteArray("+12") << 12 << true;
    QTest::newRow("spaces around") << QByteArray("  42 ") << 42 << true;
    QTest::newRow("not a number") << QByteArray("yes") << 77 << true;
    QTest::newRow("trailing letters") << QByteArray("12px") << 77 << true;
    QTest::newRow("empty") << QByteArray("") << 77 << true;
    QTest::newRow("too large") << QByteArray("99999999999") << 77 << true;
    QTest::newRow("colour") << QByteArray("16777215") << 16777215 << true;
}

void TestProfileFile::readsWholeNumbersAndBooleans()
{
    QFETCH(QByteArray, value);
    QFETCH(int, integer);
    QFETCH(bool, boolean);
    TempDir dir;
    const QString path = dir.path(QStringLiteral("movie.td"));
    writeAll(path, "[Setting]\r\nKey=" + value + "\r\n");
    const ProfileFile ini(path);
    QCOMPARE(ini.readInteger(kSetting, QStringLiteral("Key"), 77), integer);
    QCOMPARE(ini.readBool(kSetting, QStringLiteral("Key"), true), boolean);
}

void TestProfileFile::missingFileSectionOrKeyReadsTheDefault()
{
    TempDir dir;
    const ProfileFile none(dir.path(QStringLiteral("none.td")));
    QCOMPARE(none.readString(kSetting, QStringLiteral("NormalFont"), QStringLiteral("x")), QStringLiteral("x"));
    QVERIFY(!QFile::exists(dir.path(QStringLiteral("none.td")))); // reading creates nothing
    const QString path = dir.path(QStringLiteral("only.td"));
    writeAll(path, "[Setting]\r\nTextType=0\r\n");
    const ProfileFile ini(path);
    QCOMPARE(ini.readBool(kSetting, QStringLiteral("TextType"), true), false);
    QCOMPARE(ini.readInteger(kSetting, QStringLiteral("Speed"), 20), 20);
    QCOMPARE(ini.readString(QStringLiteral("Nothing"), QStringLiteral("TextType"), QStringLiteral("d")), QStringLiteral("d"));
    QVERIFY(!ini.hasKey(kSetting, QStringLiteral("Track1")));
}

void TestProfileFile::japaneseTextIsCp932()
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("movie.td"));
    ProfileFile ini(path);
    ini.writeString(kSetting, QStringLiteral("Track1"), QStringLiteral("効果音①.wav"));
    QCOMPARE(ProfileFile(path).readString(kSetting, QStringLiteral("Track1"), {}), QStringLiteral("効果音①.wav"));
    QVERIFY(readAll(path).contains(QByteArray::fromStdString(glyphreel::text::encodeCp932(QStringLiteral("効果音①")))));
    QVERIFY_THROWS_EXCEPTION(ProfileError, ini.writeString(kSetting, QStringLiteral("Track2"), QStringLiteral("caf\u00E9\U0001F600")));
}

void TestProfileFile::doubleByteTrailBytesAreNotSyntax()
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("movie.td"));
    // "ゼ" is 83 5B and "ポ" 83 7C: a trail byte 5B looks like '['. "ソ" is 83 5C.
    ProfileFile ini(path);
    ini.writeString(QStringLiteral("ゼロ"), QStringLiteral("ソポ"), QStringLiteral("[ゼ]=1"));
    ini.writeString(QStringLiteral("ゼロ"), QStringLiteral("ゼ"), QStringLiteral("2"));
    const ProfileFile back(path);
    QCOMPARE(back.readString(QStringLiteral("ゼロ"), QStringLiteral("ソポ"), {}), QStringLiteral("[ゼ]=1"));
    QCOMPARE(back.readInteger(QStringLiteral("ゼロ"), QStringLiteral("ゼ"), 0), 2);
    QCOMPARE(back.keys(QStringLiteral("ゼロ")), (QStringList{QStringLiteral("ソポ"), QStringLiteral("ゼ")}));
}

void TestProfileFile::namesMatchInEitherCase()
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("movie.td"));
    writeAll(path, "[SETTING]\r\ntexttype=0\r\n");
    ProfileFile ini(path);
    QCOMPARE(ini.readBool(kSetting, QStringLiteral("TextType"), true), false);
    ini.writeBool(kSetting, QStringLiteral("TextType"), true);
    QCOMPARE(readAll(path), QByteArray("[SETTING]\r\nTextType=1\r\n"));
}

void TestProfileFile::unwritableFileRaisesAnErrorNamingIt()
{
    const QString path = QStringLiteral("/nonexistent-folder/movie.td");
    ProfileFile ini(path);
    try {
        ini.writeBool(kSetting, QStringLiteral("Loop"), true);
        QFAIL("a write to a missing folder succeeded");
    } catch (const ProfileError &e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(path), e.what());
    }
}

QTEST_GUILESS_MAIN(TestProfileFile)
#include "test_profilefile.moc"
