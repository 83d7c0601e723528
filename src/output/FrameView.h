#pragma once
// The picture of a playing preview: the current frame drawn by the frame
// renderer. The frames after it are read ahead, parsed on worker threads
// and laid out between steps, so that a step only draws. Laying out stays
// on this thread: Qt's fonts belong to the thread that loads them.

#include "render/FrameRenderer.h"

#include <QImage>
#include <QWidget>

#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <unordered_map>
#include <vector>

namespace glyphreel::output {

class FrameView : public QWidget {
    Q_OBJECT
public:
    // The stored bytes of the frame at a row (1-based), and the number of
    // rows: where the frames come from.
    using MemoAt = std::function<std::string(int)>;
    using RowCount = std::function<int()>;

    explicit FrameView(QWidget *parent = nullptr);
    ~FrameView() override;

    void setSource(MemoAt memoAt, RowCount rowCount);
    // The editor's look; frames prepared for another look are dropped.
    void setLook(const render::FrameLook &look);
    const render::FrameLook &look() const { return look_; }
    // Whether the row after the last is the first (what is read ahead).
    void setLoop(bool loop) { loop_ = loop; }

    // Draws the frame of the row now and shows it, then reads ahead.
    void showRow(int row);
    int shownRow() const { return shown_; }
    // Reads and lays out the frames from the row on, without showing one:
    // ready before playback starts.
    void prepareFrom(int row);

    // Lays out the frames read ahead, one per call; false when none waits.
    bool prepareAhead();
    // How many frames are laid out and kept, and the memory they take.
    std::size_t preparedCount() const { return prepared_.size(); }
    std::size_t preparedBytes() const { return preparedBytes_; }

    static constexpr int kAhead = 12;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Prepared {
        std::string memo; // what it was made from: an edited frame is made again
        render::PreparedFrame frame;
    };
    struct Parsed {
        std::string memo;
        render::ParsedFrame parsed;
    };

    const Prepared &preparedFor(int row, const std::string &memo);
    void keep(int row, Prepared prepared);
    void readAhead(int row);
    bool readOne();
    void parseLoop();
    int rowAfter(int row, int count) const;
    void scheduleIdle();
    void redraw();

    MemoAt memoAt_;
    RowCount rowCount_;
    render::FrameLook look_;
    bool loop_ = true;
    int shown_ = 0;
    render::FrameRenderer renderer_;
    QImage image_;

    // Laid out frames by row, the most recently used last; bounded in bytes.
    std::unordered_map<int, std::pair<Prepared, std::list<int>::iterator>> prepared_;
    std::list<int> recent_;
    std::size_t preparedBytes_ = 0;
    static constexpr std::size_t kBudget = 192u << 20;
    std::deque<int> toLayOut_;
    std::deque<int> toRead_; // rows whose bytes the parsers are still to get
    bool idleScheduled_ = false;

    // The worker: rows to parse in, parsed frames out.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::pair<int, std::string>> toParse_;
    std::map<int, Parsed> parsed_;
    std::set<int> inFlight_; // asked for and not parsed yet
    bool plainText_ = true;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace glyphreel::output
