// `glyphreel convert`, run as users run it: the built program, its output
// bytes, its exit status and its one-line messages.

#include "convert/Bmp2str.h"
#include "platform/text/Cp932.h"
#include "support/BmpBuilder.h"
#include "support/Files.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QtTest>

using testsupport::Picture;
using testsupport::Rgb;

namespace {

testsupport::Run runGlyphreel(const QStringList &arguments)
{
    // It must not need a display.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return testsupport::runGlyphreel(QStringList{QStringLiteral("convert")} + arguments, env);
}

} // namespace

class TestConvertCommand : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void writesTheArtWithTheWindowDefaults();
    void optionsChangeTheConversion();
    void utf8Output();
    void failuresExitNonZeroWithOneLine_data();
    void failuresExitNonZeroWithOneLine();

private:
    TempDir dir_;
    QString picture_;
};

void TestConvertCommand::initTestCase()
{
    QVERIFY2(QFileInfo(qEnvironmentVariable("GLYPHREEL_BINARY")).isExecutable(), "GLYPHREEL_BINARY is not set");
    // 10 x 5: black left half, white right half
    picture_ = dir_.path(QStringLiteral("halves.bmp"));
    QVERIFY(testsupport::writeFile(picture_, testsupport::buildBmp(Picture::filled(10, 5, [](int x, int) {
        return x < 5 ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
    }))));
}

void TestConvertCommand::writesTheArtWithTheWindowDefaults()
{
    // pixel width 5, full-width, inverted: cell 1 covers columns 0..5 (one
    // white column of six), cell 2 columns 5..9 (all white).
    const testsupport::Run run = runGlyphreel({picture_});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.err.isEmpty());
    const int first = (2 * 3 * 255 * 5 + 3 * 30) / (6 * 30);
    const auto &full = glyphreel::convert::FDensityList;
    QByteArray expected;
    expected.append(static_cast<char>(full[static_cast<std::size_t>(first)][0]));
    expected.append(static_cast<char>(full[static_cast<std::size_t>(first)][1]));
    expected.append("\xEA\x9A\r\n");
    QCOMPARE(run.out, expected);
}

void TestConvertCommand::optionsChangeTheConversion()
{
    const testsupport::Run run = runGlyphreel({picture_, QStringLiteral("--pixel-width"), QStringLiteral("10"), QStringLiteral("--half-width"),
                               QStringLiteral("--no-invert")});
    QCOMPARE(run.exitCode, 0);
    // one cell of all 50 pixels: mean 127.5 -> 128, not inverted -> 127
    QCOMPARE(run.out, QByteArray(" S\r\n"));
    const testsupport::Run inlineForm = runGlyphreel({QStringLiteral("--pixel-width=10"), QStringLiteral("--half-width"), picture_});
    QCOMPARE(inlineForm.out, QByteArray("-o\r\n"));
}

void TestConvertCommand::utf8Output()
{
    const testsupport::Run run = runGlyphreel({picture_, QStringLiteral("--encoding"), QStringLiteral("utf-8"), QStringLiteral("--pixel-width"),
                               QStringLiteral("10")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(QString::fromUtf8(run.out), QStringLiteral("丘\r\n"));
}

void TestConvertCommand::failuresExitNonZeroWithOneLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing file") << QStringList{QStringLiteral("/nonexistent/picture.bmp")} << 1 << "/nonexistent/picture.bmp";
    QTest::newRow("no picture") << QStringList{} << 2 << "絵が指定されていません";
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--sharpen")} << 2 << "--sharpen";
    QTest::newRow("pixel width 0") << QStringList{QStringLiteral("x.bmp"), QStringLiteral("--pixel-width"), QStringLiteral("0")} << 2
                                   << "ピクセル幅";
    QTest::newRow("pixel width text") << QStringList{QStringLiteral("x.bmp"), QStringLiteral("--pixel-width"), QStringLiteral("wide")}
                                      << 2 << "wide";
    QTest::newRow("pixel width missing") << QStringList{QStringLiteral("x.bmp"), QStringLiteral("--pixel-width")} << 2
                                         << "--pixel-width";
    QTest::newRow("bad encoding") << QStringList{QStringLiteral("x.bmp"), QStringLiteral("--encoding"), QStringLiteral("latin1")} << 2
                                  << "latin1";
    QTest::newRow("two pictures") << QStringList{QStringLiteral("a.bmp"), QStringLiteral("b.bmp")} << 2 << "一つです";
}

void TestConvertCommand::failuresExitNonZeroWithOneLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const testsupport::Run run = runGlyphreel(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY(run.err.endsWith('\n'));
    QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
}

QTEST_GUILESS_MAIN(TestConvertCommand)
#include "test_convert_command.moc"
