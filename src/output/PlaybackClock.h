#pragma once
// The preview's clock: a step every interval, on a steady clock. Step k
// comes k intervals after the clock was enabled, so a late step does not
// push every later one back and a long run does not drift; a step more than
// a whole interval late lets the missed ones go rather than hurrying through
// them. A new interval applies from the last step on.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace glyphreel::output {

class PlaybackClock : public QObject {
    Q_OBJECT
public:
    explicit PlaybackClock(QObject *parent = nullptr);

    bool Enabled() const { return enabled_; }
    void setEnabled(bool on);
    int Interval() const { return intervalMs_; }
    void setInterval(int milliseconds);

    // Nanoseconds since the clock was enabled, and when the step being
    // delivered was due, on the same scale.
    qint64 elapsedNs() const { return clock_.nsecsElapsed(); }
    qint64 dueNs() const { return dueNs_; }
    // When the delivery of that step began.
    qint64 firedNs() const { return firedNs_; }

signals:
    void OnTimer();
    void enabledChanged(bool on);

private:
    void fire();
    void arm();

    QTimer timer_;
    QElapsedTimer clock_;
    bool enabled_ = false;
    int intervalMs_ = 200;
    qint64 dueNs_ = 0;  // the step being delivered, or the last one
    qint64 firedNs_ = 0;
    qint64 nextNs_ = 0; // the next step
};

} // namespace glyphreel::output
