#include "output/PlaybackClock.h"

#include <algorithm>

namespace glyphreel::output {

PlaybackClock::PlaybackClock(QObject *parent) : QObject(parent)
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &PlaybackClock::fire);
}

void PlaybackClock::setEnabled(bool on)
{
    if (on == enabled_)
        return;
    enabled_ = on;
    if (on) {
        clock_.start();
        dueNs_ = 0;
        nextNs_ = qint64(intervalMs_) * 1000000;
        arm();
    } else {
        timer_.stop();
    }
    emit enabledChanged(on);
}

void PlaybackClock::setInterval(int milliseconds)
{
    intervalMs_ = std::max(1, milliseconds);
    if (!enabled_)
        return;
    nextNs_ = dueNs_ + qint64(intervalMs_) * 1000000;
    arm();
}

void PlaybackClock::arm()
{
    const qint64 wait = nextNs_ - clock_.nsecsElapsed();
    // Whole milliseconds, rounded up: a step never comes early.
    timer_.start(static_cast<int>(std::max<qint64>(0, (wait + 999999) / 1000000)));
}

void PlaybackClock::fire()
{
    if (!enabled_)
        return;
    const qint64 now = clock_.nsecsElapsed();
    if (now < nextNs_) { // woken early by a coarse timer
        arm();
        return;
    }
    const qint64 interval = qint64(intervalMs_) * 1000000;
    // A whole interval or more behind: the missed steps are let go, and
    // the last one due is delivered.
    if (now - nextNs_ >= interval)
        nextNs_ += (now - nextNs_) / interval * interval;
    dueNs_ = nextNs_;
    firedNs_ = now;
    nextNs_ += interval;
    emit OnTimer();
    if (enabled_)
        arm();
}

} // namespace glyphreel::output
