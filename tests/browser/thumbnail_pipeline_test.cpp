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
    std::optional<core::CompactTile> TileFor(const QString& name)
    {
        if (name == "5")
            return std::nullopt;
        core::CompactTile tile;
        tile.image = QRect(0, 0, name.toInt() + 1, 1);
        return tile;
    }

    TEST(ThumbnailPipeline, HandsOutInListOrderWhenLaterFilesFinishFirst)
    {
        QSemaphore thirdDone; // file 0 waits until file 3 is done
        ThumbnailPipeline pipeline(Names(8), [&](const QString& name) {
            if (name == "0")
                thirdDone.acquire();
            if (name == "3")
                thirdDone.release();
            return TileFor(name);
        });
        for (int i = 0; i < 8; ++i) {
            const auto tile = pipeline.Next();
            EXPECT_EQ(tile ? tile->image.width() : 0, i == 5 ? 0 : i + 1);
        }
        EXPECT_FALSE(pipeline.Next());
    }

    TEST(ThumbnailPipeline, KeepsAtMostItsLookAheadStartedAndCancelsTheRestWhenDestroyed)
    {
        std::mutex mutex;
        int started = 0, consumed = 0, worstAhead = 0;
        {
            ThumbnailPipeline pipeline(
                Names(1000),
                [&](const QString&) {
                    const std::lock_guard lock(mutex);
                    worstAhead = std::max(worstAhead, ++started - consumed);
                    return TileFor("0");
                },
                4);
            for (int i = 0; i < 10; ++i) {
                ASSERT_TRUE(pipeline.Next());
                const std::lock_guard lock(mutex);
                ++consumed;
            }
        }
        EXPECT_LE(worstAhead, 5); // the four ahead plus the one being handed out
        EXPECT_LE(started, 14); // nothing past what was launched ever ran
    }

} // namespace
} // namespace gb::browser
