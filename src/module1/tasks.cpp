#include "module1/tasks.h"

#include <QDebug>
#include <QThread>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <system_error>
#include <thread>

namespace gb::app {
namespace {

    // A storage job may never return, so storage threads grow on demand; past this many (each
    // most likely blocked on a dead share) further jobs queue rather than exhaust the process.
    constexpr int kStorageThreads = 64;
    // A thread with nothing to do for this long ends; the next job starts another.
    constexpr auto kIdleEnd = std::chrono::seconds(30);

    // The jobs posted to every lane and not yet ended, queued ones included.
    class JobsInFlight {
    public:
        void Add()
        {
            std::lock_guard lock(mutex_);
            ++count_;
        }
        void Done()
        {
            std::lock_guard lock(mutex_);
            if (--count_ == 0)
                none_.notify_all();
        }
        bool WaitForNone(std::chrono::milliseconds wait)
        {
            std::unique_lock lock(mutex_);
            return none_.wait_for(lock, wait, [this] { return count_ == 0; });
        }

    private:
        std::mutex mutex_;
        std::condition_variable none_;
        qint64 count_ = 0;
    };

    // Never destroyed, as the lanes: a job may end after main() has returned.
    JobsInFlight& InFlight()
    {
        static auto* jobs = new JobsInFlight;
        return *jobs;
    }

    // Threads started as jobs arrive, up to `cap`, all taking jobs from one queue in order.
    class ThreadLane {
    public:
        explicit ThreadLane(int cap)
            : cap_(cap)
        {
        }

        void Post(std::function<void()> job)
        {
            std::lock_guard lock(mutex_);
            jobs_.push_back(std::move(job));
            // Each waiting thread takes one job; the rest need threads of their own, since the
            // busy ones may never come back.
            if (static_cast<int>(jobs_.size()) > waiting_ && threads_ < cap_)
                Start();
            wake_.notify_one();
        }

    private:
        void Start()
        {
            try {
                std::thread([this] { Serve(); }).detach();
                ++threads_;
            } catch (const std::system_error& error) {
                // The job stays queued for a thread already running, if any.
                qWarning() << "Cannot start a worker thread:" << error.what();
            }
        }

        void Serve()
        {
            std::unique_lock lock(mutex_);
            for (;;) {
                ++waiting_;
                const bool hasJob
                    = wake_.wait_for(lock, kIdleEnd, [this] { return !jobs_.empty(); });
                --waiting_;
                if (!hasJob) {
                    --threads_;
                    return;
                }
                std::function<void()> job = std::move(jobs_.front());
                jobs_.pop_front();
                lock.unlock();
                job();
                job = nullptr; // what the job held goes before the next one starts
                InFlight().Done();
                lock.lock();
            }
        }

        const int cap_;
        std::mutex mutex_;
        std::condition_variable wake_;
        std::deque<std::function<void()>> jobs_;
        int threads_ = 0;
        int waiting_ = 0;
    };

    // The lanes are made once and never destroyed: a thread still blocked at exit must find its
    // lane intact however late it wakes.
    ThreadLane& LaneOf(Lane lane)
    {
        static auto* storage = new ThreadLane(kStorageThreads);
        static auto* decode = new ThreadLane(std::max(1, QThread::idealThreadCount()));
        static auto* serial = new ThreadLane(1);
        switch (lane) {
        case Lane::Storage:
            return *storage;
        case Lane::Decode:
            return *decode;
        case Lane::Serial:
            break;
        }
        return *serial;
    }

} // namespace

// A receiver's child that closes its couriers' route as the receiver goes; queued calls are
// posted to it, so those still waiting are removed with it.
class CourierGuard : public QObject {
    Q_OBJECT

public:
    CourierGuard(QObject* receiver, std::shared_ptr<Courier::Route> route)
        : QObject(receiver)
        , route_(std::move(route))
    {
        route_->target = this;
    }
    ~CourierGuard() override
    {
        std::lock_guard lock(route_->mutex);
        route_->target = nullptr;
    }
    const std::shared_ptr<Courier::Route>& Shared() const { return route_; }

private:
    std::shared_ptr<Courier::Route> route_;
};

StopToken::StopToken()
    : stopped_(std::make_shared<std::atomic<bool>>(false))
{
}

bool StopToken::Stopped() const { return stopped_->load(); }

void StopToken::Stop() const { stopped_->store(true); }

void Post(Lane lane, std::function<void()> job)
{
    InFlight().Add();
    LaneOf(lane).Post(std::move(job));
}

bool WaitForLanes(std::chrono::milliseconds wait) { return InFlight().WaitForNone(wait); }

Courier::Courier(QObject* receiver)
{
    auto* guard = receiver->findChild<CourierGuard*>(QString(), Qt::FindDirectChildrenOnly);
    if (guard == nullptr)
        guard = new CourierGuard(receiver, std::make_shared<Route>());
    route_ = guard->Shared();
}

void Courier::Send(std::function<void()> function) const
{
    // Posting under the lock: once the guard has cleared the route nothing more is posted to it.
    std::lock_guard lock(route_->mutex);
    if (route_->target != nullptr)
        QMetaObject::invokeMethod(route_->target, std::move(function), Qt::QueuedConnection);
}

} // namespace gb::app

#include "tasks.moc"
