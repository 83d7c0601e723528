#include "platform/db/DataSource.h"

#include "platform/db/Query.h"

#include <algorithm>

namespace glyphreel::db {

DataSource::DataSource(Query *dataSet)
{
    setDataSet(dataSet);
}

DataSource::~DataSource()
{
    // Leaving quietly: the listeners may be gone already.
    listeners_.clear();
    setDataSet(nullptr);
}

void DataSource::setDataSet(Query *dataSet)
{
    if (dataSet_ == dataSet)
        return;
    if (dataSet_) {
        auto &s = dataSet_->sources_;
        s.erase(std::remove(s.begin(), s.end(), this), s.end());
    }
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->sources_.push_back(this);
    notify(Event::StateChanged, -1);
}

int DataSource::addListener(Listener listener)
{
    const int id = nextId_++;
    listeners_[id] = std::move(listener);
    return id;
}

void DataSource::removeListener(int id)
{
    listeners_.erase(id);
}

void DataSource::notify(Event event, int field)
{
    // A listener may add or remove listeners while it runs.
    const auto copy = listeners_;
    for (const auto &[id, listener] : copy)
        if (listeners_.count(id))
            listener(event, field);
}

} // namespace glyphreel::db
