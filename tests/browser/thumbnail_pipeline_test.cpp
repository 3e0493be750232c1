// The decode-ahead pipeline: results in list order whatever order the workers finish in, a
// bounded number in flight, and the rest cancelled when it goes away.
#include "browser/thumbnail_pipeline.h"

#include <QSemaphore>
#include <gtest/gtest.h>
#include <mutex>
#include <set>

namespace gb::browser {
namespace {

    QStringList Names(int count)
    {
        QStringList names;
        for (int i = 0; i < count; ++i)
            names << QString::number(i);
        return names;
    }

    core::CompactTile TileFor(const QString& name)
    {
        core::CompactTile tile;
        tile.image = QRect(0, 0, name.toInt() + 1, 1);
        return tile;
    }

    TEST(ThumbnailPipeline, HandsOutInListOrderWhenLaterFilesFinishFirst)
    {
        // File 0 waits until file 3 is done, so the workers finish out of order.
        QSemaphore thirdDone;
        ThumbnailPipeline pipeline(
            Names(8), [&](const QString& name) -> std::optional<core::CompactTile> {
                if (name == "0")
                    thirdDone.acquire();
                if (name == "3")
                    thirdDone.release();
                if (name == "5")
                    return std::nullopt; // a file that cannot be made into a tile
                return TileFor(name);
            });
        for (int i = 0; i < 8; ++i) {
            const auto tile = pipeline.Next();
            if (i == 5) {
                EXPECT_FALSE(tile);
                continue;
            }
            ASSERT_TRUE(tile) << i;
            EXPECT_EQ(tile->image.width(), i + 1);
        }
        EXPECT_FALSE(pipeline.Next());
    }

    TEST(ThumbnailPipeline, KeepsAtMostItsLookAheadStartedAndCancelsTheRestWhenDestroyed)
    {
        std::mutex mutex;
        std::set<int> started;
        int consumed = 0;
        int worstAhead = 0;
        {
            ThumbnailPipeline pipeline(
                Names(1000),
                [&](const QString& name) -> std::optional<core::CompactTile> {
                    const std::lock_guard lock(mutex);
                    started.insert(name.toInt());
                    worstAhead = std::max(worstAhead, static_cast<int>(started.size()) - consumed);
                    return TileFor(name);
                },
                4);
            for (int i = 0; i < 10; ++i) {
                ASSERT_TRUE(pipeline.Next());
                const std::lock_guard lock(mutex);
                ++consumed;
            }
        }
        EXPECT_LE(worstAhead, 5); // the four ahead plus the one being handed out
        EXPECT_LE(started.size(), 14u); // nothing past what was launched ever ran
    }

} // namespace
} // namespace gb::browser
