#include "platform/dbctrls/DataLink.h"

#include "platform/db/Query.h"

namespace glyphreel::dbctrls {

db::Query *DataLink::activeDataSet() const
{
    db::Query *q = source_ ? source_->dataSet() : nullptr;
    return q && q->active() ? q : nullptr;
}

} // namespace glyphreel::dbctrls
