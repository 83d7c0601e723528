#pragma once
// A rich text box: plain or rich text, per-character formats, word wrap and
// tab handling switchable as the windows need them.

#include <QTextEdit>

namespace glyphreel::richedit {

class RichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit RichEdit(QWidget *parent = nullptr);

    // Plain text: the box holds characters only, pasted formats are dropped.
    bool plainTextMode() const { return plainTextMode_; }
    void setPlainTextMode(bool on);

    bool wordWrap() const { return lineWrapMode() != QTextEdit::NoWrap; }
    void setWordWrap(bool on);

    // Tab typed into the text rather than moving the focus.
    bool wantTabs() const { return !tabChangesFocus(); }
    void setWantTabs(bool on) { setTabChangesFocus(!on); }

    // Text colour and background of the whole box.
    void setColors(const QColor &text, const QColor &background);

private:
    bool plainTextMode_ = false;
};

} // namespace glyphreel::richedit
