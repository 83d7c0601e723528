// The kit components in an executable whose run path does not lead to the
// module: they are made and counted as usual, and every operation fails
// with status 14 without touching a file or firing an event.

#include "imagekit/IkCommon.h"
#include "imagekit/IkFile.h"
#include "imagekit/IkInit.h"
#include "imagekit/Ikdllprocs.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QtTest>

#include <dlfcn.h>
#include <memory>

using namespace glyphreel::imagekit;

class TestImageKitAbsent : public QObject {
    Q_OBJECT

private slots:
    // The module must be out of reach, or this test shows nothing.
    void initTestCase()
    {
        const QStringList dirs = qEnvironmentVariable("LD_LIBRARY_PATH").split(u':', Qt::SkipEmptyParts);
        for (const QString &dir : dirs)
            QVERIFY2(!QFileInfo::exists(QDir(dir).filePath(QLatin1String(kModuleName))),
                     qPrintable(QStringLiteral("LD_LIBRARY_PATH leads to the module: %1").arg(dir)));
        void *reachable = dlopen(kModuleName, RTLD_NOW | RTLD_LOCAL);
        if (reachable)
            dlclose(reachable);
        QVERIFY2(!reachable, "the module is reachable from this executable");
    }

    void componentsAreCountedWithoutTheModule()
    {
        QCOMPARE(ikUseCount(), 0);
        auto common = std::make_unique<TVIkCommon>();
        QCOMPARE(ikUseCount(), 1);
        auto file = std::make_unique<TVIkFile>();
        QCOMPARE(ikUseCount(), 2);
        QVERIFY(!ikModuleLoaded());
        QVERIFY(!ikProcs.IKDibFromBitmap);
        QVERIFY(!ikProcs.IKGetErrorStatus);
        QVERIFY(!ikProcs.IKGetErrorText);
        QVERIFY(!ikProcs.IKFreeMemory);
        QVERIFY(!ikProcs.IKBmpFileSave);
        QVERIFY(!ikProcs.IKGifFileSave);
        // The components are whole: their properties work as ever.
        file->setJpegQuality(300);
        QCOMPARE(file->JpegQuality(), short(100));
        QCOMPARE(file->FileExt, QStringLiteral("BMP;JPG;TIF;PCX;FPX;PNG;WMF;EMF;DXF;GIF"));
        common->setXdpi(120);
        QCOMPARE(common->Xdpi(), 120);
        file.reset();
        QCOMPARE(ikUseCount(), 1);
        common.reset();
        QCOMPARE(ikUseCount(), 0);
        QVERIFY(!ikModuleLoaded());
    }

    void operationsFailWithStatus14()
    {
        TempDir dir;
        TVIkCommon common;
        TVIkFile file;
        int starts = 0, ends = 0, progress = 0;
        file.OnStartSave = [&](QObject *, const QString &) { ++starts; };
        file.OnEndSave = [&](QObject *, const QString &) { ++ends; };
        file.OnProgress = [&](QObject *, short) { ++progress; };

        QImage picture(8, 8, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        common.setImageHandle(1234);
        common.SetPicture(picture);
        QCOMPARE(common.ImageHandle(), IKImage(1234));
        QCOMPARE(common.ErrorStatus(), short(IK_ERR_NOT_AVAILABLE));
        common.SetPicture(QImage());
        QCOMPARE(common.ImageHandle(), IKImage(1234));

        file.ImageHandle = common.ImageHandle();
        for (TVIkSaveFile format : {vikSaveGIF, vikSaveBMP, vikSavePNG}) {
            file.FileName = dir.path(QStringLiteral("absent%1").arg(int(format)));
            QVERIFY(!file.SaveFile(format));
            QCOMPARE(file.ErrorStatus(), short(IK_ERR_NOT_AVAILABLE));
            QVERIFY(!QFileInfo::exists(file.FileName));
        }
        QCOMPARE(starts, 0);
        QCOMPARE(ends, 0);
        QCOMPARE(progress, 0);
        QVERIFY(QDir(dir.root()).isEmpty());

        QVERIFY(!common.FreeMemory());
        QCOMPARE(common.ErrorStatus(), short(IK_ERR_NOT_AVAILABLE));
        QCOMPARE(common.ImageHandle(), IKImage(1234));
    }
};

QTEST_GUILESS_MAIN(TestImageKitAbsent)
#include "test_imagekit_absent.moc"
