#pragma once
// What binds a data-aware control to a data source: the control hears the
// source's events while it is linked, and leaves it when it goes.

#include "platform/db/DataSource.h"

#include <functional>

namespace glyphreel::db {
class Query;
}

namespace glyphreel::dbctrls {

class DataLink {
public:
    using Handler = std::function<void(db::DataSource::Event, int field)>;
    explicit DataLink(Handler handler) : handler_(std::move(handler)) {}
    ~DataLink() { setDataSource(nullptr); }
    DataLink(const DataLink &) = delete;
    DataLink &operator=(const DataLink &) = delete;

    db::DataSource *dataSource() const { return source_; }
    void setDataSource(db::DataSource *source)
    {
        if (source_)
            source_->removeListener(listener_);
        source_ = source;
        if (source_)
            listener_ = source_->addListener(handler_);
    }
    // The linked dataset when it is open, else none.
    db::Query *activeDataSet() const;

private:
    Handler handler_;
    db::DataSource *source_ = nullptr;
    int listener_ = 0;
};

} // namespace glyphreel::dbctrls
