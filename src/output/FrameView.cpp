#include "output/FrameView.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QMetaObject>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <QTimer>

namespace glyphreel::output {

FrameView::FrameView(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Two parsers keep ahead of a frame every 10 ms where one would not,
    // on a machine with the cores for them.
    const unsigned parsers = std::clamp(std::thread::hardware_concurrency(), 1u, 2u);
    for (unsigned i = 0; i < parsers; ++i)
        workers_.emplace_back([this] { parseLoop(); });
}

FrameView::~FrameView()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread &worker : workers_)
        worker.join();
}

void FrameView::setSource(MemoAt memoAt, RowCount rowCount)
{
    memoAt_ = std::move(memoAt);
    rowCount_ = std::move(rowCount);
}

void FrameView::setLook(const render::FrameLook &look)
{
    const bool same = look.plainText == look_.plainText && look.baseFont == look_.baseFont
        && look.textColor == look_.textColor && look.background == look_.background && look.margin == look_.margin
        && look.dpi == look_.dpi;
    look_ = look;
    if (same)
        return;
    prepared_.clear();
    recent_.clear();
    preparedBytes_ = 0;
    toLayOut_.clear();
    std::lock_guard lock(mutex_);
    toParse_.clear();
    parsed_.clear();
    inFlight_.clear();
    plainText_ = look.plainText;
}

int FrameView::rowAfter(int row, int count) const
{
    if (row < count)
        return row + 1;
    return loop_ ? 1 : 0;
}

void FrameView::keep(int row, Prepared prepared)
{
    auto it = prepared_.find(row);
    if (it != prepared_.end()) {
        preparedBytes_ -= it->second.first.frame.bytes() + it->second.first.memo.capacity();
        recent_.erase(it->second.second);
        prepared_.erase(it);
    }
    preparedBytes_ += prepared.frame.bytes() + prepared.memo.capacity();
    recent_.push_back(row);
    prepared_.emplace(row, std::make_pair(std::move(prepared), std::prev(recent_.end())));
    // The least recently shown go first; the frame just kept stays.
    while (preparedBytes_ > kBudget && recent_.size() > 1) {
        auto old = prepared_.find(recent_.front());
        preparedBytes_ -= old->second.first.frame.bytes() + old->second.first.memo.capacity();
        prepared_.erase(old);
        recent_.pop_front();
    }
}

const FrameView::Prepared &FrameView::preparedFor(int row, const std::string &memo)
{
    auto it = prepared_.find(row);
    if (it != prepared_.end() && it->second.first.memo == memo) {
        recent_.splice(recent_.end(), recent_, it->second.second);
        return it->second.first;
    }
    // Parsed ahead by the worker, or parsed now.
    std::optional<render::ParsedFrame> parsed;
    {
        std::lock_guard lock(mutex_);
        auto p = parsed_.find(row);
        if (p != parsed_.end()) {
            if (p->second.memo == memo)
                parsed = std::move(p->second.parsed);
            parsed_.erase(p);
        }
    }
    if (!parsed)
        parsed = render::parseFrame(memo, look_.plainText);
    keep(row, Prepared{memo, render::layoutFrame(*parsed, look_)});
    return prepared_.find(row)->second.first;
}

void FrameView::showRow(int row)
{
    shown_ = row;
    if (!memoAt_ || row <= 0) {
        image_.fill(look_.background);
        repaint();
        return;
    }
    const Prepared &prepared = preparedFor(row, memoAt_(row));
    if (image_.size() != size() * devicePixelRatio()) {
        image_ = QImage(size() * devicePixelRatio(), QImage::Format_RGB32);
        image_.setDevicePixelRatio(devicePixelRatio());
    }
    renderer_.draw(image_, prepared.frame, look_);
    repaint();
    readAhead(row);
}

void FrameView::prepareFrom(int row)
{
    if (!memoAt_ || row <= 0)
        return;
    readAhead(row);
    const int count = rowCount_ ? rowCount_() : 0;
    if (row <= count && !prepared_.count(row)) {
        toRead_.push_front(row);
        toLayOut_.push_front(row);
    }
    scheduleIdle();
}

