#include "slide_show_harness.h"
#include "slideshow/picture_prefetcher.h"

namespace gb::test {
namespace {

    struct PrefetchHarness {
        PrefetchHarness()
        {
            photos.Write("a.bmp", PictureFile(QSize(30, 20)));
            photos.Write("b.bmp", PictureFile(QSize(31, 21)));
        }
        QString Path(const char* name) const { return photos.File(name); }

        TempFolder photos;
        platform::QtPictureLoader real;
        RecordingLoader loader { real };
        platform::LinuxFileOperations files;
    };

    TEST(PicturePrefetcher, HandsOutThePictureDecodedOnAWorkerOnce)
    {
        PrefetchHarness h;
        slideshow::PicturePrefetcher prefetcher(h.loader, h.files);
        prefetcher.Request(h.Path("a.bmp"));
        prefetcher.Request(h.Path("a.bmp")); // already under way
        EXPECT_EQ(prefetcher.PendingPath(), h.Path("a.bmp"));
        ASSERT_TRUE(h.loader.WaitForLoads(h.Path("a.bmp")));
        const auto picture = prefetcher.Take(h.Path("a.bmp"));
        ASSERT_TRUE(picture.has_value());
        EXPECT_EQ(picture->image.size(), QSize(30, 20));
        EXPECT_EQ(picture->naturalSize, QSize(30, 20));
        EXPECT_EQ(h.loader.Count(h.Path("a.bmp")), 1);
        EXPECT_TRUE(h.loader.LastOnWorker(h.Path("a.bmp")));
        EXPECT_TRUE(prefetcher.PendingPath().isEmpty());
        EXPECT_FALSE(prefetcher.Take(h.Path("a.bmp")).has_value()); // used up
    }

    TEST(PicturePrefetcher, DropsAPrefetchThatIsNoLongerNext)
    {
        PrefetchHarness h;
        slideshow::PicturePrefetcher prefetcher(h.loader, h.files);
        prefetcher.Request(h.Path("a.bmp"));
        EXPECT_FALSE(prefetcher.Take(h.Path("b.bmp")).has_value());
        EXPECT_FALSE(prefetcher.Take(h.Path("a.bmp")).has_value());

        prefetcher.Request(h.Path("a.bmp"));
        prefetcher.Request(h.Path("b.bmp"));
        EXPECT_EQ(prefetcher.PendingPath(), h.Path("b.bmp"));
        const auto picture = prefetcher.Take(h.Path("b.bmp"));
        ASSERT_TRUE(picture.has_value());
        EXPECT_EQ(picture->image.size(), QSize(31, 21));
    }

    TEST(PicturePrefetcher, DropsAPictureOfAFileChangedSinceOrUnreadable)
    {
        PrefetchHarness h;
        slideshow::PicturePrefetcher prefetcher(h.loader, h.files);
        prefetcher.Request(h.Path("a.bmp"));
        ASSERT_TRUE(h.loader.WaitForLoads(h.Path("a.bmp")));
        h.photos.Write("a.bmp", PictureFile(QSize(64, 48)));
        EXPECT_FALSE(prefetcher.Take(h.Path("a.bmp")).has_value());

        h.photos.Write("bad.bmp", "not a picture at all");
        prefetcher.Request(h.Path("bad.bmp"));
        EXPECT_FALSE(prefetcher.Take(h.Path("bad.bmp")).has_value());
        prefetcher.Request(h.Path("missing.bmp"));
        EXPECT_FALSE(prefetcher.Take(h.Path("missing.bmp")).has_value());
    }

    TEST(PicturePrefetcher, GoingAwayWaitsForDecodesStillRunning)
    {
        PrefetchHarness h;
        h.photos.Write("big.bmp", PictureFile(QSize(2400, 1800)));
        {
            slideshow::PicturePrefetcher prefetcher(h.loader, h.files);
            prefetcher.Request(h.Path("big.bmp"));
            ASSERT_TRUE(QTest::qWaitFor([&] { return h.loader.Count(h.Path("big.bmp")) == 1; }));
            prefetcher.Request(h.Path("a.bmp")); // big.bmp is dropped but may still be decoding
        }
        EXPECT_EQ(h.loader.Running(), 0);
    }

} // namespace
} // namespace gb::test
