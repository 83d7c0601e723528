// The kit components over the real module, loaded from the build tree's
// lib/ by the executable's run path. What they write is read back by
// decoders that are not ours: giflib, FFmpeg, gifsicle and Qt's BMP reader.

#include "imagekit/IkCommon.h"
#include "imagekit/IkFile.h"
#include "imagekit/IkInit.h"
#include "imagekit/Ikdllprocs.h"
#include "support/Files.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <gif_lib.h>

#include <atomic>
#include <memory>
#include <set>
#include <thread>
#include <vector>

namespace glyphreel::imagekit {
// The binding's progress procedure, reachable otherwise only through the
// kit during a save.
IKBool ikProgress(int16_t percent);
} // namespace glyphreel::imagekit

using namespace glyphreel::imagekit;

namespace {

const QString kId = QLatin1String(kComponentIdentifier);

// Cells with a glyph-like pattern in a few colours, as the renderer draws
// text art; in RGB888, so that the components convert it.
QImage textArt(int w, int h, int seed)
{
    const QRgb colours[] = {qRgb(0, 0, 64), qRgb(255, 255, 255), qRgb(255, 255, 0), qRgb(200, 30, 40)};
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned v = unsigned((x / 3 + 7) * 2654435761u ^ (y / 5 + seed) * 40503u);
            image.setPixel(x, y, colours[(v >> 7) % 4]);
        }
    return image;
}

// Thousands of colours, for formats that keep every one.
QImage gradient(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 255 / (w - 1), y * 255 / (h - 1), (x * 7 + y * 13) % 256));
    return image;
}

// The first mismatching pixel as text, or empty when the colours agree.
QString firstDifference(const QImage &expected, const QImage &actual)
{
    if (expected.size() != actual.size())
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height());
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (qRgb(qRed(expected.pixel(x, y)), qGreen(expected.pixel(x, y)), qBlue(expected.pixel(x, y)))
                != qRgb(qRed(actual.pixel(x, y)), qGreen(actual.pixel(x, y)), qBlue(actual.pixel(x, y))))
                return QStringLiteral("pixel %1,%2 is %3, expected %4")
                    .arg(x)
                    .arg(y)
                    .arg(actual.pixel(x, y) & 0xffffff, 6, 16)
                    .arg(expected.pixel(x, y) & 0xffffff, 6, 16);
    return {};
}

// The first picture of a GIF as giflib decodes it.
QImage gifFirstPicture(const QString &path)
{
    int error = 0;
    GifFileType *file = DGifOpenFileName(QFile::encodeName(path).constData(), &error);
    if (!file)
        return {};
    QImage image;
    if (DGifSlurp(file) == GIF_OK && file->ImageCount > 0) {
        const SavedImage &first = file->SavedImages[0];
        const GifImageDesc &d = first.ImageDesc;
        const ColorMapObject *map = d.ColorMap ? d.ColorMap : file->SColorMap;
        image = QImage(file->SWidth, file->SHeight, QImage::Format_RGB32);
        image.fill(Qt::black);
        for (int y = 0; y < d.Height; ++y)
            for (int x = 0; x < d.Width; ++x) {
                const int index = first.RasterBits[y * d.Width + x];
                if (map && index < map->ColorCount) {
                    const GifColorType c = map->Colors[index];
                    image.setPixel(d.Left + x, d.Top + y, qRgb(c.Red, c.Green, c.Blue));
                }
            }
    }
    DGifCloseFile(file, &error);
    return image;
}

// Every picture of an animation as FFmpeg shows it, composed.
std::vector<QImage> ffmpegPictures(const QString &path, QSize size)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {"-nostdin", "-v", "error", "-i", path, "-fps_mode", "passthrough", "-pix_fmt",
                                            "rgb24", "-f", "rawvideo", "-"});
    ffmpeg.waitForFinished(60000);
    const QByteArray raw = ffmpeg.readAllStandardOutput();
    const qsizetype bytes = qsizetype(size.width()) * size.height() * 3;
    std::vector<QImage> pictures;
    for (qsizetype at = 0; bytes > 0 && at + bytes <= raw.size(); at += bytes) {
        QImage image(size, QImage::Format_RGB888);
        for (int y = 0; y < size.height(); ++y)
            std::memcpy(image.scanLine(y), raw.constData() + at + qsizetype(y) * size.width() * 3,
                        std::size_t(size.width()) * 3);
        pictures.push_back(image);
    }
    return pictures;
}

QString gifsicleInfo(const QString &path)
{
    QProcess gifsicle;
    gifsicle.start(QStringLiteral("gifsicle"), {"--info", path});
    gifsicle.waitForFinished(30000);
    return QString::fromUtf8(gifsicle.readAllStandardOutput());
}

int gifsicleImageCount(const QString &info)
{
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral(R"(^\* .* (\d+) images?$)"),
                                                         QRegularExpression::MultilineOption)
                                          .match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

