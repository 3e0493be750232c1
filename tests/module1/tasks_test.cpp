#include "module1/tasks.h"

#include <QSignalSpy>
#include <QThread>
#include <future>
#include <gtest/gtest.h>
#include <numeric>

namespace gb::test {
namespace {

    using app::Lane;

    // A receiver whose deliveries say they arrived, for the test to wait on.
    class Mailbox : public QObject {
        Q_OBJECT

    Q_SIGNALS:
        void Arrived();
    };

    // Jobs wait at the gate until the test opens it, at the latest as the test ends.
    struct Gate {
        std::promise<void> opened;
        std::shared_future<void> passed = opened.get_future().share();
        bool open = false;
        void Open()
        {
            if (!std::exchange(open, true))
                opened.set_value();
        }
        ~Gate() { Open(); }
    };

    // Serial runs in order, so once a later job runs every earlier one has sent its result.
    void WaitForSerialLane()
    {
        std::promise<void> reached;
        app::Post(Lane::Serial, [&reached] { reached.set_value(); });
        reached.get_future().wait();
    }

    TEST(Tasks, DeliversTheResultOnTheReceiversThread)
    {
        Mailbox box;
        QSignalSpy arrived(&box, &Mailbox::Arrived);
        QThread* worker = nullptr;
        QThread* deliveredOn = nullptr;
        int value = 0;
        app::Run(
            Lane::Decode, &box,
            [&worker] {
                worker = QThread::currentThread();
                return 42;
            },
            [&](int result) {
                value = result;
                deliveredOn = QThread::currentThread();
                Q_EMIT box.Arrived();
            });
        ASSERT_TRUE(arrived.wait());
        EXPECT_EQ(value, 42);
        EXPECT_EQ(deliveredOn, QThread::currentThread());
        EXPECT_NE(worker, QThread::currentThread());
    }

    TEST(Tasks, DropsTheResultOfAReceiverThatIsGone)
    {
        for (const bool queued : { false, true }) {
            SCOPED_TRACE(queued ? "gone while its delivery is queued" : "gone before it is sent");
            Gate gate;
            auto* gone = new QObject;
            bool delivered = false;
            app::Run(
                Lane::Serial, gone, [passed = gate.passed] { passed.wait(); },
                [&delivered] { delivered = true; });
            if (queued) {
                gate.Open();
                WaitForSerialLane();
            }
            delete gone;
            gate.Open();
            Mailbox box;
            QSignalSpy arrived(&box, &Mailbox::Arrived);
            app::Run(
                Lane::Serial, &box, [] {}, [&box] { Q_EMIT box.Arrived(); });
            ASSERT_TRUE(arrived.wait()); // after the dropped one would have come
            EXPECT_FALSE(delivered);
        }
    }

    TEST(Tasks, SerialRunsJobsInTheOrderPosted)
    {
        std::vector<int> order; // touched only on the serial lane until the delivery
        Gate gate; // holds the first job until all are posted: no other may overtake it
        app::Post(Lane::Serial, [&order, passed = gate.passed] {
            passed.wait();
            order.push_back(0);
        });
        for (int i = 1; i < 50; ++i)
            app::Post(Lane::Serial, [&order, i] { order.push_back(i); });
        gate.Open();
        Mailbox box;
        QSignalSpy arrived(&box, &Mailbox::Arrived);
        app::Run(
            Lane::Serial, &box, [] {}, [&box] { Q_EMIT box.Arrived(); });
        ASSERT_TRUE(arrived.wait());
        std::vector<int> expected(50);
        std::iota(expected.begin(), expected.end(), 0);
        EXPECT_EQ(order, expected);
    }

    TEST(Tasks, StorageJobsThatNeverReturnHoldBackNoOthers)
    {
        Gate deadShare;
        for (int i = 0; i < 8; ++i)
            app::Post(Lane::Storage, [passed = deadShare.passed] { passed.wait(); });
        Mailbox box;
        QSignalSpy arrived(&box, &Mailbox::Arrived);
        app::Run(
            Lane::Storage, &box, [] {}, [&box] { Q_EMIT box.Arrived(); });
        EXPECT_TRUE(arrived.wait());
    }

    // What owns the services jobs use lets them go only once the lanes are idle: a job counts,
    // queued or running, until what it held is released.
    TEST(Tasks, TheLanesAreIdleOnlyOnceEveryJobHasLetGoOfWhatItHeld)
    {
        Gate gate;
        auto held = std::make_shared<int>(0);
        const std::weak_ptr<int> watched = held;
        app::Post(Lane::Storage, [passed = gate.passed] { passed.wait(); });
        app::Post(Lane::Serial, [passed = gate.passed] { passed.wait(); });
        app::Post(Lane::Serial, [held] {}); // queued behind the one waiting
        held.reset();
        EXPECT_FALSE(app::WaitForLanes(std::chrono::milliseconds(50)));
        gate.Open();
        EXPECT_TRUE(app::WaitForLanes(std::chrono::seconds(30)));
        EXPECT_TRUE(watched.expired());
    }

    TEST(Tasks, TheJobSeesAStopRequestedAfterItWasPosted)
    {
        Gate gate;
        const app::StopToken stop;
        Mailbox box;
        QSignalSpy arrived(&box, &Mailbox::Arrived);
        bool seen = false;
        app::Run(
            Lane::Storage, &box,
            [stop, passed = gate.passed] {
                passed.wait();
                return stop.Stopped();
            },
            [&](bool stopped) {
                seen = stopped;
                Q_EMIT box.Arrived();
            });
        stop.Stop();
        gate.Open();
        ASSERT_TRUE(arrived.wait());
        EXPECT_TRUE(seen);
    }

} // namespace
} // namespace gb::test

#include "tasks_test.moc"
