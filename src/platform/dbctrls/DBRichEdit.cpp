#include "platform/dbctrls/DBRichEdit.h"

namespace glyphreel::dbctrls {

DBRichEdit::DBRichEdit(QWidget *parent) : richedit::RichEdit(parent) {}

} // namespace glyphreel::dbctrls
