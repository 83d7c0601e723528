#include "platform/dbctrls/DBCheckBox.h"

#include "platform/db/Query.h"

namespace glyphreel::dbctrls {

DBCheckBox::DBCheckBox(QWidget *parent)
    : QCheckBox(parent), link_([this](db::DataSource::Event e, int) {
          if (e != db::DataSource::Event::UpdateRecord)
              show();
      })
{
    connect(this, &QCheckBox::clicked, this, &DBCheckBox::onClicked);
}

void DBCheckBox::setDataField(const QString &field)
{
    dataField_ = field;
    show();
}

void DBCheckBox::setDataSource(db::DataSource *source)
{
    link_.setDataSource(source);
    show();
}

void DBCheckBox::show()
{
    showing_ = true;
    db::Query *q = link_.activeDataSet();
    setChecked(q && !dataField_.isEmpty() && q->fieldBool(dataField_.toStdString()));
    showing_ = false;
}

void DBCheckBox::onClicked(bool checked)
{
    db::Query *q = link_.activeDataSet();
    if (showing_ || !q)
        return;
    if (q->state() == db::Query::State::Browse)
        q->edit();
    q->setFieldValue(dataField_.toStdString(), db::Value::logical(checked));
}

} // namespace glyphreel::dbctrls