void FrameView::redraw()
{
    if (shown_ > 0)
        showRow(shown_);
}

void FrameView::readAhead(int row)
{
    const int count = rowCount_ ? rowCount_() : 0;
    toLayOut_.clear();
    toRead_.clear();
    int next = row;
    for (int i = 0; i < kAhead && count > 0; ++i) {
        next = rowAfter(next, count);
        if (next <= 0 || next == row)
            break;
        toLayOut_.push_back(next);
        if (!prepared_.count(next))
            toRead_.push_back(next);
    }
    {
        // What was parsed for rows no longer ahead goes.
        std::lock_guard lock(mutex_);
        for (auto p = parsed_.begin(); p != parsed_.end();)
            p = std::find(toLayOut_.begin(), toLayOut_.end(), p->first) == toLayOut_.end() ? parsed_.erase(p) : std::next(p);
    }
    scheduleIdle();
}

// Reads one row's bytes for the parsers; false when none is left to read.
bool FrameView::readOne()
{
    while (!toRead_.empty()) {
        const int row = toRead_.front();
        toRead_.pop_front();
        bool wanted = false;
        {
            std::lock_guard lock(mutex_);
            // Each row is read once, whatever the steps before it asked.
            wanted = !prepared_.count(row) && !parsed_.count(row) && inFlight_.insert(row).second;
        }
        if (!wanted)
            continue;
        std::string memo = memoAt_(row);
        {
            std::lock_guard lock(mutex_);
            toParse_.emplace_back(row, std::move(memo));
        }
        wake_.notify_one();
        return true;
    }
    return false;
}

void FrameView::scheduleIdle()
{
    if (idleScheduled_ || (toLayOut_.empty() && toRead_.empty()))
        return;
    idleScheduled_ = true;
    // After the events already waiting: a step due now goes first.
    // A little at a time, between steps: rows read for a couple of
    // milliseconds, then a frame laid out.
    QTimer::singleShot(0, this, [this] {
        idleScheduled_ = false;
        QElapsedTimer slice;
        slice.start();
        bool read = false;
        while (slice.nsecsElapsed() < 2000000 && readOne())
            read = true;
        const bool laidOut = prepareAhead();
        if (read || laidOut || !toRead_.empty())
            scheduleIdle();
    });
}

bool FrameView::prepareAhead()
{
    while (!toLayOut_.empty()) {
        const int row = toLayOut_.front();
        auto it = prepared_.find(row);
        if (it != prepared_.end()) {
            toLayOut_.pop_front();
            continue;
        }
        std::optional<Parsed> parsed;
        {
            std::lock_guard lock(mutex_);
            auto p = parsed_.find(row);
            if (p == parsed_.end())
                return false; // not parsed yet: the worker calls again
            parsed = std::move(p->second);
            parsed_.erase(p);
        }
        toLayOut_.pop_front();
        keep(row, Prepared{std::move(parsed->memo), render::layoutFrame(parsed->parsed, look_)});
        return !toLayOut_.empty();
    }
    return false;
}

void FrameView::parseLoop()
{
    // Reading ahead must never delay a step: the thread that shows the
    // frames goes first whenever both want a core.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !toParse_.empty(); });
        if (stopping_)
            return;
        auto [row, memo] = std::move(toParse_.front());
        toParse_.pop_front();
        const bool plain = plainText_;
        lock.unlock();
        Parsed parsed{memo, render::parseFrame(memo, plain)};
        lock.lock();
        inFlight_.erase(row);
        // A look changed meanwhile: what was parsed for the old one goes.
        if (plain != plainText_)
            continue;
        parsed_[row] = std::move(parsed);
        QMetaObject::invokeMethod(this, [this] { scheduleIdle(); }, Qt::QueuedConnection);
    }
}

void FrameView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (image_.isNull())
        p.fillRect(rect(), look_.background);
    else
        p.drawImage(0, 0, image_);
}

void FrameView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (isVisible())
        redraw();
}

} // namespace glyphreel::output
