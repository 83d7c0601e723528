// The track players on the mixer with SDL's dummy output: real sound files
// made by ffmpeg, opened, played, rewound; files that are not sounds.

#include "platform/media/SoundDevice.h"
#include "support/Files.h"
#include "support/TempDir.h"

#include <QtTest>

using glyphreel::media::SoundDevice;
using glyphreel::media::SoundError;

class TestMedia : public QObject {
    Q_OBJECT
private slots:
    void playsRewindsAndPlaysAgain();
    void sixTracksSoundAtOnce();
    void aFileThatIsNotASoundKeepsItsName();
    void shortSoundEndsByItself();
};

void TestMedia::playsRewindsAndPlaysAgain()
{
    QVERIFY2(SoundDevice::outputAvailable(), SoundDevice::outputError().c_str());
    TempDir dir;
    const QString wav = dir.path(QStringLiteral("tone.wav"));
    QVERIFY(testsupport::makeSound(wav, 5));
    SoundDevice player(0);
    QVERIFY(!player.isOpen());
    player.open(wav.toStdString());
    QVERIFY(player.isOpen());
    QCOMPARE(player.fileName(), wav.toStdString());
    QVERIFY(!player.playing());
    player.play();
    QVERIFY(player.playing());
    player.rewind();
    QVERIFY(!player.playing()); // stopped at once, back at the start
    player.play();
    QVERIFY(player.playing());
    player.close();
    QVERIFY(!player.playing());
    QVERIFY(player.fileName().empty());
    QVERIFY_THROWS_EXCEPTION(SoundError, player.play());
}

void TestMedia::sixTracksSoundAtOnce()
{
    TempDir dir;
    QStringList files;
    for (int i = 0; i < 6; ++i) {
        files << dir.path(QStringLiteral("t%1.%2").arg(i).arg(i % 2 ? QStringLiteral("wav") : QStringLiteral("mp3")));
        QVERIFY(testsupport::makeSound(files.back(), 20));
    }
    // Made first, started together: a slow machine must not let the first
    // end before the last begins.
    std::vector<std::unique_ptr<SoundDevice>> players;
    for (int i = 0; i < 6; ++i) {
        players.push_back(std::make_unique<SoundDevice>(i));
        players.back()->open(files[i].toStdString());
    }
    for (const auto &p : players)
        p->play();
    for (const auto &p : players)
        QVERIFY(p->playing());
    players[2]->rewind();
    QVERIFY(!players[2]->playing());
    QVERIFY(players[1]->playing() && players[3]->playing());
}

void TestMedia::aFileThatIsNotASoundKeepsItsName()
{
    TempDir dir;
    const QString bad = dir.path(QStringLiteral("notes.wav"));
    testsupport::writeAll(bad, "these are not samples");
    SoundDevice player(1);
    try {
        player.open(bad.toStdString());
        QFAIL("a text file opened as a sound");
    } catch (const SoundError &e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(bad), e.what());
    }
    QVERIFY(!player.isOpen());
    QCOMPARE(player.fileName(), bad.toStdString());
    QVERIFY_THROWS_EXCEPTION(SoundError, player.rewind());
    QVERIFY_THROWS_EXCEPTION(SoundError, player.play());
    QVERIFY_THROWS_EXCEPTION(SoundError, player.open(dir.path(QStringLiteral("missing.wav")).toStdString()));
    QVERIFY_THROWS_EXCEPTION(SoundError, SoundDevice(8));
}

void TestMedia::shortSoundEndsByItself()
{
    TempDir dir;
    const QString wav = dir.path(QStringLiteral("blip.wav"));
    QVERIFY(testsupport::makeSound(wav, 0.1));
    SoundDevice player(5);
    player.open(wav.toStdString());
    player.play();
    QVERIFY(player.playing());
    QTRY_VERIFY_WITH_TIMEOUT(!player.playing(), 5000);
}

QTEST_GUILESS_MAIN(TestMedia)
#include "test_media.moc"
