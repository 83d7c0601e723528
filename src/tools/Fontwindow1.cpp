#include "tools/Fontwindow1.h"

#include "platform/dialogs/Commands.h"
#include "platform/dialogs/DialogService.h"
#include "platform/richedit/RichEdit.h"
#include "platform/rtf/RtfDocument.h"
#include "tools/ToolLook.h"
#include "widgets/ButtonGlyph.h"
#include "widgets/ColorValue.h"
#include "widgets/WindowLook.h"

#include <QPainterPath>

#include <algorithm>
#include <stdexcept>

TFontForm1 *FontForm1 = nullptr;

using glyphreel::richedit::RichEdit;
using glyphreel::widgets::ColorValue;
using glyphreel::widgets::setHint;

namespace glyphreel::tools {
namespace {

// Where the editor's text document starts a new line inside a run's text:
// the editor inserts the runs' text as it is, and these characters break it.
bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == QChar(0xFDD0) || c == QChar(0xFDD1);
}

} // namespace

std::string convertedMemo(std::string_view memo, const TextFormat &format)
{
    const rtf::RtfDocument in = rtf::readRtf(memo);
    rtf::RtfRun look;
    look.font = format.fontName;
    look.sizePt = format.sizePt;
    look.color = {rtf::RtfColor::Kind::Rgb, format.color};
    look.bold = (format.styles & RichEdit::Bold) != 0;
    look.italic = (format.styles & RichEdit::Italic) != 0;
    look.underline = (format.styles & RichEdit::Underline) != 0;
    look.strike = (format.styles & RichEdit::StrikeOut) != 0;

    // One format for the whole text: each line is a single run, as the
    // editor writes runs of equal format together.
    rtf::RtfDocument out;
    out.paragraphs.reserve(in.paragraphs.size());
    auto addLine = [&](QString text) {
        out.paragraphs.emplace_back();
        if (text.isEmpty())
            return;
        rtf::RtfRun run = look;
        run.text = std::move(text);
        out.paragraphs.back().push_back(std::move(run));
    };
    for (const auto &para : in.paragraphs) {
        QString text;
        for (const rtf::RtfRun &run : para)
            text += run.text;
        if (std::none_of(text.cbegin(), text.cend(), isLineBreak)) {
            addLine(std::move(text));
            continue;
        }
        qsizetype start = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (!isLineBreak(text[i]))
                continue;
            addLine(text.mid(start, i - start));
            // CR LF is one break.
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
        addLine(text.mid(start));
    }
    // An empty text has nothing to select: the editor leaves its frame as
    // it is.
    if (out.paragraphs.empty() || (out.paragraphs.size() == 1 && out.paragraphs.front().empty()))
        return std::string(memo);
    return rtf::writeRtf(out);
}

} // namespace glyphreel::tools