bool isJapanese(const QString &text)
{
    for (const QChar c : text)
        if ((c.unicode() >= 0x3040 && c.unicode() <= 0x30ff) || (c.unicode() >= 0x4e00 && c.unicode() <= 0x9fff))
            return true;
    return false;
}

struct Event {
    QString what;
    QObject *sender = nullptr;
    QString fileName;
    int percent = -1;
    bool fileExisted = false;
};

// Records every save event of a component, with whether the file was
// there when it fired.
void recordEvents(TVIkFile &file, std::vector<Event> &events)
{
    file.OnStartSave = [&](QObject *sender, const QString &name) {
        events.push_back({"start", sender, name, -1, QFileInfo::exists(name)});
    };
    file.OnEndSave = [&](QObject *sender, const QString &name) {
        events.push_back({"end", sender, name, -1, QFileInfo::exists(name)});
    };
    file.OnProgress = [&file, &events](QObject *sender, short percent) {
        events.push_back({"progress", sender, file.FileName, percent, QFileInfo::exists(file.FileName)});
    };
}

} // namespace

class TestImageKit : public QObject {
    Q_OBJECT

private slots:
    // Without the module every case below would only show status 14.
    void initTestCase()
    {
        TVIkCommon probe;
        QVERIFY2(ikModuleLoaded(), "the image kit module was not found through the run path");
    }

    // Every case leaves no component behind, so the next starts unloaded.
    void cleanup() { QCOMPARE(ikUseCount(), 0); }

    void loaderCountsComponentsAndLoadsTheModule()
    {
        QCOMPARE(ikUseCount(), 0);
        QVERIFY(!ikModuleLoaded());

        auto common = std::make_unique<TVIkCommon>();
        QCOMPARE(ikUseCount(), 1);
        QVERIFY(ikModuleLoaded());
        QVERIFY(ikProcs.IKDibFromBitmap);
        QVERIFY(ikProcs.IKGetErrorStatus);
        QVERIFY(ikProcs.IKGetErrorText);
        QVERIFY(ikProcs.IKFreeMemory);
        QVERIFY(ikProcs.IKBmpFileSave);
        QVERIFY(ikProcs.IKGifFileSave);

        auto file = std::make_unique<TVIkFile>();
        QCOMPARE(ikUseCount(), 2);

        // Another identifier, even one differing by a letter, is ignored.
        InitializeIK(QStringLiteral("GlyphreelIKit2"));
        InitializeIK(kId.left(13));
        QCOMPARE(ikUseCount(), 2);
        TerminateIK(QStringLiteral("GlyphreelIKit2"));
        TerminateIK(QString());
        QCOMPARE(ikUseCount(), 2);

        common.reset();
        QCOMPARE(ikUseCount(), 1);
        QVERIFY(ikModuleLoaded());
        file.reset();
        QCOMPARE(ikUseCount(), 0);
        QVERIFY(!ikModuleLoaded());

        // Loaded again by the next component, table filled anew.
        ikProcs = KitProcedures {};
        {
            TVIkFile again;
            QCOMPARE(ikUseCount(), 1);
            QVERIFY(ikModuleLoaded());
            QVERIFY(ikProcs.IKGifFileSave);
            QVERIFY(ikProcs.IKDibFromBitmap);
        }
        QVERIFY(!ikModuleLoaded());

        // The identifier calls of a caller of its own count like components.
        InitializeIK(kId);
        InitializeIK(kId);
        QCOMPARE(ikUseCount(), 2);
        QVERIFY(ikModuleLoaded());
        TerminateIK(kId);
        QVERIFY(ikModuleLoaded());
        TerminateIK(kId);
        QCOMPARE(ikUseCount(), 0);
        QVERIFY(!ikModuleLoaded());
    }

    void fileStartsWithTheKitsDefaults()
    {
        TVIkFile file;
        QCOMPARE(file.FileExt, QStringLiteral("BMP;JPG;TIF;PCX;FPX;PNG;WMF;EMF;DXF;GIF"));
        for (const QString *s : {&file.ButtonName, &file.Caption, &file.Comment, &file.Message, &file.FileName,
                                 &file.FilePath})
            QVERIFY(s->isEmpty());
        for (bool b : {file.GifAnime, file.Interlace, file.Preview, file.TiffAppend, file.TiffSaveOneStrip,
                       file.Transparent, file.Abort})
            QVERIFY(!b);
        for (int n : {int(file.GifAnimeDelay()), int(file.JpegQuality()), int(file.LoadPage()), int(file.PalRed()),
                      int(file.PalGreen()), int(file.PalBlue()), file.VectorHeight(), file.VectorWidth(),
                      int(file.LastProgress()), int(file.ErrorStatus())})
            QCOMPARE(n, 0);
        QCOMPARE(file.ImageHandle, IKImage(0));
        QCOMPARE(file.JpegSubsamp, vik411);
        QCOMPARE(file.TiffColorSpace, vikRGB);
        QVERIFY(file.ErrorText().isEmpty());
        QVERIFY(!file.OnProgress && !file.OnStartSave && !file.OnEndSave && !file.OnStartLoad && !file.OnEndLoad);
    }

