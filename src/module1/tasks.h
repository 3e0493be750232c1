#pragma once

#include <QObject>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>

namespace gb::app {

// Where work off a window's thread runs. Each lane is a few threads fed from one queue; no
// window waits for them. Only the owner of the platform services does, before they go (see
// WaitForLanes); the lanes themselves are never destroyed, so a thread still blocked when the
// process ends finds them intact.
enum class Lane {
    Storage, // reads and writes of the user's storage: a job may never return (a dead share), so
             // many run at once (threads grow on demand up to a cap, then jobs queue)
    Decode, // CPU-bound work: one thread per core
    Serial, // one job after another, in the order posted, on one thread (local scratch and cache
            // files)
};

// A stop request shared by whoever starts work and the work itself. Copies share the flag.
class StopToken {
public:
    StopToken();
    bool Stopped() const;
    void Stop() const;

private:
    std::shared_ptr<std::atomic<bool>> stopped_;
};

// Runs `job` on `lane`. A job holds all it uses by value or through shared pointers; only the
// platform services are used by reference, as their owner lets them go only once every job has
// ended (or ends the process with them still in place).
void Post(Lane lane, std::function<void()> job);

// Whether every job posted so far, on any lane, has ended (what it held released), waiting up to
// `wait` for that. A job stuck on storage that never answers keeps it false.
bool WaitForLanes(std::chrono::milliseconds wait);

// Hands functions to `receiver`'s thread by queued call for as long as the receiver lives; a
// function sent after the receiver is gone (or still queued when it goes) is dropped, never run.
// Make it on the receiver's thread; copies are cheap and may be used from any thread.
class Courier {
public:
    explicit Courier(QObject* receiver);
    void Send(std::function<void()> function) const;

    // What a receiver's guard and its couriers share: the guard clears it as the receiver goes.
    struct Route {
        std::mutex mutex;
        QObject* target = nullptr;
    };

private:
    std::shared_ptr<Route> route_;
};

// work() runs on `lane`; deliver(result) then runs on receiver's thread, unless the receiver is
// gone by then. A `work` returning nothing is followed by deliver().
template <typename Work, typename Deliver>
void Run(Lane lane, QObject* receiver, Work work, Deliver deliver)
{
    // Shared, so that either may hold what cannot be copied (a std::function must be copyable).
    auto parts = std::make_shared<std::pair<Work, Deliver>>(std::move(work), std::move(deliver));
    Post(lane, [courier = Courier(receiver), parts] {
        using Result = std::invoke_result_t<Work&>;
        if constexpr (std::is_void_v<Result>) {
            parts->first();
            courier.Send([parts] { parts->second(); });
        } else {
            auto result = std::make_shared<Result>(parts->first());
            courier.Send([parts, result] { parts->second(std::move(*result)); });
        }
    });
}

} // namespace gb::app
