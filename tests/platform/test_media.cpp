// The track players on the mixer with SDL's dummy output: real sound files
// of every kind made by ffmpeg (the fixture "sounds"), opened, played,
// rewound; what reaches the output read from the mixer's level meter;
// files that are not sounds; a run without any sound output.

#include "platform/media/Mixer.h"
#include "platform/media/SoundDecoder.h"
#include "platform/media/SoundDevice.h"
#include "support/TempDir.h"

#include <QtTest>

#include <cmath>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using glyphreel::media::Mixer;
using glyphreel::media::OutputLevel;
using glyphreel::media::SoundDecoder;
using glyphreel::media::SoundDevice;
using glyphreel::media::SoundError;
using glyphreel::media::TrackStream;

namespace {

constexpr int kRate = glyphreel::media::kOutputRate;

std::string sound(const char *name)
{
    return std::string(GLYPHREEL_SOUNDS) + "/" + name;
}

// The mean power per sample of what the mixer put out over a while.
struct Window {
    std::uint64_t frames = 0;
    double power = 0;
    std::uint64_t clipped = 0;
};

Window listen(int milliseconds)
{
    const OutputLevel before = Mixer::instance().level();
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    const OutputLevel after = Mixer::instance().level();
    Window w;
    w.frames = after.frames - before.frames;
    w.power = w.frames ? (after.energy - before.energy) / double(2 * w.frames) : 0;
    w.clipped = after.clipped - before.clipped;
    return w;
}

// Every frame a decoder gives, to its end.
std::vector<std::int16_t> decodeAll(SoundDecoder &decoder)
{
    std::vector<std::int16_t> all;
    std::vector<std::int16_t> run(4000 * 2);
    while (std::size_t got = decoder.read(run.data(), 4000))
        all.insert(all.end(), run.begin(), run.begin() + static_cast<std::ptrdiff_t>(got * 2));
    return all;
}

std::int64_t residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : -1;
}

// Run in a child process with SDL_AUDIODRIVER=nosuchdriver: prints each
// failed check and returns how many failed.
int noOutputChild()
{
    int failed = 0;
    auto check = [&](bool ok, const char *what) {
        if (!ok) {
            std::fprintf(stderr, "FAILED: %s\n", what);
            ++failed;
        }
    };
    check(!SoundDevice::outputAvailable(), "the output is not available");
    check(!SoundDevice::outputError().empty(), "the output tells why not");
    std::printf("output error: %s\n", SoundDevice::outputError().c_str());
    SoundDevice mp3(0), midi(1), bad(2);
    try {
        mp3.open(sound("tone.mp3"));
        midi.open(sound("tune.mid"));
        check(mp3.isOpen() && midi.isOpen(), "good sounds open");
        mp3.rewind();
        mp3.play();
        midi.rewind();
        midi.play();
        check(!mp3.playing() && !midi.playing(), "cues do nothing");
        check(mp3.position() == 0 && !mp3.cueLatency(), "nothing played");
    } catch (const SoundError &e) {
        std::fprintf(stderr, "threw: %s\n", e.what());
        ++failed;
    }
    try {
        bad.open(sound("notes.wav"));
        check(false, "a text file is refused all the same");
    } catch (const SoundError &e) {
        check(std::string(e.what()).find(sound("notes.wav")) != std::string::npos, "the refusal names the file");
    }
    check(!bad.isOpen() && bad.fileName() == sound("notes.wav"), "the refused file keeps its name");
    return failed;
}

} // namespace

class TestMedia : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void everyKindReachesTheMix_data();
    void everyKindReachesTheMix();
    void decodesToTheOutputRateAndRestartsSampleExact_data();
    void decodesToTheOutputRateAndRestartsSampleExact();
    void refusesWhatIsNotASound_data();
    void refusesWhatIsNotASound();
    void refusesCdAudioTracks();
    void sixTracksSoundTogether();
    void rewindStopsAtOnceAndACueRestarts();
    void loudTracksSaturate();
    void shortSoundEndsByItself();
    void longTrackStreamsInBoundedMemory();
    void withoutOutputCuesDoNothing();
};

void TestMedia::initTestCase()
{
    QVERIFY2(SoundDevice::outputAvailable(), SoundDevice::outputError().c_str());
    QCOMPARE(SoundDevice::outputBufferFrames(), Mixer::kBufferFrames);
    QVERIFY2(!glyphreel::media::midiSoundFont().empty(), "no General MIDI sound font installed");
}

void TestMedia::everyKindReachesTheMix_data()
{
    QTest::addColumn<QString>("file");
    for (const char *name : {"tone.wav", "tone.mp3", "tone.wma", "clip.wmv", "tone.au", "tone.snd", "tone.aiff",
                             "tone.aifc", "tone.ogg", "tone.flac", "tune.mid", "tune.rmi"})
        QTest::newRow(name) << QString::fromStdString(sound(name));
}