    void fileSettersKeepTheKitsRanges_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<int>("given");
        QTest::addColumn<int>("kept");
        const struct {
            const char *name;
            int low, high; // high < 0: no upper bound
        } ranges[] = {{"GifAnimeDelay", 0, -1}, {"LoadPage", 0, -1},     {"JpegQuality", 0, 100},
                      {"PalRed", 0, 255},       {"PalGreen", 0, 255},    {"PalBlue", 0, 255},
                      {"VectorHeight", 0, -1},  {"VectorWidth", 0, -1}};
        for (const auto &r : ranges) {
            QTest::addRow("%s below", r.name) << QByteArray(r.name) << -7 << 0;
            QTest::addRow("%s lowest", r.name) << QByteArray(r.name) << 0 << 0;
            QTest::addRow("%s inside", r.name) << QByteArray(r.name) << 42 << 42;
            if (r.high >= 0) {
                QTest::addRow("%s highest", r.name) << QByteArray(r.name) << r.high << r.high;
                QTest::addRow("%s above", r.name) << QByteArray(r.name) << r.high + 1 << r.high;
                QTest::addRow("%s far above", r.name) << QByteArray(r.name) << 30000 << r.high;
            } else {
                QTest::addRow("%s large", r.name) << QByteArray(r.name) << 30000 << 30000;
            }
        }
    }

    // Through the properties, so that each runs its setter.
    void fileSettersKeepTheKitsRanges()
    {
        QFETCH(QByteArray, property);
        QFETCH(int, given);
        QFETCH(int, kept);
        TVIkFile file;
        QVERIFY(file.setProperty(property.constData(), 9)); // a value of its own first
        QVERIFY(file.setProperty(property.constData(), given));
        QCOMPARE(file.property(property.constData()).toInt(), kept);
    }

    void commonDpiIgnoresNegativeValues()
    {
        TVIkCommon common;
        QCOMPARE(common.Xdpi(), 0);
        QCOMPARE(common.Ydpi(), 0);
        common.setXdpi(96);
        common.setYdpi(72);
        QCOMPARE(common.Xdpi(), 96);
        QCOMPARE(common.Ydpi(), 72);
        common.setXdpi(-1);
        common.setYdpi(-300);
        QCOMPARE(common.Xdpi(), 96);
        QCOMPARE(common.Ydpi(), 72);
        common.setXdpi(96);
        QCOMPARE(common.Xdpi(), 96);
        QVERIFY(common.setProperty("Ydpi", 0));
        QCOMPARE(common.Ydpi(), 0);
        QCOMPARE(common.Xdpi(), 96);
        QCOMPARE(common.ErrorStatus(), short(0));
        QCOMPARE(common.ImageHandle(), IKImage(0));
    }

    void emptyPicturesMakeNoImage()
    {
        TVIkCommon common;
        common.setImageHandle(77);
        common.SetPicture(QImage());
        QCOMPARE(common.ImageHandle(), IKImage(0));
        QCOMPARE(common.ErrorStatus(), short(0));
        QVERIFY(common.Picture().isNull());

        // A real picture, then an empty one: the handle empties, but the
        // kit image stays until FreeMemory.
        common.SetPicture(textArt(8, 8, 1));
        const IKImage first = common.ImageHandle();
        QVERIFY(first != 0);
        QCOMPARE(common.Picture().size(), QSize(8, 8));
        common.SetPicture(QImage(0, 0, QImage::Format_RGB32));
        QCOMPARE(common.ImageHandle(), IKImage(0));
        QVERIFY(common.Picture().isNull());
        common.setImageHandle(first);
        QVERIFY(common.FreeMemory());
    }

    void picturesLargerThanTheKitTakesMakeNoImage()
    {
        TVIkCommon common;
        QImage wide(65536, 1, QImage::Format_RGB32);
        wide.fill(Qt::red);
        common.setImageHandle(5);
        common.SetPicture(wide);
        QCOMPARE(common.ImageHandle(), IKImage(0));
        QCOMPARE(common.ErrorStatus(), short(IK_ERR_ARGUMENT));
        QVERIFY2(isJapanese(common.ErrorText()), qPrintable(common.ErrorText()));

        QImage widest(65535, 1, QImage::Format_RGB32);
        widest.fill(Qt::red);
        common.SetPicture(widest);
        QVERIFY(common.ImageHandle() != 0);
        QCOMPARE(common.ErrorStatus(), short(0));
        QVERIFY(common.ErrorText().isEmpty());
        QVERIFY(common.FreeMemory());
    }

    void gifHoldsThePicturesPixels()
    {
        TempDir dir;
        TVIkCommon common;
        TVIkFile file;
        const QImage picture = textArt(37, 23, 3);
        common.SetPicture(picture);
        QVERIFY(common.ImageHandle() != 0);
        file.ImageHandle = common.ImageHandle();
        file.FileName = dir.path(QStringLiteral("一枚.gif"));
        QVERIFY2(file.SaveFile(vikSaveGIF), qPrintable(file.ErrorText()));
        QCOMPARE(file.ErrorStatus(), short(0));
        QVERIFY(file.ErrorText().isEmpty());

        const QString difference = firstDifference(picture, gifFirstPicture(file.FileName));
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        QCOMPARE(gifsicleImageCount(gifsicleInfo(file.FileName)), 1);
        QVERIFY(common.FreeMemory());
    }

    void gifAnimationAddsPictures()
    {
        TempDir dir;
        TVIkCommon common;
        TVIkFile file;
        const QImage first = textArt(40, 24, 1), second = textArt(40, 24, 2);
        QVERIFY(firstDifference(first, second) != QString());
        file.FileName = dir.path(QStringLiteral("anime.gif"));
        file.GifAnime = true;
        file.setGifAnimeDelay(20);

        common.SetPicture(first);
        file.ImageHandle = common.ImageHandle();
        QVERIFY2(file.SaveFile(vikSaveGIF), qPrintable(file.ErrorText()));
        QVERIFY(common.FreeMemory());
        common.SetPicture(second);
        file.ImageHandle = common.ImageHandle();
        QVERIFY2(file.SaveFile(vikSaveGIF), qPrintable(file.ErrorText()));

        const QString info = gifsicleInfo(file.FileName);
        QCOMPARE(gifsicleImageCount(info), 2);
        QCOMPARE(info.count(QStringLiteral("delay 0.20s")), 2);
        QVERIFY2(info.contains(QStringLiteral("loop forever")), qPrintable(info));
        const std::vector<QImage> shown = ffmpegPictures(file.FileName, first.size());
        QCOMPARE(shown.size(), std::size_t(2));
        QCOMPARE(firstDifference(first, shown[0]), QString());
        QCOMPARE(firstDifference(second, shown[1]), QString());

        // Another name starts a file of its own.
        file.FileName = dir.path(QStringLiteral("other.gif"));
        QVERIFY(file.SaveFile(vikSaveGIF));
        QCOMPARE(gifsicleImageCount(gifsicleInfo(file.FileName)), 1);
        QCOMPARE(firstDifference(second, gifFirstPicture(file.FileName)), QString());

        // Without GifAnime each save replaces the file.
        file.GifAnime = false;
        file.FileName = dir.path(QStringLiteral("still.gif"));
        QVERIFY(file.SaveFile(vikSaveGIF));
        QVERIFY(file.SaveFile(vikSaveGIF));
        QCOMPARE(gifsicleImageCount(gifsicleInfo(file.FileName)), 1);
        QVERIFY(common.FreeMemory());
    }

    void bmpHoldsThePicturesPixels_data()
    {
        QTest::addColumn<QImage>("picture");
        // Widths whose rows need 0, 1, 2 and 3 bytes of padding.
        QTest::newRow("row of 4 pixels") << gradient(4, 3);
        QTest::newRow("row of 13 pixels") << gradient(13, 7);
        QTest::newRow("row of 6 pixels") << gradient(6, 2);
        QTest::newRow("row of 3 pixels") << gradient(3, 5);
        QTest::newRow("text art") << QImage(textArt(41, 17, 5));
        QTest::newRow("one pixel") << gradient(2, 2).copy(1, 0, 1, 1);
    }

    void bmpHoldsThePicturesPixels()
    {
        QFETCH(QImage, picture);
        TempDir dir;
        TVIkCommon common;
        TVIkFile file;
        common.SetPicture(picture);
        file.ImageHandle = common.ImageHandle();
        file.FileName = dir.path(QStringLiteral("絵.bmp"));
        testsupport::writeAll(file.FileName, "an older file");
        QVERIFY2(file.SaveFile(vikSaveBMP), qPrintable(file.ErrorText()));
        QCOMPARE(file.ErrorStatus(), short(0));

        const QByteArray bytes = testsupport::readAll(file.FileName);
        const auto u16 = [&](int at) { return quint8(bytes[at]) | quint8(bytes[at + 1]) << 8; };
        const auto u32 = [&](int at) { return quint32(u16(at)) | quint32(u16(at + 2)) << 16; };
        QVERIFY(bytes.startsWith("BM"));
        QCOMPARE(qsizetype(u32(2)), bytes.size());
        QCOMPARE(u32(14), 40u);                      // BITMAPINFOHEADER
        QCOMPARE(int(u32(22)), picture.height());    // positive: bottom-up
        QCOMPARE(u16(28), 24);
        const qsizetype rowBytes = (picture.width() * 3 + 3) / 4 * 4;
        QCOMPARE(bytes.size() - qsizetype(u32(10)), rowBytes * picture.height());
        QCOMPARE(qsizetype(u32(10)), qsizetype(54));

        QImage read;
        QVERIFY(read.loadFromData(bytes, "BMP"));
        QCOMPARE(firstDifference(picture, read), QString());
        QVERIFY(!QFileInfo::exists(file.FileName + QStringLiteral(".saving")));
        QVERIFY(common.FreeMemory());
    }

    void optionsTheKitDoesNotWriteLeaveTheFile_data()
    {
        QTest::addColumn<bool>("interlace");
        QTest::addColumn<bool>("transparent");
        QTest::addColumn<QString>("comment");
        QTest::addColumn<bool>("fileThere");
        QTest::newRow("interlace, new file") << true << false << QString() << false;
        QTest::newRow("interlace, old file") << true << false << QString() << true;
        QTest::newRow("transparent, new file") << false << true << QString() << false;
        QTest::newRow("transparent, old file") << false << true << QString() << true;
        QTest::newRow("comment, new file") << false << false << QStringLiteral("説明") << false;
        QTest::newRow("comment, old file") << false << false << QStringLiteral("x") << true;
    }

    void optionsTheKitDoesNotWriteLeaveTheFile()
    {
        QFETCH(bool, interlace);
        QFETCH(bool, transparent);
        QFETCH(QString, comment);
        QFETCH(bool, fileThere);
        TempDir dir;
        TVIkCommon common;
        TVIkFile file;
        common.SetPicture(textArt(10, 10, 1));
        file.ImageHandle = common.ImageHandle();
        file.FileName = dir.path(QStringLiteral("options.gif"));
        if (fileThere)
            testsupport::writeAll(file.FileName, "the file as it was");
        file.Interlace = interlace;
        file.Transparent = transparent;
        file.Comment = comment;
        QVERIFY(!file.SaveFile(vikSaveGIF));
        QCOMPARE(file.ErrorStatus(), short(IK_ERR_UNSUPPORTED));
        QVERIFY2(isJapanese(file.ErrorText()), qPrintable(file.ErrorText()));
        if (fileThere)
            QCOMPARE(testsupport::readAll(file.FileName), QByteArray("the file as it was"));
        else
            QVERIFY(!QFileInfo::exists(file.FileName));
        QCOMPARE(QDir(dir.root()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), fileThere ? 1 : 0);

        // The same component saves once the option is off again.
        file.Interlace = file.Transparent = false;
        file.Comment.clear();
        QVERIFY(file.SaveFile(vikSaveGIF));
        QCOMPARE(file.ErrorStatus(), short(0));
        QVERIFY(file.ErrorText().isEmpty());
        QVERIFY(common.FreeMemory());
    }

    void unwritableFilesFailWithTheReason_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("GIF") << int(vikSaveGIF);
        QTest::newRow("BMP") << int(vikSaveBMP);
    }

    void unwritableFilesFailWithTheReason()
    {
        QFETCH(int, format);
        TempDir dir;
        TVIkCommon common;
        TVIkFile file;
        common.SetPicture(textArt(10, 10, 1));
        file.ImageHandle = common.ImageHandle();
        file.FileName = dir.path(QStringLiteral("ない/x.img"));
        QVERIFY(!file.SaveFile(TVIkSaveFile(format)));
        QCOMPARE(file.ErrorStatus(), short(IK_ERR_WRITE));
        QVERIFY2(isJapanese(file.ErrorText()), qPrintable(file.ErrorText()));
        QVERIFY2(file.ErrorText().contains(QStringLiteral("ない")), qPrintable(file.ErrorText()));
        QVERIFY(!QFileInfo::exists(dir.path(QStringLiteral("ない"))));

        // A folder where the file would go.
        file.FileName = dir.root();
        QVERIFY(!file.SaveFile(TVIkSaveFile(format)));
        QCOMPARE(file.ErrorStatus(), short(IK_ERR_WRITE));
        QVERIFY(QFileInfo(dir.root()).isDir());
        QVERIFY(common.FreeMemory());
    }

    void savesWithoutImageOrNameFail()
    {
        TempDir dir;
        TVIkCommon common;
        TVIkFile file;
        for (TVIkSaveFile format : {vikSaveGIF, vikSaveBMP}) {
            file.FileName = dir.path(QStringLiteral("none"));
            file.ImageHandle = 0;
            QVERIFY(!file.SaveFile(format));
            QCOMPARE(file.ErrorStatus(), short(IK_ERR_NO_IMAGE));
            QVERIFY(isJapanese(file.ErrorText()));

            common.SetPicture(textArt(4, 4, 1));
            file.ImageHandle = common.ImageHandle();
            file.FileName.clear();
            QVERIFY(!file.SaveFile(format));
            QCOMPARE(file.ErrorStatus(), short(IK_ERR_ARGUMENT));
            QVERIFY(isJapanese(file.ErrorText()));

            // A released image is gone for the file procedures too.
            QVERIFY(common.FreeMemory());
            file.FileName = dir.path(QStringLiteral("freed"));
            QVERIFY(!file.SaveFile(format));
            QCOMPARE(file.ErrorStatus(), short(IK_ERR_NO_IMAGE));
        }
        QVERIFY(QDir(dir.root()).isEmpty());
    }

    void formatsWithoutAProcedureFail()
    {
        TempDir dir;
        TVIkCommon common;
        TVIkFile file;
        std::vector<Event> events;
        recordEvents(file, events);
        common.SetPicture(textArt(4, 4, 1));
        file.ImageHandle = common.ImageHandle();
        file.FileName = dir.path(QStringLiteral("x.png"));
        for (TVIkSaveFile format : {vikSaveBMPRLE, vikSaveJPEG, vikSaveTIFF, vikSavePNG, vikSaveDXF}) {
            events.clear();
            QVERIFY(!file.SaveFile(format));
            QCOMPARE(file.ErrorStatus(), short(IK_ERR_NOT_AVAILABLE));
            QVERIFY(!QFileInfo::exists(file.FileName));
            QCOMPARE(events.size(), std::size_t(2));
            QCOMPARE(events[0].what, QStringLiteral("start"));
            QCOMPARE(events[1].what, QStringLiteral("end"));
        }
        QVERIFY(common.FreeMemory());
    }

    void saveEventsNameTheComponentAndFile_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("GIF") << int(vikSaveGIF);
        QTest::newRow("BMP") << int(vikSaveBMP);
    }

    void saveEventsNameTheComponentAndFile()
    {
        QFETCH(int, format);
        TempDir dir;
        TVIkCommon common;
        TVIkFile file;
        std::vector<Event> events;
        recordEvents(file, events);
        common.SetPicture(textArt(12, 9, 2));
        file.ImageHandle = common.ImageHandle();
        file.FileName = dir.path(QStringLiteral("events.img"));
        QVERIFY(file.SaveFile(TVIkSaveFile(format)));

        // 0 is where progress starts, so only the change to 100 is told.
        QCOMPARE(events.size(), std::size_t(3));
        QCOMPARE(events[0].what, QStringLiteral("start"));
        QVERIFY(!events[0].fileExisted);
        QCOMPARE(events[1].what, QStringLiteral("progress"));
        QCOMPARE(events[1].percent, 100);
        QVERIFY(events[1].fileExisted);
        QCOMPARE(events[2].what, QStringLiteral("end"));
        QVERIFY(events[2].fileExisted);
        for (const Event &e : events)
            QCOMPARE(e.sender, &file);
        QCOMPARE(events[0].fileName, file.FileName);
        QCOMPARE(events[2].fileName, file.FileName);
        QCOMPARE(file.LastProgress(), short(100));

        // A failed save still starts and ends, with no progress.
        events.clear();
        file.ImageHandle = 0;
        QVERIFY(!file.SaveFile(TVIkSaveFile(format)));
        QCOMPARE(events.size(), std::size_t(2));
        QCOMPARE(events[0].what, QStringLiteral("start"));
        QCOMPARE(events[1].what, QStringLiteral("end"));
        QCOMPARE(file.LastProgress(), short(0));

        // A name chosen when the save starts is the one written.
        events.clear();
        file.ImageHandle = common.ImageHandle();
        const QString chosen = dir.path(QStringLiteral("chosen.img"));
        file.OnStartSave = [&](QObject *, const QString &) { file.FileName = chosen; };
        QVERIFY(file.SaveFile(TVIkSaveFile(format)));
        QVERIFY(QFileInfo::exists(chosen));
        QCOMPARE(events.back().what, QStringLiteral("end"));
        QCOMPARE(events.back().fileName, chosen);
        QVERIFY(common.FreeMemory());
    }

    void progressTextsTurnTheEventsOff_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("button");
        QTest::newRow("caption") << QStringLiteral("保存") << QString() << QString();
        QTest::newRow("message") << QString() << QStringLiteral("保存しています") << QString();
        QTest::newRow("button") << QString() << QString() << QStringLiteral("中止");
    }

    void progressTextsTurnTheEventsOff()
    {
        QFETCH(QString, caption);
        QFETCH(QString, message);
        QFETCH(QString, button);
        TempDir dir;
        TVIkCommon common;
        TVIkFile file;
        std::vector<Event> events;
        recordEvents(file, events);
        common.SetPicture(textArt(6, 6, 1));
        file.ImageHandle = common.ImageHandle();
        file.Caption = caption;
        file.Message = message;
        file.ButtonName = button;
        for (TVIkSaveFile format : {vikSaveGIF, vikSaveBMP}) {
            events.clear();
            file.FileName = dir.path(QStringLiteral("p%1").arg(int(format)));
            QVERIFY(file.SaveFile(format));
            QVERIFY(QFileInfo::exists(file.FileName));
            QCOMPARE(events.size(), std::size_t(2));
            QCOMPARE(events[0].what, QStringLiteral("start"));
            QCOMPARE(events[1].what, QStringLiteral("end"));
            QCOMPARE(file.LastProgress(), short(0));
        }
        QVERIFY(common.FreeMemory());
    }

    // The kit stops a save when its progress procedure says no before
    // writing, and leaves the file as it was.
    void kitStopsWhenProgressSaysNo()
    {
        TempDir dir;
        TVIkCommon common;
        common.SetPicture(textArt(9, 9, 4));
        const IKImage image = common.ImageHandle();
        const QByteArray gif = QFile::encodeName(dir.path(QStringLiteral("stopped.gif")));
        const QByteArray bmp = QFile::encodeName(dir.path(QStringLiteral("stopped.bmp")));
        testsupport::writeAll(QFile::decodeName(bmp), "kept");

        static std::vector<int> calls;
        calls.clear();
        const IKProgressProc no = [](int16_t percent) -> IKBool {
            calls.push_back(percent);
            return 0;
        };
        QCOMPARE(ikProcs.IKGifFileSave(gif.constData(), image, 0, 0, 0, 0, 0, 0, 0, "", no, "", "", ""), IKBool(0));
        QCOMPARE(ikProcs.IKGetErrorStatus(), int16_t(IK_ERR_CANCELLED));
        QVERIFY(isJapanese(QString::fromUtf8(ikProcs.IKGetErrorText())));
        QVERIFY(!QFileInfo::exists(QFile::decodeName(gif)));
        QCOMPARE(ikProcs.IKBmpFileSave(bmp.constData(), image, no, "", "", ""), IKBool(0));
        QCOMPARE(ikProcs.IKGetErrorStatus(), int16_t(IK_ERR_CANCELLED));
        QCOMPARE(testsupport::readAll(QFile::decodeName(bmp)), QByteArray("kept"));
        QCOMPARE(calls, (std::vector<int> {0, 0}));

        // Told yes, it reports the start and the end, and the status clears.
        calls.clear();
        const IKProgressProc yes = [](int16_t percent) -> IKBool {
            calls.push_back(percent);
            return -1;
        };
        QCOMPARE(ikProcs.IKBmpFileSave(bmp.constData(), image, yes, nullptr, nullptr, nullptr), IKBool(-1));
        QCOMPARE(ikProcs.IKGetErrorStatus(), int16_t(0));
        QCOMPARE(QByteArray(ikProcs.IKGetErrorText()), QByteArray());
        QCOMPARE(calls, (std::vector<int> {0, 100}));
        QVERIFY(QImage(QFile::decodeName(bmp)).size() == QSize(9, 9));
        QVERIFY(common.FreeMemory());
    }

    // What the binding answers the kit: no while nobody saves, then the
    // owner's Abort.
    void progressAnswersFollowTheOwner()
    {
        QCOMPARE(ikProgress(50), IKBool(0));
        TempDir dir;
        TVIkCommon common;
        TVIkFile file;
        common.SetPicture(textArt(5, 5, 1));
        file.ImageHandle = common.ImageHandle();
        file.FileName = dir.path(QStringLiteral("owner.gif"));
        std::vector<IKBool> answers;
        file.OnProgress = [&](QObject *, short percent) {
            answers.push_back(ikProgress(percent));
            file.Abort = true;
            answers.push_back(ikProgress(percent));
            file.Abort = false;
        };
        QVERIFY(file.SaveFile(vikSaveGIF));
        QCOMPARE(answers, (std::vector<IKBool> {-1, 0}));
        QCOMPARE(ikProgress(100), IKBool(0)); // the save is over
        QVERIFY(common.FreeMemory());
    }

    void oneComponentOwnsProgressAtATime()
    {
        TempDir dir;
        TVIkCommon common;
        TVIkFile first, second;
        std::vector<Event> firstEvents, secondEvents;
        recordEvents(first, firstEvents);
        recordEvents(second, secondEvents);
        common.SetPicture(textArt(7, 7, 2));
        first.ImageHandle = second.ImageHandle = common.ImageHandle();
        first.FileName = dir.path(QStringLiteral("first.bmp"));
        second.FileName = dir.path(QStringLiteral("second.gif"));

        IKBool firstStillOwns = 0;
        bool secondSaved = false;
        first.OnProgress = [&](QObject *, short percent) {
            secondSaved = second.SaveFile(vikSaveGIF);
            // The second save left the first one's progress alone.
            firstStillOwns = ikProgress(percent);
        };
        QVERIFY(first.SaveFile(vikSaveBMP));
        QVERIFY(secondSaved);
        QCOMPARE(firstStillOwns, IKBool(-1));
        QCOMPARE(secondEvents.size(), std::size_t(2)); // start and end, no progress
        QCOMPARE(second.LastProgress(), short(0));

        // With the first save over, the second tells its progress.
        secondEvents.clear();
        QVERIFY(second.SaveFile(vikSaveGIF));
        QCOMPARE(secondEvents.size(), std::size_t(3));
        QCOMPARE(secondEvents[1].what, QStringLiteral("progress"));
        QCOMPARE(secondEvents[1].sender, &second);
        QCOMPARE(secondEvents[1].percent, 100);
        QVERIFY(common.FreeMemory());
    }

    void freeMemoryReleasesTheImage()
    {
        TVIkCommon common;
        common.SetPicture(textArt(6, 4, 1));
        const IKImage image = common.ImageHandle();
        QVERIFY(image != 0);
        QVERIFY(common.FreeMemory());
        QCOMPARE(common.ImageHandle(), IKImage(0));
        QCOMPARE(common.ErrorStatus(), short(0));

        common.setImageHandle(image);
        QVERIFY(!common.FreeMemory());
        QCOMPARE(common.ImageHandle(), IKImage(0));
        QCOMPARE(common.ErrorStatus(), short(IK_ERR_NO_IMAGE));
        QVERIFY(isJapanese(common.ErrorText()));

        // A new image does not take the released handle at once.
        common.SetPicture(textArt(6, 4, 1));
        QVERIFY(common.ImageHandle() != 0);
        QVERIFY(common.ImageHandle() != image);
        QCOMPARE(common.ErrorStatus(), short(0));
        QVERIFY(common.ErrorText().isEmpty());
        QVERIFY(common.FreeMemory());
    }

    // The kit's table serves several threads, and each has its own status.
    void kitImagesAndStatusAcrossThreads()
    {
        TVIkCommon common;
        const QImage picture = gradient(16, 16).convertToFormat(QImage::Format_RGB32);
        const IKBitmap bitmap {picture.width(), picture.height(), int32_t(picture.bytesPerLine()), picture.constBits()};
        constexpr int kThreads = 4, kImages = 200;
        std::vector<std::vector<IKImage>> made(kThreads);
        std::atomic<int> failures {0};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                for (int i = 0; i < kImages; ++i) {
                    const IKImage image = ikProcs.IKDibFromBitmap(&bitmap, nullptr);
                    if (image == 0 || ikProcs.IKGetErrorStatus() != 0)
                        ++failures;
                    made[t].push_back(image);
                    if (i % 3 == 0) {
                        // A failure here stays on this thread.
                        if (ikProcs.IKFreeMemory(0) != 0 || ikProcs.IKGetErrorStatus() != IK_ERR_NO_IMAGE)
                            ++failures;
                    }
                }
            });
        for (std::thread &t : threads)
            t.join();
        QCOMPARE(failures.load(), 0);
        // This thread's status is its own.
        QVERIFY(ikProcs.IKDibFromBitmap(nullptr, nullptr) == 0);
        QCOMPARE(ikProcs.IKGetErrorStatus(), int16_t(IK_ERR_ARGUMENT));
        std::thread([&] { failures = ikProcs.IKGetErrorStatus() == 0 ? 0 : 1; }).join();
        QCOMPARE(failures.load(), 0);

        std::set<IKImage> distinct;
        for (const auto &list : made)
            distinct.insert(list.begin(), list.end());
        QCOMPARE(distinct.size(), std::size_t(kThreads * kImages));
        for (IKImage image : distinct)
            QCOMPARE(ikProcs.IKFreeMemory(image), IKBool(-1));
        for (IKImage image : distinct)
            QCOMPARE(ikProcs.IKFreeMemory(image), IKBool(0));

        // A palette, a short row or an empty picture is refused.
        int dummy = 0;
        QCOMPARE(ikProcs.IKDibFromBitmap(&bitmap, &dummy), IKImage(0));
        QCOMPARE(ikProcs.IKGetErrorStatus(), int16_t(IK_ERR_ARGUMENT));
        IKBitmap shortRows = bitmap;
        shortRows.bytesPerLine = bitmap.width * 4 - 1;
        QCOMPARE(ikProcs.IKDibFromBitmap(&shortRows, nullptr), IKImage(0));
        QCOMPARE(ikProcs.IKGetErrorStatus(), int16_t(IK_ERR_ARGUMENT));
        IKBitmap empty = bitmap;
        empty.height = 0;
        QCOMPARE(ikProcs.IKDibFromBitmap(&empty, nullptr), IKImage(0));
        QCOMPARE(ikProcs.IKGetErrorStatus(), int16_t(IK_ERR_ARGUMENT));
        IKBitmap tall = bitmap;
        tall.height = 65536;
        QCOMPARE(ikProcs.IKDibFromBitmap(&tall, nullptr), IKImage(0));
        QCOMPARE(ikProcs.IKGetErrorStatus(), int16_t(IK_ERR_ARGUMENT));
    }
};

QTEST_GUILESS_MAIN(TestImageKit)
#include "test_imagekit.moc"
