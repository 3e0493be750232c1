// The decode-ahead pipeline: results in list order whatever order the workers finish in, a
// bounded number in flight, and the rest cancelled when it goes away.
#include "browser/thumbnail_pipeline.h"

#include <QSemaphore>
#include <gtest/gtest.h>
#include <mutex>

namespace gb::browser {
namespace {

    QStringList Names(int count)
    {
        QStringList names;
        for (int i = 0; i < count; ++i)
            names << QString::number(i);
        return names;
    }

    // Tile i is i + 1 wide, so a result names its file; file 5 cannot be made into a tile.
    MadeTile TileFor(const QString& name)
    {
        if (name == "5")
            return {};
        core::CompactTile tile;
        tile.image = QRect(0, 0, name.toInt() + 1, 1);
        return { tile };
    }

    // Takes every result, waiting for the pipeline's notices in between as the window does.
    std::vector<int> TakeAll(ThumbnailPipeline& pipeline, QSemaphore& notices, int upTo = 1 << 30)
    {
        std::vector<int> widths;
        while (!pipeline.IsFinished() && int(widths.size()) < upTo) {
            notices.acquire();
            for (const auto& made : pipeline.TakeReady())
                widths.push_back(made.tile ? made.tile->image.width() : 0);
        }
        return widths;
    }

    TEST(ThumbnailPipeline, HandsOutInListOrderWhenLaterFilesFinishFirst)
    {
        // Four files at once whatever the machine's cores: file 0 waits until file 3 is done.
        QSemaphore thirdDone;
        QSemaphore notices;
        ThumbnailPipeline pipeline(
            Names(8),
            [&](const QString& name) {
                if (name == "0")
                    thirdDone.acquire();
                if (name == "3")
                    thirdDone.release();
                return TileFor(name);
            },
            [&] { notices.release(); }, 4);
        EXPECT_EQ(TakeAll(pipeline, notices), std::vector<int>({ 1, 2, 3, 4, 5, 0, 7, 8 }));
        EXPECT_TRUE(pipeline.TakeReady().empty());
    }

    TEST(ThumbnailPipeline, KeepsAtMostItsLookAheadStartedAndCancelsTheRestWhenDestroyed)
    {
        std::mutex mutex;
        int started = 0, taken = 0;
        QSemaphore notices;
        {
            ThumbnailPipeline pipeline(
                Names(1000),
                [&](const QString&) {
                    const std::lock_guard lock(mutex);
                    ++started;
                    return TileFor("0");
                },
                [&] { notices.release(); }, 2, 4);
            while (taken < 10) {
                notices.acquire();
                const auto ready = pipeline.TakeReady();
                const std::lock_guard lock(mutex);
                taken += int(ready.size());
            }
        }
        // Never more started than the look-ahead past what was taken, and nothing once destroyed.
        EXPECT_LE(started, taken + 4);
    }

} // namespace
} // namespace gb::browser
