#pragma once
// A check box bound to a logical column of a data source's current row.

#include "platform/dbctrls/DataLink.h"

#include <QCheckBox>

namespace glyphreel::dbctrls {

class DBCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit DBCheckBox(QWidget *parent = nullptr);

    QString dataField() const { return dataField_; }
    void setDataField(const QString &field);
    db::DataSource *dataSource() const { return link_.dataSource(); }
    void setDataSource(db::DataSource *source);

private:
    void show();
    void onClicked(bool checked);

    QString dataField_;
    DataLink link_;
    bool showing_ = false;
};

} // namespace glyphreel::dbctrls
