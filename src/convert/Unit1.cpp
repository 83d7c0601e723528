#include "convert/Unit1.h"

#include "convert/ArtMemo.h"
#include "convert/Bmp2str.h"
#include "platform/bitmap/PictureFile.h"
#include "platform/dialogs/WindowPlacement.h"
#include "platform/text/Cp932.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QVBoxLayout>

#include <stdexcept>

TForm1 *Form1 = nullptr;

namespace {

QFont artFont(int pixels)
{
    QFont font(QStringLiteral("ＭＳ ゴシック"));
    font.setPixelSize(pixels);
    font.setFixedPitch(true);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

} // namespace

TForm1::TForm1(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("BMP2STR DEMO"));
    resize(425, 275);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(65);
    Label1 = new QLabel(QStringLiteral("ビットマップ："), Panel1);
    Label1->setGeometry(8, 10, 80, 16);
    Edit1 = new QLineEdit(Panel1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(88, 6, 240, 22);
    Button2 = new QPushButton(QStringLiteral("変換"), Panel1);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(336, 6, 75, 24);
    Label2 = new QLabel(QStringLiteral("１文字に対するピクセル幅："), Panel1);
    Label2->setGeometry(8, 38, 160, 16);
    Edit2 = new QLineEdit(QStringLiteral("5"), Panel1);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setGeometry(168, 34, 40, 22);
    CheckBox1 = new QCheckBox(QStringLiteral("半角文字"), Panel1);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(220, 36, 90, 20);
    CheckBox2 = new QCheckBox(QStringLiteral("濃度反転"), Panel1);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setGeometry(316, 36, 90, 20);
    CheckBox2->setChecked(true);

    RichEdit1 = new glyphreel::richedit::RichEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setReadOnly(true);
    RichEdit1->setPlainTextMode(true);
    RichEdit1->setWordWrap(false);
    RichEdit1->setFont(artFont(7));
    RichEdit1->setColors(Qt::white, Qt::black);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(RichEdit1, 1);

    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
}

int TForm1::pixelWidth() const
{
    bool ok = false;
    const int value = Edit2->text().trimmed().toInt(&ok, 10);
    return ok ? value : 8;
}

void TForm1::Button2Click()
{
    const int width = pixelWidth();
    if (width < 1)
        throw std::invalid_argument("ピクセル幅 " + std::to_string(width)
                                    + " は使えません。1 以上の整数を指定してください。");
    // The bitmap lives only inside this handler, so it is released whether
    // or not the conversion succeeds.
    glyphreel::bitmap::Bitmap bitmap = glyphreel::bitmap::loadPictureFile(Edit1->text());
    showResult(glyphreel::convert::BmpToString(bitmap, width, CheckBox1->isChecked(), CheckBox2->isChecked()));
}

void TForm1::showResult(std::string art)
{
    RichEdit1->setPlainText(glyphreel::convert::artText(art));
    resultBytes_ = std::move(art);
}

void TForm1::copyResult()
{
    RichEdit1->selectAll();
    QGuiApplication::clipboard()->setMimeData(glyphreel::convert::artMimeData(resultBytes_));
}

void TForm1::showEvent(QShowEvent *event)
{
    glyphreel::dialogs::centreOnScreen(this);
    QWidget::showEvent(event);
}
