#include "platform/dbctrls/DBCheckBox.h"

#include "platform/db/Query.h"

namespace glyphreel::dbctrls {

DBCheckBox::DBCheckBox(QWidget *parent) : QCheckBox(parent)
{
    connect(this, &QCheckBox::clicked, this, &DBCheckBox::onClicked);
}

DBCheckBox::~DBCheckBox()
{
    if (source_)
        source_->removeListener(listener_);
}

void DBCheckBox::setDataField(const QString &field)
{
    dataField_ = field;
    show();
}

void DBCheckBox::setDataSource(db::DataSource *source)
{
    if (source_)
        source_->removeListener(listener_);
    source_ = source;
    if (source_)
        listener_ = source_->addListener([this](db::DataSource::Event e, int) {
            if (e != db::DataSource::Event::UpdateRecord)
                show();
        });
    show();
}

void DBCheckBox::show()
{
    showing_ = true;
    db::Query *q = source_ ? source_->dataSet() : nullptr;
    setChecked(q && q->active() && !dataField_.isEmpty() && q->fieldBool(dataField_.toStdString()));
    showing_ = false;
}

void DBCheckBox::onClicked(bool checked)
{
    db::Query *q = source_ ? source_->dataSet() : nullptr;
    if (showing_ || !q || !q->active())
        return;
    if (q->state() == db::Query::State::Browse)
        q->edit();
    q->setFieldValue(dataField_.toStdString(), db::Value::logical(checked));
}

} // namespace glyphreel::dbctrls
