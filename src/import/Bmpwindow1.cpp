#include "import/Bmpwindow1.h"

#include "convert/Unit1.h"
#include "platform/dialogs/Commands.h"


TBMPForm1 *BMPForm1 = nullptr;

using glyphreel::dialogs::connectCommand;
using glyphreel::import::ImportGlyph;

TBMPForm1::TBMPForm1() : ImportForm(QStringLiteral("BMPForm1"), QStringLiteral("BMPイメージからのインポート"), QSize(253, 130))
{
    buildSettingRows(QRect(8, 8, 237, 80), 112);
    buildButtons(QRect(8, 98, 116, 24), QRect(129, 98, 116, 24), QStringLiteral("変換"),
                 glyphreel::import::importGlyphIcon(ImportGlyph::Walker));

    OpenPictureDialog1 = new glyphreel::dialogs::FileDialog(glyphreel::dialogs::FileRequest::Mode::Open, this);
    OpenPictureDialog1->setObjectName(QStringLiteral("OpenPictureDialog1"));
    OpenPictureDialog1->setTitle(QStringLiteral("開く"));
    // BMP first; the second filter takes every picture Qt reads, which
    // arrives as 24-bit pixels.
    OpenPictureDialog1->setFilter(
        QStringLiteral("BMPファイル (*.bmp)|*.bmp|画像ファイル (*.bmp;*.png;*.jpg;*.jpeg;*.gif;*.webp)"
                       "|*.bmp;*.png;*.jpg;*.jpeg;*.gif;*.webp"));
    OpenPictureDialog1->setDefaultExt(QStringLiteral("bmp"));

    connectCommand(SpeedButton7, &QToolButton::clicked, this, &TBMPForm1::SpeedButton7Click);
}

void TBMPForm1::FormShow()
{
    if (OpenPictureDialog1->execute(this))
        SpeedButton7->setEnabled(true);
}

void TBMPForm1::FormClose()
{
    SpeedButton7->setEnabled(false);
}

void TBMPForm1::SpeedButton7Click()
{
    Form1->Edit1->setText(OpenPictureDialog1->fileName());
    writeConversionSettings();
    // A picture that does not load ends the import here: the frame and the
    // clipboard stay as they were.
    Form1->Button2Click();

    glyphreel::db::Query &frames = query();
    const bool first = frames.recordCount() == 0;
    if (first && frames.state() != glyphreel::db::Query::State::Insert)
        frames.append();
    else if (frames.state() == glyphreel::db::Query::State::Browse)
        frames.edit();

    Form1->copyResult();
    // At the caret, over a selection, as a paste does.
    editor().paste();
    frames.post();
    // The project's first frame: counted and numbered as after any move.
    if (first)
        frames.last();
    close();
}
