#include "import/ImportForm.h"

#include "convert/Unit1.h"
#include "platform/dialogs/Commands.h"
#include "widgets/ButtonGlyph.h"
#include "widgets/WindowLook.h"

#include <QPainterPath>
#include <QShowEvent>

#include <stdexcept>

using glyphreel::dialogs::connectCommand;
using glyphreel::widgets::setHint;

ImportForm::ImportForm(const QString &objectName, const QString &caption, const QSize &clientSize)
    : ScreenCentredDialog(objectName, caption, glyphreel::dialogs::kToolWindowFrame)
{
    setModal(true);
    setFixedSize(clientSize);
    setFont(glyphreel::widgets::uiFont(12));

    GradBox1 = new TGradBox(this);
    GradBox1->setObjectName(QStringLiteral("GradBox1"));
    GradBox1->setGeometry(rect());
    GradBox1->setTopColor(6381921);
    GradBox1->setLastColor(0x00C0C0C0);
    GradBox1->setGradStyle(gsBottomTop);
    GradBox1->setOutLineColor(0x0000FFFF);
    GradBox1->setDrawOutLine(true);
    GradBox1->setFont3D(false);
}

TShadowLabel *ImportForm::label(const char16_t *name, const QString &caption, const QRect &geometry,
                                Qt::Alignment alignment)
{
    auto *l = new TShadowLabel(GradBox1);
    l->setObjectName(QString::fromUtf16(name));
    l->applyWindowLook(12, 0);
    l->setGradation(true);
    l->setGradateVert(true);
    l->setGradationColor(0);
    l->setTextGradation(tgNone);
    l->setAlignment(alignment);
    l->setCaption(caption);
    l->setGeometry(geometry);
    return l;
}

NumericBox *ImportForm::numberBox(const char16_t *name, const char16_t *editName, QLineEdit *&edit, const QString &hint,
                                  const QRect &geometry, int minimum, int maximum, int position)
{
    auto *box = new NumericBox(minimum, maximum, position, GradBox1);
    box->setObjectName(QString::fromUtf16(name));
    box->setGeometry(geometry);
    edit = box->edit();
    edit->setObjectName(QString::fromUtf16(editName));
    setHint(edit, hint);
    setHint(box, hint);
    return box;
}

QCheckBox *ImportForm::checkBox(const char16_t *name, const char16_t *onLabelName, TShadowLabel *&onLabel,
                                const QString &hint, const QPoint &at)
{
    auto *box = new QCheckBox(GradBox1);
    box->setObjectName(QString::fromUtf16(name));
    box->setGeometry(at.x(), at.y() + 2, 16, 16);
    setHint(box, hint);
    onLabel = label(onLabelName, QStringLiteral("ON"), QRect(at.x() + 20, at.y(), 30, 20));
    return box;
}

void ImportForm::showEvent(QShowEvent *event)
{
    ScreenCentredDialog::showEvent(event);
    if (!event->spontaneous())
        glyphreel::dialogs::runGuarded([this] { FormShow(); });
}

void ImportForm::done(int result)
{
    FormClose();
    ScreenCentredDialog::done(result);
}

void ImportForm::buildSettingRows(const QRect &bevel, int labelWidth)
{
    Bevel1 = new QFrame(GradBox1);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(bevel);

    const int left = bevel.left() + 8;
    const int field = left + labelWidth;
    auto rowTop = [&](int row) { return bevel.top() + 6 + row * 24; };

    ShadowLabel3 = label(u"ShadowLabel3", QStringLiteral("1文字あたりの幅 ："), QRect(left, rowTop(0), labelWidth, 20),
                         Qt::AlignRight);
    // The box keeps a typed pixel width in 1..99 itself (beep and undo for
    // a text that is not a number); an empty box leaves the last number.
    UpDown1 = numberBox(u"UpDown1", u"Edit1", Edit1, QStringLiteral("１文字あたりのピクセル幅"),
                        QRect(field, rowTop(0), 52, 20), 1, 99, 3);
    ShadowLabel14 = label(u"ShadowLabel14", QStringLiteral("ﾋﾟｸｾﾙ"), QRect(field + 56, rowTop(0), 40, 20));

    ShadowLabel1 = label(u"ShadowLabel1", QStringLiteral("半角文字に変換 ："), QRect(left, rowTop(1), labelWidth, 20),
                         Qt::AlignRight);
    CheckBox1 = checkBox(u"CheckBox1", u"ShadowLabel12", ShadowLabel12, QStringLiteral("半角文字に変換する"),
                         QPoint(field, rowTop(1)));
    ShadowLabel2 = label(u"ShadowLabel2", QStringLiteral("濃淡を反転 ："), QRect(left, rowTop(2), labelWidth, 20),
                         Qt::AlignRight);
    CheckBox2 = checkBox(u"CheckBox2", u"ShadowLabel13", ShadowLabel13, QStringLiteral("濃淡を反転する"),
                         QPoint(field, rowTop(2)));
    CheckBox2->setChecked(true);

    connectCommand(UpDown1, &NumericBox::arrowClicked, this, &ImportForm::UpDown1Click);
    connectCommand(CheckBox1, &QCheckBox::clicked, this, &ImportForm::CheckBox1Click);
    connectCommand(CheckBox2, &QCheckBox::clicked, this, &ImportForm::CheckBox2Click);
}