void TestMedia::everyKindReachesTheMix()
{
    QFETCH(QString, file);
    SoundDevice player(0);
    QVERIFY(!player.isOpen());
    player.open(file.toStdString());
    QVERIFY(player.isOpen());
    QCOMPARE(player.fileName(), file.toStdString());
    QVERIFY(!player.playing());
    // Open but not cued: nothing is heard.
    const Window idle = listen(60);
    QVERIFY(idle.frames > 0);
    QCOMPARE(idle.power, 0.0);

    player.rewind();
    player.play();
    QVERIFY(player.playing());
    QTRY_VERIFY_WITH_TIMEOUT(player.position() > kRate / 10, 2000);
    const Window heard = listen(120);
    QVERIFY(heard.frames > 0);
    // A tone of ffmpeg's sine source is an eighth of full scale: a power
    // of 1/128; MIDI's piano is quieter but well above nothing.
    QVERIFY2(heard.power > 1e-5, qPrintable(QString::number(heard.power)));
    QVERIFY(player.cueLatency().has_value());
    QVERIFY(player.cueLatency()->count() >= 0);

    player.close();
    QVERIFY(!player.isOpen());
    QVERIFY(!player.playing());
    QVERIFY(player.fileName().empty());
    QCOMPARE(listen(60).power, 0.0);
    QVERIFY_THROWS_EXCEPTION(SoundError, player.play());
}

void TestMedia::decodesToTheOutputRateAndRestartsSampleExact_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<double>("seconds");
    // Made at 22050, 44100, 48000 and 8000 Hz, mono and stereo.
    QTest::newRow("wav 22050") << QString::fromStdString(sound("tone.wav")) << 2.0;
    QTest::newRow("mp3") << QString::fromStdString(sound("tone.mp3")) << 2.0;
    QTest::newRow("wma") << QString::fromStdString(sound("tone.wma")) << 2.0;
    QTest::newRow("wmv") << QString::fromStdString(sound("clip.wmv")) << 2.0;
    QTest::newRow("aiff") << QString::fromStdString(sound("tone.aiff")) << 2.0;
    QTest::newRow("snd 8000") << QString::fromStdString(sound("tone.snd")) << 2.0;
    QTest::newRow("ogg") << QString::fromStdString(sound("tone.ogg")) << 2.0;
    QTest::newRow("flac 48000") << QString::fromStdString(sound("tone.flac")) << 2.0;
    QTest::newRow("mp3 3 s") << QString::fromStdString(sound("six-2.mp3")) << 3.0;
    QTest::newRow("mp3 tone and silence") << QString::fromStdString(sound("steps.mp3")) << 6.0;
    QTest::newRow("midi") << QString::fromStdString(sound("tune.mid")) << 1.0;
}

void TestMedia::decodesToTheOutputRateAndRestartsSampleExact()
{
    QFETCH(QString, file);
    QFETCH(double, seconds);
    auto straight = glyphreel::media::openSoundFile(file.toStdString());
    const std::vector<std::int16_t> all = decodeAll(*straight);
    const double decoded = double(all.size() / 2) / kRate;
    // Codecs pad a little at either end; MIDI rings out after its last note.
    QVERIFY2(decoded > seconds * 0.97 && decoded < seconds + 1.5, qPrintable(QString::number(decoded)));
    QCOMPARE(straight->read(nullptr, 0), std::size_t(0));
    if (!file.endsWith(QStringLiteral(".mid"))) {
        // ffmpeg's tones peak at an eighth of full scale, on either side
        // alike whether made mono or stereo.
        const auto [low, high] = std::minmax_element(all.begin(), all.end());
        const int peak = std::max(-int(*low), int(*high));
        QVERIFY2(peak > 3700 && peak < 4500, qPrintable(QString::number(peak)));
    }

    // Read into the sound, start over, pass the head by: what follows is
    // what the straight decode had there.
    auto again = glyphreel::media::openSoundFile(file.toStdString());
    const std::size_t head = std::min<std::size_t>(TrackStream::kHeadFrames, all.size() / 4);
    std::vector<std::int16_t> run(all.size());
    QCOMPARE(again->read(run.data(), all.size() / 2 - 100), all.size() / 2 - 100);
    again->restart();
    QCOMPARE(again->read(run.data(), head), head);
    QVERIFY(std::equal(run.begin(), run.begin() + std::ptrdiff_t(head * 2), all.begin()));
    const std::size_t rest = again->read(run.data(), all.size() / 2);
    QCOMPARE(rest, all.size() / 2 - head);
    QVERIFY(std::equal(run.begin(), run.begin() + std::ptrdiff_t(rest * 2), all.begin() + std::ptrdiff_t(head * 2)));
}

