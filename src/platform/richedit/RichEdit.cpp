#include "platform/richedit/RichEdit.h"

namespace glyphreel::richedit {

RichEdit::RichEdit(QWidget *parent) : QTextEdit(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void RichEdit::setPlainTextMode(bool on)
{
    plainTextMode_ = on;
    setAcceptRichText(!on);
}

void RichEdit::setWordWrap(bool on)
{
    setLineWrapMode(on ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
}

void RichEdit::setColors(const QColor &text, const QColor &background)
{
    QPalette pal = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Base, background);
        pal.setColor(group, QPalette::Text, text);
    }
    setPalette(pal);
    setTextColor(text);
}

} // namespace glyphreel::richedit