namespace {

const QString kCaption = QStringLiteral("一括フォント変換");

// A tick: the picture of the OK button.
QIcon okGlyph()
{
    return glyphreel::widgets::buttonGlyphIcon([](QPainter &p, const glyphreel::widgets::GlyphInk &ink) {
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath tick;
        tick.moveTo(2.5, 8.5);
        tick.lineTo(6.5, 12.5);
        tick.lineTo(13.5, 3.5);
        p.setPen(QPen(ink.tint(QColor(0, 128, 0)), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(tick);
    });
}

// While the conversion walks the frames the editor shows none of them:
// building a frame's document is what a move costs most, and the editor
// shows the frame it ends on again afterwards.
class EditorPaused {
public:
    explicit EditorPaused(glyphreel::dbctrls::DBRichEdit *editor) : editor_(editor)
    {
        if (editor_)
            editor_->setAutoDisplay(false);
    }
    ~EditorPaused()
    {
        if (!editor_)
            return;
        try {
            editor_->setAutoDisplay(true);
        } catch (const std::exception &) {
            // The frame that stopped the conversion cannot be read: its
            // error is the one the user sees.
        }
    }
    EditorPaused(const EditorPaused &) = delete;
    EditorPaused &operator=(const EditorPaused &) = delete;

private:
    QPointer<glyphreel::dbctrls::DBRichEdit> editor_;
};

} // namespace

TFontForm1::TFontForm1()
    : ScreenCentredDialog(QStringLiteral("FontForm1"), kCaption, glyphreel::dialogs::kToolWindowFrame)
{
    using glyphreel::dialogs::connectCommand;

    setModal(true);
    setFixedSize(184, 164);
    setFont(glyphreel::widgets::uiFont(12));

    GradBox1 = new TGradBox(this);
    GradBox1->setObjectName(QStringLiteral("GradBox1"));
    GradBox1->setGeometry(rect());
    GradBox1->setTopColor(0x00616161);
    GradBox1->setLastColor(0x00C0C0C0);
    GradBox1->setOutLineColor(0x0000FFFF);
    GradBox1->setDrawOutLine(true);
    GradBox1->setGradStyle(gsBottomTop);

    // Font: size, name, style.
    ShadowLabel1 = glyphreel::tools::groupLabel(GradBox1, u"ShadowLabel1", QStringLiteral("フォント"), QRect(6, 3, 120, 14));
    Panel1 = glyphreel::tools::groupPanel(GradBox1, u"Panel1", QRect(4, 17, 176, 50));
    UpDown1 = new NumericBox(1, 99, 4, Panel1);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setGeometry(3, 4, 35, 20);
    Edit1 = UpDown1->edit();
    Edit1->setObjectName(QStringLiteral("Edit1"));
    setHint(UpDown1, QStringLiteral("文字サイズ"));
    setHint(Edit1, QStringLiteral("文字サイズ"));
    connectCommand(UpDown1, &NumericBox::changed, this, &TFontForm1::Edit1Change);

    FontNameComboBox1 = glyphreel::tools::fontBox(Panel1, 132);

    // Plain toggles: only the conversion reads them.
    const auto styles = glyphreel::tools::styleButtons(Panel1, 42, 43);
    SpeedButton1 = styles[0];
    SpeedButton2 = styles[1];
    SpeedButton20 = styles[2];
    SpeedButton21 = styles[3];

    // Text colour, set up as the tool box's colour boxes are.
    ShadowLabel2 = glyphreel::tools::groupLabel(GradBox1, u"ShadowLabel2", QStringLiteral("文字カラー"), QRect(6, 70, 120, 14));
    Panel2 = glyphreel::tools::groupPanel(GradBox1, u"Panel2", QRect(4, 84, 176, 26));
    ColorComboBox1 = glyphreel::tools::colourBox(Panel2, QStringLiteral("ColorComboBox1"), 0x00FFFFFF, QStringLiteral("文字カラー"),
                                                 QRect(3, 4, 170, 18));

    using glyphreel::widgets::flatButton;
    SpeedButton7 = flatButton(GradBox1, u"SpeedButton7", QStringLiteral("OK"), QStringLiteral("適用"), QRect(14, 118, 76, 24));
    SpeedButton7->setIcon(okGlyph());
    SpeedButton7->setIconSize(QSize(16, 16));
    SpeedButton3 = flatButton(GradBox1, u"SpeedButton3", QStringLiteral("ｷｬﾝｾﾙ"), QStringLiteral("キャンセル"), QRect(94, 118, 76, 24));
    connectCommand(SpeedButton7, &QToolButton::clicked, this, &TFontForm1::SpeedButton7Click);
    connectCommand(SpeedButton3, &QToolButton::clicked, this, &TFontForm1::SpeedButton3Click);

    ProgressBar1 = new QProgressBar(GradBox1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(4, 150, 176, 8);
    ProgressBar1->hide();
}

void TFontForm1::setEditor(glyphreel::db::Query *query, glyphreel::dbctrls::DBRichEdit *editor)
{
    query_ = query;
    editor_ = editor;
}

glyphreel::tools::TextFormat TFontForm1::chosenFormat() const
{
    glyphreel::tools::TextFormat format;
    format.fontName = FontNameComboBox1->Value();
    format.sizePt = UpDown1->Position();
    format.styles = (SpeedButton1->isChecked() ? RichEdit::Bold : 0) | (SpeedButton2->isChecked() ? RichEdit::Italic : 0)
                  | (SpeedButton20->isChecked() ? RichEdit::Underline : 0)
                  | (SpeedButton21->isChecked() ? RichEdit::StrikeOut : 0);
    // The box's value is the custom colour itself while its custom entry is
    // selected.
    format.color = glyphreel::widgets::toQColor(ColorComboBox1->Value());
    return format;
}

void TFontForm1::SpeedButton7Click()
{
    using glyphreel::dialogs::Answer;
    if (glyphreel::dialogs::dialogs().confirm(this, QStringLiteral("すべてのコマのフォントを変換します。\n\nよろしいですか？"),
                                              glyphreel::dialogs::ConfirmButtons::YesNoCancel)
        != Answer::Yes)
        return;
    if (!query_)
        throw std::logic_error("the batch font window is not attached to the frames");
    glyphreel::db::Query &frames = *query_;
    const glyphreel::tools::TextFormat format = chosenFormat();
    // A plain-text project stores characters only: the look of its text is
    // the editor's one font, so no frame changes.
    const bool rich = editor_ && !editor_->plainTextMode();

    // What was typed into the current frame goes into it first: the
    // conversion reads the frames from the dataset.
    if (editor_)
        editor_->updateRecord();
    const EditorPaused paused(editor_);

    ProgressBar1->setRange(0, std::max(1, frames.recordCount()));
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    int counter = 1;
    // Every move is an ordinary frame change: the frame counter follows,
    // the frame is put into editing and its cues sound.
    frames.first();
    // An empty table offers a new row to type into: that is no frame.
    const bool empty = frames.recordCount() == 0;
    while (!empty && !frames.eof()) {
        if (rich) {
            const std::string stored = frames.fieldBytes("MEM2");
            std::string converted = glyphreel::tools::convertedMemo(stored, format);
            if (converted != stored) {
                frames.edit();
                frames.setFieldValue("MEM2", glyphreel::db::Value::bytes(std::move(converted)));
            }
        }
        setWindowTitle(QStringLiteral("処理中 %1 / %2").arg(counter).arg(frames.recordCount()));
        ProgressBar1->setMaximum(std::max(1, frames.recordCount()));
        ProgressBar1->setValue(counter);
        repaint();
        ++counter;
        // Leaving the frame posts its new text.
        frames.next();
    }
    close();
}

void TFontForm1::SpeedButton3Click()
{
    close();
}

void TFontForm1::Edit1Change()
{
    // UpDown1 has already kept the text to 1..99 or refused what is not a
    // whole number (beep, undo); the size is read only by the conversion.
}

void TFontForm1::FormClose()
{
    setWindowTitle(kCaption);
    ProgressBar1->hide();
}

void TFontForm1::done(int result)
{
    FormClose();
    ScreenCentredDialog::done(result);
}