void TestMedia::refusesWhatIsNotASound_data()
{
    QTest::addColumn<QString>("file");
    for (const char *name : {"notes.wav", "notes.mid", "empty.mp3", "cut.mp3", "cut.wav", "mute.avi"})
        QTest::newRow(name) << QString::fromStdString(sound(name));
    QTest::newRow("missing") << QString::fromStdString(sound("missing.wav"));
    QTest::newRow("folder") << QString::fromStdString(sound(""));
    QTest::newRow("fifo") << QStringLiteral("FIFO");
}

void TestMedia::refusesWhatIsNotASound()
{
    QFETCH(QString, file);
    TempDir dir;
    if (file == QStringLiteral("FIFO")) {
        file = dir.path(QStringLiteral("pipe.wav"));
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    }
    SoundDevice player(1);
    player.open(sound("tone.wav"));
    try {
        player.open(file.toStdString());
        QFAIL("opened as a sound");
    } catch (const SoundError &e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(file), e.what());
    }
    // The sound opened before is closed; the name of the one tried stays.
    QVERIFY(!player.isOpen());
    QCOMPARE(player.fileName(), file.toStdString());
    QVERIFY_THROWS_EXCEPTION(SoundError, player.rewind());
    QVERIFY_THROWS_EXCEPTION(SoundError, player.play());
    QVERIFY(!player.playing());
    QVERIFY_THROWS_EXCEPTION(SoundError, SoundDevice(8));
}

void TestMedia::refusesCdAudioTracks()
{
    TempDir dir;
    // By its name, and by its contents under another name.
    const QString renamed = dir.path(QStringLiteral("track.wav"));
    QVERIFY(QFile::copy(QString::fromStdString(sound("track01.cda")), renamed));
    for (const std::string &file : {sound("track01.cda"), renamed.toStdString()}) {
        SoundDevice player(2);
        try {
            player.open(file);
            QFAIL("a CD audio track opened");
        } catch (const SoundError &e) {
            const QString message = QString::fromUtf8(e.what());
            QVERIFY2(message.contains(QStringLiteral("CDオーディオトラック")) && message.contains(QString::fromStdString(file)),
                     e.what());
        }
        QVERIFY(!player.isOpen());
    }
}

void TestMedia::sixTracksSoundTogether()
{
    // Six tones of other pitches, one of each kind: played together, their
    // powers add up (the cross terms of different pitches average out).
    std::vector<std::unique_ptr<SoundDevice>> players;
    const char *files[] = {"six-1.wav", "six-2.mp3", "six-3.ogg", "six-4.wma", "six-5.aiff", "six-6.au"};
    for (int i = 0; i < 6; ++i) {
        players.push_back(std::make_unique<SoundDevice>(i));
        players.back()->open(sound(files[i]));
    }
    double alone = 0;
    for (const auto &p : players) {
        p->rewind();
        p->play();
        QTRY_VERIFY_WITH_TIMEOUT(p->position() > kRate / 10, 2000);
        const Window w = listen(150);
        QVERIFY(w.power > 1e-3);
        alone += w.power;
        p->rewind();
    }
    for (const auto &p : players) {
        p->rewind();
        p->play();
    }
    for (const auto &p : players)
        QVERIFY(p->playing());
    QTRY_VERIFY_WITH_TIMEOUT(players.back()->position() > kRate / 10, 2000);
    const Window together = listen(400);
    for (const auto &p : players)
        QVERIFY(p->playing());
    QVERIFY2(std::abs(together.power - alone) < 0.1 * alone,
             qPrintable(QStringLiteral("%1 together, %2 added up").arg(together.power).arg(alone)));
    QCOMPARE(together.clipped, std::uint64_t(0));

    // One stopped, the others sound on.
    players[2]->rewind();
    QVERIFY(!players[2]->playing());
    QVERIFY(players[1]->playing() && players[3]->playing());
}

