#pragma once
// TVIkFile: writes a kit image to a file.

#include "platform/kit/ImageKit.h"

#include <QObject>
#include <QString>

#include <functional>

namespace glyphreel::imagekit {

// The save formats, in the kit's order.
enum TVIkSaveFile {
    vikSaveBMP,
    vikSaveBMPRLE,
    vikSaveJPEG,
    vikSaveJPEGProgressive,
    vikSaveGIF,
    vikSaveTIFF,
    vikSaveTIFFCCITT,
    vikSaveTIFFG3OneDim,
    vikSaveTIFFG3TwoDim,
    vikSaveTIFFG4,
    vikSaveTIFFPackBits,
    vikSaveTIFFLZW,
    vikSavePNG,
    vikSaveFPX,
    vikSaveFPXSingleColor,
    vikSaveFPXJPEG,
    vikSavePCX,
    vikSaveWMF,
    vikSaveEMF,
    vikSaveDXF
};
enum TVIkJpegSubsamp { vik411, vik422, vik444 };
enum TVIkTiffColorSpace { vikRGB, vikCMYK };

class TVIkFile : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString ButtonName MEMBER ButtonName)
    Q_PROPERTY(QString Caption MEMBER Caption)
    Q_PROPERTY(QString Comment MEMBER Comment)
    Q_PROPERTY(QString Message MEMBER Message)
    Q_PROPERTY(QString FileExt MEMBER FileExt)
    Q_PROPERTY(QString FileName MEMBER FileName)
    Q_PROPERTY(QString FilePath MEMBER FilePath)
    Q_PROPERTY(bool GifAnime MEMBER GifAnime)
    Q_PROPERTY(short GifAnimeDelay READ GifAnimeDelay WRITE setGifAnimeDelay)
    Q_PROPERTY(bool Interlace MEMBER Interlace)
    Q_PROPERTY(short JpegQuality READ JpegQuality WRITE setJpegQuality)
    Q_PROPERTY(short LoadPage READ LoadPage WRITE setLoadPage)
    Q_PROPERTY(short PalBlue READ PalBlue WRITE setPalBlue)
    Q_PROPERTY(short PalGreen READ PalGreen WRITE setPalGreen)
    Q_PROPERTY(short PalRed READ PalRed WRITE setPalRed)
    Q_PROPERTY(bool Preview MEMBER Preview)
    Q_PROPERTY(bool TiffAppend MEMBER TiffAppend)
    Q_PROPERTY(bool TiffSaveOneStrip MEMBER TiffSaveOneStrip)
    Q_PROPERTY(bool Transparent MEMBER Transparent)
    Q_PROPERTY(int VectorHeight READ VectorHeight WRITE setVectorHeight)
    Q_PROPERTY(int VectorWidth READ VectorWidth WRITE setVectorWidth)

public:
    explicit TVIkFile(QObject *parent = nullptr);
    ~TVIkFile() override;

    // Events, called when set.
    std::function<void(QObject *sender, short percent)> OnProgress;
    std::function<void(QObject *sender, const QString &fileName)> OnStartLoad, OnEndLoad, OnStartSave, OnEndSave;

    QString ButtonName, Caption, Comment, Message;
    QString FileExt; // "BMP;JPG;TIF;PCX;FPX;PNG;WMF;EMF;DXF;GIF" at first
    QString FileName, FilePath;
    bool GifAnime = false;
    bool Interlace = false;
    bool Preview = false;
    bool TiffAppend = false;
    bool TiffSaveOneStrip = false;
    bool Transparent = false;
    TVIkJpegSubsamp JpegSubsamp = vik411;
    TVIkTiffColorSpace TiffColorSpace = vikRGB;

    // Setters keep the kit's ranges: a negative delay, page or vector size
    // becomes 0; quality is clamped to 0..100, palette parts to 0..255.
    short GifAnimeDelay() const { return gifAnimeDelay_; }
    void setGifAnimeDelay(short delay);
    short JpegQuality() const { return jpegQuality_; }
    void setJpegQuality(short quality);
    short LoadPage() const { return loadPage_; }
    void setLoadPage(short page);
    short PalRed() const { return palRed_; }
    void setPalRed(short value);
    short PalGreen() const { return palGreen_; }
    void setPalGreen(short value);
    short PalBlue() const { return palBlue_; }
    void setPalBlue(short value);
    int VectorHeight() const { return vectorHeight_; }
    void setVectorHeight(int height);
    int VectorWidth() const { return vectorWidth_; }
    void setVectorWidth(int width);

    // The kit image to save.
    IKImage ImageHandle = 0;
    // Set (from OnProgress) to stop the save in progress.
    bool Abort = false;
    // The last progress value reported.
    short LastProgress() const { return lastProgress_; }

    short ErrorStatus() const { return errorStatus_; }
    QString ErrorText() const { return errorText_; }

    // Writes ImageHandle to FileName in the format. True on success; on
    // failure ErrorStatus holds the kit's code (14: the kit is not
    // loaded, or cannot write that format).
    bool SaveFile(TVIkSaveFile format);

private:
    friend IKBool ikProgress(int16_t percent);

    short gifAnimeDelay_ = 0;
    short jpegQuality_ = 0;
    short loadPage_ = 0;
    short palRed_ = 0, palGreen_ = 0, palBlue_ = 0;
    int vectorHeight_ = 0, vectorWidth_ = 0;
    short lastProgress_ = 0;
    short errorStatus_ = 0;
    QString errorText_;
    IKProgressProc progress_ = nullptr;
};

} // namespace glyphreel::imagekit
