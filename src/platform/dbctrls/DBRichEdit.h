#pragma once
// A rich text box bound to one column of a data source's current row: it
// shows the row's text and, while the row is being edited, writes what is
// typed into it when the row is posted. With no open dataset it is empty
// and read-only, so that nothing can be typed that would go nowhere.

#include "platform/dbctrls/DataLink.h"
#include "platform/richedit/RichEdit.h"

namespace glyphreel::dbctrls {

class DBRichEdit : public richedit::RichEdit {
    Q_OBJECT
public:
    explicit DBRichEdit(QWidget *parent = nullptr);

    QString dataField() const { return dataField_; }
    void setDataField(const QString &field) { dataField_ = field; }
    db::DataSource *dataSource() const { return link_.dataSource(); }
    void setDataSource(db::DataSource *source);

    // With automatic display off, moving to another row leaves the text as
    // it is; switching it on shows the current row again.
    bool autoDisplay() const { return autoDisplay_; }
    void setAutoDisplay(bool on);

    // Shows the current row's text.
    void loadFromRow();
    // Writes a change made here into the row now, without posting it.
    void updateRecord();

private:
    void onEvent(db::DataSource::Event event, int field);
    void onTextChanged();
    void writeToRow();
    void followActivity();
    void prepareNeighbour();

    QString dataField_;
    DataLink link_;
    bool autoDisplay_ = true;
    bool loading_ = false;
    // The row shown last and the way the user is moving, for preparing the
    // next frame while this one is looked at.
    int shownRecNo_ = 0;
    int direction_ = 1;
    bool preparing_ = false;
};

// The characters of a text that CP932 cannot hold, each with its code point
// and place, for a message that tells the user what to change: empty when
// all can be stored.
QString unstorableCharacters(const QString &text);

} // namespace glyphreel::dbctrls
