#pragma once
// A rich text box bound to one column of a data source's current row.

#include "platform/richedit/RichEdit.h"

namespace glyphreel::dbctrls {

class DBRichEdit : public richedit::RichEdit {
    Q_OBJECT
public:
    explicit DBRichEdit(QWidget *parent = nullptr);

    QString dataField() const { return dataField_; }
    void setDataField(const QString &field) { dataField_ = field; }

private:
    QString dataField_;
};

} // namespace glyphreel::dbctrls
