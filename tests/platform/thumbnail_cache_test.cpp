#include "platform/freedesktop_thumbnail_cache.h"
#include "support/disk_checks.h"
#include "support/temp_folder.h"

#include <QPainter>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace gb::platform {
namespace {

    using Cache = FreedesktopThumbnailCache;
    using test::Entries, test::LinkMode, test::MakeFifo;
    const QRgb kRed = qRgb(220, 30, 30), kGreen = qRgb(30, 200, 60), kBlue = qRgb(40, 60, 220);

    // Red on the left, green on the right, blue along the bottom.
    QImage Picture(int w = 300, int h = 200, QRgb left = kRed)
    {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(kGreen);
        QPainter(&img).fillRect(0, 0, w / 2, h, left);
        QPainter(&img).fillRect(0, h * 3 / 4, w, h, kBlue);
        return img;
    }

    bool Near(QRgb a, QRgb b)
    {
        return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b))
            + std::abs(qBlue(a) - qBlue(b))
            < 12;
    }

    int ModeOf(const QString& path) { return int(LinkMode(path) & 07777); }

    void SetMTime(const QString& path, time_t seconds)
    {
        const timespec times[2] = { { seconds, 0 }, { seconds, 0 } };
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    }

    class ThumbnailCacheTest : public ::testing::Test {
    protected:
        // Entries relative to home_, for its Read and Write.
        static QString EntryOf(const ThumbnailKey& key)
        {
            return QStringLiteral("thumbnails/normal/") + Cache::EntryName(key.uri);
        }
        ThumbnailKey KeyOf(const QString& name, const QImage& image = Picture()) const
        {
            EXPECT_TRUE(image.save(pictures_.File(name), "PNG"));
            return cache_.KeyFor(pictures_.File(name)).value_or(ThumbnailKey {});
        }
        ThumbnailKey Saved(const QString& name) const
        {
            const ThumbnailKey key = KeyOf(name);
            EXPECT_TRUE(cache_.Save(key, Picture(), QSize(3000, 2000)));
            return key;
        }
        ThumbnailLookup Lookup(const ThumbnailKey& key) const { return cache_.Find(key).result; }
        // Another program's entry, or one this cache would have written, for the key.
        QImage Entry(const ThumbnailKey& key, int w, int h) const
        {
            QImage entry = Picture(w, h);
            entry.setText("Thumb::URI", QString::fromLatin1(key.uri));
            entry.setText("Thumb::MTime", QString::number(key.mtime));
            return entry;
        }

        test::TempFolder home_, pictures_;
        const QString root_ = home_.File(QStringLiteral("thumbnails"));
        const QString normal_ = root_ + QStringLiteral("/normal");
        const Cache cache_ { root_ };
    };

    TEST(ThumbnailCacheNames, MatchGioAndXdgCacheHome)
    {
        // What `gio info PATH | grep uri:` printed for these names.
        EXPECT_EQ(Cache::FileUri(QStringLiteral("/tmp/cachex/a b%c#d.png")),
            "file:///tmp/cachex/a%20b%25c%23d.png");
        EXPECT_EQ(Cache::FileUri(QString::fromUtf8("/tmp/cachex/caf\xc3\xa9 \xe2\x98\x83.jpg")),
            "file:///tmp/cachex/caf%C3%A9%20%E2%98%83.jpg");
        EXPECT_EQ(Cache::FileUri(QStringLiteral("/tmp/cachex/all!$&'()*+,-.:=@_~;?[]{}\"<>^`|\\x")),
            "file:///tmp/cachex/all!$&'()*+,-.:=@_~%3B%3F%5B%5D%7B%7D%22%3C%3E%5E%60%7C%5Cx");
        EXPECT_EQ(Cache::FileUri(QStringLiteral("/t/tab\there%41")), "file:///t/tab%09here%2541");
        // `echo -n URI | md5sum`
        EXPECT_EQ(Cache::EntryName("file:///tmp/cachex/a%20b%25c%23d.png"),
            "2bbfcc5e45f82dd9cc64ff7be9926aa9.png");

        const QByteArray saved = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", "/var/tmp/somebody/cache/");
        EXPECT_EQ(Cache::DefaultRoot(), "/var/tmp/somebody/cache/thumbnails");
        qputenv("XDG_CACHE_HOME", "relative/cache"); // not absolute: ignored
        EXPECT_EQ(Cache::DefaultRoot(), QDir::homePath() + "/.cache/thumbnails");
        qputenv("XDG_CACHE_HOME", saved);
    }

    TEST_F(ThumbnailCacheTest, KeysRegularFilesByCleanPathAndTargetTime)
    {
        const ThumbnailKey key = KeyOf(QStringLiteral("x y.png"));
        SetMTime(key.path, 1500000000);
        ASSERT_TRUE(QFile::link(key.path, pictures_.File("link")));
        const auto linked = cache_.KeyFor(pictures_.Path() + QStringLiteral("/./sub/../link"));
        ASSERT_TRUE(linked);
        EXPECT_EQ(linked->uri, Cache::FileUri(pictures_.File("link")));
        EXPECT_EQ(linked->mtime, 1500000000);

        ASSERT_TRUE(MakeFifo(pictures_.File("fifo")));
        EXPECT_FALSE(cache_.KeyFor(pictures_.File("fifo")));
        EXPECT_FALSE(cache_.KeyFor(pictures_.Path()));
        // Qt cannot name a file whose name is not UTF-8: the decoded name is another file.
        const QByteArray raw = QFile::encodeName(pictures_.Path()) + "/bad\xff\xfe.png";
        ::close(::open(raw.constData(), O_CREAT | O_WRONLY, 0600));
        EXPECT_FALSE(cache_.KeyFor(QFile::decodeName(raw)));
        EXPECT_EQ(::unlink(raw.constData()), 0); // QTemporaryDir could not name it either
    }

    TEST_F(ThumbnailCacheTest, SavedEntryIsFoundShrunkAndPrivate)
    {
        const ThumbnailKey key = Saved(QStringLiteral("photo.png"));
        const CachedThumbnail found = cache_.Find(key);
        ASSERT_EQ(found.result, ThumbnailLookup::Hit);
        EXPECT_EQ(found.image.size(), QSize(128, 85));
        EXPECT_EQ(found.naturalSize, QSize(3000, 2000));
        EXPECT_TRUE(Near(found.image.pixel(20, 20), kRed)
            && Near(found.image.pixel(100, 20), kGreen) && Near(found.image.pixel(64, 80), kBlue));
        EXPECT_EQ(std::tuple(ModeOf(home_.File(EntryOf(key))), ModeOf(normal_), ModeOf(root_)),
            std::tuple(0600, 0700, 0700));
        EXPECT_EQ(Entries(normal_).size(), 1);
        // zlib's header names the level: 78 01 is level 1 (or 0, which would not shrink it).
        const QByteArray png = home_.Read(EntryOf(key));
        EXPECT_EQ(png.mid(png.indexOf("IDAT") + 4, 2), QByteArray("\x78\x01", 2));
        EXPECT_LT(png.size(), 128 * 85);

        QImage clear(40, 30, QImage::Format_ARGB32);
        clear.fill(qRgba(10, 200, 10, 128));
        const ThumbnailKey small = KeyOf(QStringLiteral("small.png"), clear);
        ASSERT_TRUE(cache_.Save(small, clear, QSize()));
        const CachedThumbnail smallFound = cache_.Find(small);
        EXPECT_EQ(smallFound.image.size(), QSize(40, 30)); // never enlarged
        EXPECT_NEAR(qAlpha(smallFound.image.pixel(5, 5)), 128, 1);
        EXPECT_FALSE(smallFound.naturalSize.isValid());
    }

    TEST_F(ThumbnailCacheTest, EntryOfAnotherFileOrVersionOrDamagedMisses)
    {
        const ThumbnailKey key = Saved(QStringLiteral("photo.png"));
        const QByteArray good = home_.Read(EntryOf(key));
        ThumbnailKey other = key;
        other.uri += "x";
        EXPECT_EQ(Lookup(other), ThumbnailLookup::Miss);
        home_.Write(EntryOf(other), good); // even when the entry sits under the other file's name
        EXPECT_EQ(Lookup(other), ThumbnailLookup::Miss);
        SetMTime(key.path, key.mtime + 1);
        EXPECT_EQ(Lookup(*cache_.KeyFor(key.path)), ThumbnailLookup::Miss);
        SetMTime(key.path, key.mtime);
        ASSERT_EQ(Lookup(key), ThumbnailLookup::Hit);
        QByteArray flipped = good;
        flipped[good.size() - 40] = char(flipped[good.size() - 40] ^ 0x55);
        ASSERT_TRUE(Entry(key, 300, 300).save(home_.File(QStringLiteral("huge.png"))));
        for (const QByteArray& bytes : { good.left(good.size() / 2), good.left(60), QByteArray(),
                 flipped, good + QByteArray(2 * 1024 * 1024, '\0'), home_.Read("huge.png") }) {
            home_.Write(EntryOf(key), bytes);
            EXPECT_EQ(Lookup(key), ThumbnailLookup::Miss) << bytes.size();
        }
        ASSERT_TRUE(QFile::remove(home_.File(EntryOf(key))) && MakeFifo(home_.File(EntryOf(key))));
        EXPECT_EQ(Lookup(key), ThumbnailLookup::Miss);
    }

    TEST_F(ThumbnailCacheTest, EntryOfAnotherProgramIsFound)
    {
        const ThumbnailKey key = KeyOf(QStringLiteral("photo.png"));
        ASSERT_TRUE(QDir().mkpath(normal_));
        // A large thumbnail misfiled under normal/, at the very limit of what is read.
        ASSERT_TRUE(Entry(key, 256, 256).save(home_.File(EntryOf(key))));
        const CachedThumbnail found = cache_.Find(key);
        EXPECT_EQ(std::tuple(found.result, found.image.size(), found.naturalSize.isValid()),
            std::tuple(ThumbnailLookup::Hit, QSize(128, 128), false));
    }

    TEST_F(ThumbnailCacheTest, FailedWritesLeaveNoTemporaryFile)
    {
        const ThumbnailKey key = KeyOf(QStringLiteral("photo.png"));
        // A folder in the way of the entry: the temporary file is written, the rename fails.
        ASSERT_TRUE(QDir().mkpath(home_.File(EntryOf(key)) + QStringLiteral("/inside")));
        EXPECT_FALSE(cache_.Save(key, Picture(), QSize()));
        EXPECT_EQ(Entries(normal_), QStringList { Cache::EntryName(key.uri) });
        // A file where the folder should be.
        ASSERT_TRUE(QDir(root_).removeRecursively());
        home_.Write(QStringLiteral("thumbnails"), "not a folder");
        EXPECT_FALSE(cache_.Save(key, Picture(), QSize()));
        EXPECT_FALSE(cache_.SaveFailure(key));
        EXPECT_EQ(Entries(home_.Path()), QStringList { QStringLiteral("thumbnails") });
    }

    TEST_F(ThumbnailCacheTest, FailureIsKnownUntilTheFileChanges)
    {
        const ThumbnailKey key = KeyOf(QStringLiteral("broken.png"));
        ASSERT_TRUE(cache_.SaveFailure(key));
        const QString fail = root_ + QStringLiteral("/fail");
        EXPECT_EQ(ModeOf(fail + "/glimmerbox-1.0.3/" + Cache::EntryName(key.uri)), 0600);
        EXPECT_EQ(ModeOf(fail), 0700);
        EXPECT_EQ(Lookup(key), ThumbnailLookup::KnownFailure);
        SetMTime(key.path, key.mtime + 60);
        const ThumbnailKey changed = *cache_.KeyFor(key.path);
        EXPECT_EQ(Lookup(changed), ThumbnailLookup::Miss);
        ASSERT_TRUE(cache_.Save(changed, Picture(), QSize()));
        EXPECT_EQ(Lookup(changed), ThumbnailLookup::Hit);
    }

    TEST_F(ThumbnailCacheTest, NeverThumbnailsItsOwnEntries)
    {
        const ThumbnailKey key = Saved(QStringLiteral("photo.png"));
        const std::optional<ThumbnailKey> inner = cache_.KeyFor(home_.File(EntryOf(key)));
        ASSERT_TRUE(inner);
        EXPECT_FALSE(cache_.Save(*inner, Picture(), QSize()));
        EXPECT_FALSE(cache_.SaveFailure(*inner));
        const QString gone = root_ + QStringLiteral("/normal/gone.png"); // nothing to resolve
        EXPECT_FALSE(cache_.SaveFailure(ThumbnailKey { gone, Cache::FileUri(gone), 1 }));
        // Nor when the cache is reached through a symbolic link.
        ASSERT_TRUE(QFile::link(root_, home_.File(QStringLiteral("link"))));
        EXPECT_FALSE(Cache(home_.File(QStringLiteral("link"))).Save(*inner, Picture(), QSize()));
        EXPECT_EQ(Entries(root_), QStringList { QStringLiteral("normal") });
        EXPECT_EQ(Entries(normal_).size(), 1);
    }

    TEST_F(ThumbnailCacheTest, ConcurrentSavesAllLand)
    {
        constexpr int kThreads = 6, kEach = 5;
        std::vector<ThumbnailKey> keys;
        for (int i = 0; i <= kThreads * kEach; ++i) // the last one is saved by every thread
            keys.push_back(KeyOf(QStringLiteral("p%1.png").arg(i), Picture(8, 8)));
        std::vector<int> saved(kThreads, 0);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                const QImage mine = Picture(200, 150, qRgb(t * 40, 0, 0));
                for (int i = 0; i < kEach; ++i)
                    saved[t] += cache_.Save(keys[t * kEach + i], mine, QSize(200, 150));
                saved[t] += cache_.Save(keys.back(), mine, QSize(200, 150));
            });
        for (std::thread& thread : threads)
            thread.join();
        EXPECT_EQ(saved, std::vector<int>(kThreads, kEach + 1));
        for (int i = 0; i < kThreads * kEach; ++i) {
            const CachedThumbnail found = cache_.Find(keys[i]);
            ASSERT_EQ(found.result, ThumbnailLookup::Hit);
            EXPECT_TRUE(Near(found.image.pixel(10, 10), qRgb(i / kEach * 40, 0, 0))) << i;
        }
        EXPECT_EQ(Lookup(keys.back()), ThumbnailLookup::Hit);
        EXPECT_EQ(Entries(normal_).size(), kThreads * kEach + 1);
    }

} // namespace
} // namespace gb::platform
