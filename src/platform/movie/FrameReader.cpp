#include "platform/movie/FrameReader.h"

#include "platform/movie/MovieSource.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace glyphreel::movie {

struct FrameReader::Impl {
    struct Picture {
        bitmap::Bitmap bitmap;
        int position = 0;
        std::exception_ptr error;
    };

    MovieSource source;
    int start = 0;
    int end = 0;
    int step = 1;
    std::size_t ahead = 1;

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Picture> ready;
    std::vector<bitmap::Bitmap> spare; // the taker's old bitmaps, decoded into again
    bool stopping = false;
    bool finished = false;
    std::atomic<int> seeks{0};
    std::thread worker;

    void run()
    {
        for (long long p = start; p <= end; p += step) {
            bitmap::Bitmap bitmap;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return stopping || ready.size() < ahead; });
                if (stopping)
                    break;
                if (!spare.empty()) {
                    bitmap = std::move(spare.back());
                    spare.pop_back();
                }
            }
            Picture picture;
            picture.position = static_cast<int>(p);
            try {
                source.readFrame(picture.position, bitmap);
                picture.bitmap = std::move(bitmap);
            } catch (...) {
                picture.error = std::current_exception();
            }
            seeks.store(source.seekCount(), std::memory_order_relaxed);
            const bool failed = picture.error != nullptr;
            {
                std::lock_guard lock(mutex);
                if (stopping)
                    break;
                ready.push_back(std::move(picture));
            }
            changed.notify_all();
            if (failed)
                break;
        }
        {
            std::lock_guard lock(mutex);
            finished = true;
        }
        changed.notify_all();
    }
};

FrameReader::FrameReader(const std::string &path, int start, int end, int step, int ahead) : d(std::make_unique<Impl>())
{
    if (step < 1)
        throw MovieError("ムービー ファイル \"" + path + "\" を読めません: コマの間隔 (" + std::to_string(step)
                         + ") は 1 以上にしてください。");
    d->source.open(path);
    d->start = start;
    d->end = end;
    d->step = step;
    d->ahead = static_cast<std::size_t>(ahead < 1 ? 1 : ahead);
    d->worker = std::thread([impl = d.get()] { impl->run(); });
}

FrameReader::~FrameReader()
{
    cancel();
    if (d->worker.joinable())
        d->worker.join();
}

bool FrameReader::next(bitmap::Bitmap &out, int *position)
{
    Impl::Picture picture;
    {
        std::unique_lock lock(d->mutex);
        d->changed.wait(lock, [&] { return d->stopping || !d->ready.empty() || d->finished; });
        if (d->stopping || d->ready.empty())
            return false;
        picture = std::move(d->ready.front());
        d->ready.pop_front();
        if (!picture.error) {
            std::swap(out, picture.bitmap);
            if (!picture.bitmap.isNull())
                d->spare.push_back(std::move(picture.bitmap));
        }
    }
    d->changed.notify_all();
    if (picture.error)
        std::rethrow_exception(picture.error);
    if (position)
        *position = picture.position;
    return true;
}

void FrameReader::cancel()
{
    {
        std::lock_guard lock(d->mutex);
        d->stopping = true;
    }
    d->changed.notify_all();
}

int FrameReader::seekCount() const
{
    return d->seeks.load(std::memory_order_relaxed);
}

} // namespace glyphreel::movie
