#pragma once
// The batch font window: gives the whole text of every frame one font, one
// size, one set of style flags and one text colour.
//
// The frames' stored rich text is rewritten directly (read, every run given
// the new format, written) rather than through the editor's selection: the
// stored bytes are those the editor would write, at a fraction of the cost
// of building and laying out every frame. The dataset still moves from frame
// to frame, so the frame counter follows and cues sound as on any move.

#include "platform/db/Query.h"
#include "platform/dbctrls/DBRichEdit.h"
#include "platform/dialogs/WindowPlacement.h"
#include "widgets/ColorComboBox.h"
#include "widgets/FontNameComboBox.h"
#include "widgets/GradBox.h"
#include "widgets/NumericBox.h"
#include "widgets/ShadoLbl.h"

#include <QColor>
#include <QFrame>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QString>
#include <QToolButton>

#include <string>
#include <string_view>

namespace glyphreel::tools {

// What the conversion gives every character.
struct TextFormat {
    QString fontName;
    double sizePt = 4;
    int styles = 0; // richedit::RichEdit::Style flags
    QColor color;
};

// A stored rich-text frame with every character in the format: the bytes
// the editor stores after selecting the whole text and setting its size,
// font name, styles and colour. A frame that is not RTF is read as plain
// CP932 text, as the editor reads it. A frame without text stays as it is.
std::string convertedMemo(std::string_view memo, const TextFormat &format);

} // namespace glyphreel::tools

class TFontForm1 : public glyphreel::dialogs::ScreenCentredDialog {
    Q_OBJECT
public:
    TFontForm1();

    // The frames the conversion walks and the editor that shows them: the
    // main window's Query1 and DBRichEdit0.
    void setEditor(glyphreel::db::Query *query, glyphreel::dbctrls::DBRichEdit *editor);

    TGradBox *GradBox1;
    TShadowLabel *ShadowLabel1, *ShadowLabel2;
    QFrame *Panel1, *Panel2;
    NumericBox *UpDown1;
    QLineEdit *Edit1; // UpDown1's edit box
    TFontNameComboBox *FontNameComboBox1;
    QToolButton *SpeedButton1, *SpeedButton2, *SpeedButton20, *SpeedButton21;
    TColorComboBox *ColorComboBox1;
    QToolButton *SpeedButton7, *SpeedButton3;
    // Shown during a conversion: how far it has come.
    QProgressBar *ProgressBar1;

    void SpeedButton7Click();
    void SpeedButton3Click();
    void Edit1Change();
    void FormClose();

    // The format the window's controls stand for now.
    glyphreel::tools::TextFormat chosenFormat() const;

protected:
    void done(int result) override;

private:
    QPointer<glyphreel::dbctrls::DBRichEdit> editor_;
    glyphreel::db::Query *query_ = nullptr;
};

extern TFontForm1 *FontForm1;
