#pragma once
// A check box bound to a logical column of a data source's current row.

#include "platform/db/DataSource.h"

#include <QCheckBox>

namespace glyphreel::dbctrls {

class DBCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit DBCheckBox(QWidget *parent = nullptr);
    ~DBCheckBox() override;

    QString dataField() const { return dataField_; }
    void setDataField(const QString &field);
    void setDataSource(db::DataSource *source);

private:
    void show();
    void onClicked(bool checked);

    QString dataField_;
    db::DataSource *source_ = nullptr;
    int listener_ = 0;
    bool showing_ = false;
};

} // namespace glyphreel::dbctrls
