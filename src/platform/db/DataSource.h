#pragma once
// Relays a dataset's current row and state to the data-aware controls bound
// to it.

#include <functional>
#include <map>

namespace glyphreel::db {

class Query;

class DataSource {
public:
    // UpdateRecord comes before a row is posted: controls write what they
    // hold into it, and may refuse by throwing. RecordPosted follows a post:
    // the row holds what the controls wrote (and what was set through
    // FieldChanged), so a control showing it need not load it again.
    enum class Event { DataChanged, StateChanged, FieldChanged, UpdateRecord, RecordPosted };
    using Listener = std::function<void(Event, int field)>;

    explicit DataSource(Query *dataSet = nullptr);
    ~DataSource();
    DataSource(const DataSource &) = delete;
    DataSource &operator=(const DataSource &) = delete;

    Query *dataSet() const { return dataSet_; }
    void setDataSet(Query *dataSet);

    // Controls listen here; the number removes the listener again.
    int addListener(Listener listener);
    void removeListener(int id);

private:
    friend class Query;
    void notify(Event event, int field);
    void detach() { dataSet_ = nullptr; }

    Query *dataSet_ = nullptr;
    std::map<int, Listener> listeners_;
    int nextId_ = 1;
};

} // namespace glyphreel::db
