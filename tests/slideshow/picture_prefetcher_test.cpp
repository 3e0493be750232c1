#include "slide_show_harness.h"
#include "slideshow/picture_prefetcher.h"

#include <thread>

namespace gb::test {
namespace {

    struct PrefetchHarness {
        PrefetchHarness()
        {
            photos.Write("a.bmp", PictureFile(QSize(30, 20)));
            photos.Write("b.bmp", PictureFile(QSize(31, 21)));
        }
        TempFolder photos;
        QString a = photos.File("a.bmp"), b = photos.File("b.bmp");
        platform::QtPictureLoader real;
        RecordingLoader loader { real };
        std::optional<slideshow::PicturePrefetcher> prefetcher { std::in_place, loader };
    };

    QSize SizeOf(const std::optional<platform::LoadedPicture>& picture)
    {
        return picture ? picture->image.size() : QSize();
    }

    TEST(PicturePrefetcher, HandsOutThePictureDecodedOnAWorkerOnceAndOnlyForItsFile)
    {
        PrefetchHarness h;
        h.prefetcher->Request(h.a);
        h.prefetcher->Request(h.a); // already under way
        ASSERT_TRUE(h.loader.WaitForLoad(h.a));
        EXPECT_EQ(SizeOf(h.prefetcher->Take(h.a)), QSize(30, 20));
        EXPECT_EQ(h.loader.Loads(h.a), QList<bool>({ true })); // once, on a worker
        EXPECT_EQ(SizeOf(h.prefetcher->Take(h.a)), QSize()); // used up

        h.prefetcher->Request(h.a);
        EXPECT_EQ(SizeOf(h.prefetcher->Take(h.b)), QSize()); // something else was prefetched
        EXPECT_EQ(SizeOf(h.prefetcher->Take(h.a)), QSize()); // and that dropped it
        h.prefetcher->Request(h.a);
        h.prefetcher->Request(h.b);
        EXPECT_EQ(h.prefetcher->PendingPath(), h.b);
        EXPECT_EQ(SizeOf(h.prefetcher->Take(h.b)), QSize(31, 21));
        EXPECT_EQ(h.prefetcher->PendingPath(), "");
    }

    TEST(PicturePrefetcher, DropsAPictureOfAFileChangedSinceOrUnreadable)
    {
        PrefetchHarness h;
        h.prefetcher->Request(h.a);
        ASSERT_TRUE(h.loader.WaitForLoad(h.a));
        h.photos.Write("a.bmp", PictureFile(QSize(64, 48)));
        EXPECT_EQ(SizeOf(h.prefetcher->Take(h.a)), QSize());

        h.photos.Write("bad.bmp", "not a picture at all");
        for (const char* name : { "bad.bmp", "missing.bmp" }) {
            h.prefetcher->Request(h.photos.File(name));
            EXPECT_EQ(SizeOf(h.prefetcher->Take(h.photos.File(name))), QSize()) << name;
        }
    }

    TEST(PicturePrefetcher, GoingAwayWaitsForADroppedDecodeStillRunning)
    {
        PrefetchHarness h;
        h.loader.Hold(h.a);
        h.prefetcher->Request(h.a);
        EXPECT_TRUE(QTest::qWaitFor([&] { return h.loader.Running() == 1; }));
        h.prefetcher->Request(h.b); // a is dropped while its decode is held up
        std::atomic<int> runningAfter = -1;
        std::thread closer([&] {
            h.prefetcher.reset();
            runningAfter = h.loader.Running();
        });
        // Gone while a's decode is held up, the prefetcher would not have waited for it.
        EXPECT_FALSE(QTest::qWaitFor([&] { return runningAfter != -1; }, 100));
        h.loader.Release();
        closer.join();
        EXPECT_EQ(runningAfter, 0);
    }

} // namespace
} // namespace gb::test
