// The program on a share that stops answering, as a hard-mounted NFS server does when it goes
// away: the window still shows, and its close box closes it at once, however many reads are
// stuck; the program ends as soon as the system lets its threads go.
#include "samplegen/image_writers.h"
#include "support/slow_share.h"
#include "support/window_manager_display.h"

namespace gb::test {
namespace {

    TEST(StalledShare, TheCloseBoxClosesTheWindowWhileReadsAreStuck)
    {
        if (!WindowManagerDisplay::Available())
            GTEST_SKIP() << "Xvfb, openbox, xdotool, wmctrl or x11-utils is not installed";
        if (const QString missing = SlowShare::Missing(); !missing.isEmpty())
            GTEST_SKIP() << "no FUSE share: " << qPrintable(missing);
        // Reads stop once the load is under way; or every request stops before the program
        // starts, the listing of the folder included.
        for (const bool deadAtStart : { false, true }) {
            SCOPED_TRACE(deadAtStart ? "dead at start" : "reads stalled");
            const SlowShare share;
            ASSERT_TRUE(share.mounted);
            for (int i = 0; i < 40; ++i)
                share.files.Write(QString("p%1.jpg").arg(i),
                    tools::WriteByName("p.jpg", tools::Gradient({ 900, 600 })));
            share.Stall(deadAtStart);
            WindowManagerDisplay display("");
            display.environment.insert("XDG_CACHE_HOME", display.config.File("cache"));
            ASSERT_TRUE(display.Start(share.Path()));
            ASSERT_TRUE(display.WaitUntilActive(display.window));
            ASSERT_TRUE(QTest::qWaitFor([&] { return share.Counter("stalled_waits") > 0; }));
            display.Tool("wmctrl", { "-i", "-c", display.window });
            EXPECT_TRUE(QTest::qWaitFor(
                [&] {
                    return display
                        .Tool("xdotool", { "search", "--onlyvisible", "--name", "^Glimmerbox$" })
                        .isEmpty();
                },
                WindowManagerDisplay::kPatienceMs));
            // A thread inside a read the share holds cannot leave the kernel, so the process
            // ends once the share answers: nothing of ours waits for it.
            share.Resume();
            EXPECT_TRUE(display.Ended());
        }
    }

} // namespace
} // namespace gb::test