void TestMedia::rewindStopsAtOnceAndACueRestarts()
{
    // 2 s of a tone, 2 s of silence, the tone again.
    SoundDevice player(3);
    player.open(sound("steps.mp3"));
    player.rewind();
    player.play();
    QTRY_VERIFY_WITH_TIMEOUT(player.position() > std::uint64_t(kRate / 5), 2000);
    QVERIFY(listen(100).power > 1e-3);

    player.rewind();
    QVERIFY(!player.playing());
    QCOMPARE(player.position(), std::uint64_t(0));
    // Once rewind returns, not one more sample of it is mixed.
    const Window after = listen(100);
    QVERIFY(after.frames > 0);
    QCOMPARE(after.power, 0.0);
    QCOMPARE(player.position(), std::uint64_t(0));

    // Into the silence, past the head: the decoder's ring is playing.
    player.play();
    QTRY_VERIFY_WITH_TIMEOUT(player.position() > std::uint64_t(kRate * 23 / 10), 5000);
    QVERIFY(listen(100).power < 1e-6);
    // Cued again while it plays: from the beginning, the head and then
    // what the decoder decodes anew behind it, the tone up to 2 s (not
    // the silence the ring held before).
    const std::uint64_t far = player.position();
    player.rewind();
    player.play();
    QVERIFY(player.playing());
    QVERIFY(player.position() < far);
    QTRY_VERIFY_WITH_TIMEOUT(player.position() > 0, 1000);
    QVERIFY2(player.position() < std::uint64_t(kRate / 2), qPrintable(QString::number(player.position())));
    QVERIFY(listen(100).power > 1e-3);
    QTRY_VERIFY_WITH_TIMEOUT(player.position() > std::uint64_t(kRate * 12 / 10), 3000);
    const Window toneAfterHead = listen(300);
    QVERIFY2(toneAfterHead.power > 1e-3, qPrintable(QString::number(toneAfterHead.power)));
    QVERIFY(player.position() < std::uint64_t(kRate * 2));
    QTRY_VERIFY_WITH_TIMEOUT(player.position() > std::uint64_t(kRate * 22 / 10), 3000);
    QVERIFY(listen(100).power < 1e-6);
    QVERIFY(player.playing());
}

void TestMedia::loudTracksSaturate()
{
    // 0.7 of full scale twice: the sum stays at full scale, rather than
    // wrapping round to the other sign.
    SoundDevice a(0), b(1);
    a.open(sound("dc.wav"));
    b.open(sound("dc.wav"));
    a.play();
    b.play();
    QTRY_VERIFY_WITH_TIMEOUT(a.position() > std::uint64_t(kRate / 10) && b.position() > std::uint64_t(kRate / 10),
                             2000);
    const Window w = listen(200);
    QVERIFY(a.playing() && b.playing());
    QVERIFY(w.clipped > 0);
    QVERIFY2(w.power > 0.99, qPrintable(QString::number(w.power)));
    QCOMPARE(Mixer::instance().level().lastPeak, 32767);
}

void TestMedia::shortSoundEndsByItself()
{
    auto decoder = glyphreel::media::openSoundFile(sound("blip.wav"));
    const std::size_t frames = decodeAll(*decoder).size() / 2;
    QVERIFY(frames > 0 && frames < TrackStream::kHeadFrames);

    SoundDevice player(5);
    player.open(sound("blip.wav"));
    player.play();
    QVERIFY(player.playing());
    QTRY_VERIFY_WITH_TIMEOUT(!player.playing(), 5000);
    QCOMPARE(player.position(), std::uint64_t(frames));
    QCOMPARE(listen(60).power, 0.0);
    // Played again after its end: from the start.
    player.play();
    QVERIFY(player.playing());
    QVERIFY(player.position() < frames);
    QTRY_VERIFY_WITH_TIMEOUT(!player.playing(), 5000);
    QCOMPARE(player.position(), std::uint64_t(frames));

    // Longer than its head: ends once the decoder runs dry.
    SoundDevice longer(4);
    longer.open(sound("tone.wav"));
    longer.play();
    QTRY_VERIFY_WITH_TIMEOUT(!longer.playing(), 6000);
    auto whole = glyphreel::media::openSoundFile(sound("tone.wav"));
    QCOMPARE(longer.position(), std::uint64_t(decodeAll(*whole).size() / 2));
}

void TestMedia::longTrackStreamsInBoundedMemory()
{
    // Ten minutes: some 100 MB decoded at the output's rate.
    const std::int64_t before = residentBytes();
    QVERIFY(before > 0);
    SoundDevice player(0);
    player.open(sound("long.mp3"));
    player.play();
    QTRY_VERIFY_WITH_TIMEOUT(player.position() > TrackStream::kHeadFrames + kRate / 5, 4000);
    QVERIFY(player.bufferedFrames() > 0);
    QVERIFY(player.bufferedFrames() <= TrackStream::kRingFrames);
    const std::int64_t grown = residentBytes() - before;
    QVERIFY2(grown < 20 * 1024 * 1024, qPrintable(QStringLiteral("%1 bytes more").arg(grown)));
    QVERIFY(player.playing());
}

void TestMedia::withoutOutputCuesDoNothing()
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("nosuchdriver"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--no-output-child")});
    QVERIFY(child.waitForFinished(30000));
    const QByteArray out = child.readAllStandardOutput() + child.readAllStandardError();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, out.constData());
    QVERIFY2(out.contains("output error: "), out.constData());
}

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--no-output-child") == 0)
        return noOutputChild();
    QCoreApplication app(argc, argv);
    TestMedia test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_media.moc"