void ImportForm::buildButtons(const QRect &convert, const QRect &cancel, const QString &convertText, const QIcon &glyph)
{
    using glyphreel::widgets::flatButton;
    SpeedButton7 = flatButton(GradBox1, u"SpeedButton7", convertText, convertText, convert);
    SpeedButton7->setIcon(glyph);
    SpeedButton7->setEnabled(false);
    SpeedButton1 = flatButton(GradBox1, u"SpeedButton1", QStringLiteral("ｷｬﾝｾﾙ"), QStringLiteral("キャンセル"), cancel);
    connectCommand(SpeedButton1, &QToolButton::clicked, this, &ImportForm::SpeedButton1Click);
}

void ImportForm::UpDown1Click()
{
    Form1->Edit2->setText(QString::number(UpDown1->Position()));
}

void ImportForm::CheckBox1Click()
{
    Form1->CheckBox1->setChecked(CheckBox1->isChecked());
}

void ImportForm::CheckBox2Click()
{
    Form1->CheckBox2->setChecked(CheckBox2->isChecked());
}

void ImportForm::SpeedButton1Click()
{
    close();
}

void ImportForm::writeConversionSettings()
{
    // What each control writes when touched, all at once: the conversion
    // then uses what this window shows, a number typed without the arrows
    // included.
    UpDown1Click();
    CheckBox1Click();
    CheckBox2Click();
}

glyphreel::db::Query &ImportForm::query() const
{
    if (!target_.query)
        throw std::logic_error("the import window is not attached to the frames");
    return *target_.query;
}

glyphreel::dbctrls::DBRichEdit &ImportForm::editor() const
{
    if (!target_.editor)
        throw std::logic_error("the import window is not attached to the editor");
    return *target_.editor;
}

namespace glyphreel::import {
namespace {

void paintImportGlyph(ImportGlyph glyph, QPainter &p, const widgets::GlyphInk &ink)
{
    p.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
    case ImportGlyph::Walker: {
        // A figure in mid-stride.
        const QColor body = ink.tint(QColor(0, 0, 160));
        p.setPen(Qt::NoPen);
        p.setBrush(ink.tint(QColor(224, 160, 96)));
        p.drawEllipse(QPointF(8.5, 2.5), 2, 2);
        p.setPen(QPen(body, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 5.5), QPointF(7.5, 10));   // trunk
        p.drawLine(QPointF(8, 6.5), QPointF(11.5, 9));   // front arm
        p.drawLine(QPointF(8, 6.5), QPointF(4.5, 8.5));  // back arm
        p.setPen(QPen(ink.edge, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(7.5, 10), QPointF(11, 14.5)); // front leg
        p.drawLine(QPointF(7.5, 10), QPointF(4, 14.5));  // back leg
        break;
    }
    case ImportGlyph::Camera: {
        // A video camera: a body, a lens and two reels.
        p.setPen(QPen(ink.edge, 1));
        p.setBrush(ink.tint(QColor(64, 64, 64)));
        p.drawRoundedRect(QRectF(1.5, 6.5, 9, 7), 1, 1);
        QPainterPath lens;
        lens.moveTo(10.5, 8.5);
        lens.lineTo(14.5, 6.5);
        lens.lineTo(14.5, 13.5);
        lens.lineTo(10.5, 11.5);
        lens.closeSubpath();
        p.setBrush(ink.tint(QColor(0, 0, 128)));
        p.drawPath(lens);
        p.setBrush(ink.paper);
        p.drawEllipse(QPointF(3.5, 3.5), 2.5, 2.5);
        p.drawEllipse(QPointF(8.5, 3.5), 2.5, 2.5);
        break;
    }
    case ImportGlyph::OpenFolder: {
        // An open yellow folder.
        p.setPen(QPen(ink.edge, 1));
        p.setBrush(ink.tint(QColor(192, 160, 0)));
        p.drawRect(QRectF(0.5, 3.5, 12, 10));
        QPainterPath flap;
        flap.moveTo(0.5, 13.5);
        flap.lineTo(3.5, 7.5);
        flap.lineTo(15.5, 7.5);
        flap.lineTo(12.5, 13.5);
        flap.closeSubpath();
        p.setBrush(ink.tint(QColor(255, 255, 0), QColor(200, 200, 200)));
        p.drawPath(flap);
        break;
    }
    }
}

} // namespace

QIcon importGlyphIcon(ImportGlyph glyph)
{
    return widgets::buttonGlyphIcon([glyph](QPainter &p, const widgets::GlyphInk &ink) { paintImportGlyph(glyph, p, ink); });
}

} // namespace glyphreel::import
