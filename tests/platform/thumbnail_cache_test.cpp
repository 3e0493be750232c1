#include "platform/freedesktop_thumbnail_cache.h"
#include "support/disk_checks.h"
#include "support/temp_folder.h"

#include <QBuffer>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace gb::test {
namespace {

    using Cache = platform::FreedesktopThumbnailCache;
    using platform::ThumbnailKey, platform::ThumbnailLookup;
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

    void SetMTime(const QString& path, time_t seconds)
    {
        const timespec times[2] = { { seconds, 0 }, { seconds, 0 } };
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    }

    class ThumbnailCache : public ::testing::Test {
    protected:
        ThumbnailKey KeyOf(const QString& name) const
        {
            pictures.Write(name, "photo");
            SetMTime(pictures.File(name), 1500000000);
            return cache.KeyFor(pictures.File(name)).value_or(ThumbnailKey {});
        }
        QString EntryOf(const ThumbnailKey& key, const char* kind = "normal") const
        {
            return root + "/" + kind + "/" + Cache::EntryName(key.uri);
        }
        ThumbnailLookup Lookup(const ThumbnailKey& key) const { return cache.Find(key).result; }

        TempFolder home, pictures;
        const QString root = home.File("thumbnails");
        const Cache cache { root };
    };

    // GLib names entries too (file managers, other viewers): the same file must get the same
    // name, byte for byte.
    TEST(ThumbnailCacheNames, MatchGLibAndXdgCacheHome)
    {
        TempFolder folder;
        QByteArray ascii;
        for (char c = 1; c < 127; ++c)
            ascii += c == '/' ? 'x' : c;
        const QString names[] = { folder.File(ascii), folder.File("caf\u00e9 \u2603.jpg") };
        EXPECT_EQ(Cache::FileUri(names[0]).mid(7 + folder.Path().size()),
            "/%01%02%03%04%05%06%07%08%09%0A%0B%0C%0D%0E%0F%10%11%12%13%14%15%16%17%18%19%1A%1B%1C"
            "%1D%1E%1F%20!%22%23$%25&'()*+,-.x0123456789:%3B%3C=%3E%3F@ABCDEFGHIJKLMNOPQRSTUVWXYZ%"
            "5B"
            "%5C%5D%5E_%60abcdefghijklmnopqrstuvwxyz%7B%7C%7D~");
        EXPECT_EQ(Cache::FileUri("/t/caf\u00e9 \u2603.jpg"), "file:///t/caf%C3%A9%20%E2%98%83.jpg");
        const QString gio = QStandardPaths::findExecutable("gio");
        for (const QString& name : names) {
            if (gio.isEmpty())
                break;
            folder.Write(QFileInfo(name).fileName(), "x");
            QProcess info;
            info.start(gio, { "info", "-a", "standard::name", name });
            ASSERT_TRUE(info.waitForFinished(60000));
            const QByteArray out = info.readAllStandardOutput();
            const qsizetype at = out.indexOf("\nuri: ") + 6;
            EXPECT_EQ(Cache::FileUri(name), out.mid(at, out.indexOf('\n', at) - at));
        }
        // `echo -n URI | md5sum`
        EXPECT_EQ(Cache::EntryName("file:///tmp/cachex/a%20b%25c%23d.png"),
            "2bbfcc5e45f82dd9cc64ff7be9926aa9.png");
        const QByteArray saved = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", "/var/tmp/somebody/cache/");
        EXPECT_EQ(Cache::DefaultRoot(), "/var/tmp/somebody/cache/thumbnails");
        for (const char* ignored : { "relative/cache", "" }) {
            qputenv("XDG_CACHE_HOME", ignored);
            EXPECT_EQ(Cache::DefaultRoot(), QDir::homePath() + "/.cache/thumbnails");
        }
        qputenv("XDG_CACHE_HOME", saved);
    }

    // A link is keyed by its own name but its target's time; only regular files have keys.
    TEST_F(ThumbnailCache, KeysRegularFilesByCleanAbsolutePathAndTargetTime)
    {
        const ThumbnailKey key = KeyOf("x y.png");
        ASSERT_TRUE(QFile::link(key.path, pictures.File("link")));
        const auto linked = cache.KeyFor(pictures.Path() + "/./sub/../link");
        ASSERT_TRUE(linked);
        EXPECT_EQ(linked->path, pictures.File("link"));
        EXPECT_EQ(linked->uri, Cache::FileUri(pictures.File("link")));
        EXPECT_EQ(linked->mtime, 1500000000);
        ASSERT_TRUE(MakeFifo(pictures.File("fifo")));
        for (const QString& none : { pictures.File("fifo"), pictures.Path(), QString() })
            EXPECT_FALSE(cache.KeyFor(none)) << qPrintable(none);
    }

    TEST_F(ThumbnailCache, StoresPrivatelyShrunkToFitNeverEnlargedAndFindsIt)
    {
        QImage clear(40, 30, QImage::Format_ARGB32);
        clear.fill(qRgba(10, 200, 10, 128));
        ASSERT_TRUE(QDir().mkpath(root));
        ASSERT_TRUE(QFile::setPermissions(root,
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                | QFile::ExeGroup));
        const struct {
            QImage picture;
            QSize natural, found;
        } cases[] = { { Picture(), { 3000, 2000 }, { 128, 85 } },
            { Picture(100, 300), {}, { 43, 128 } }, { Picture(1000, 2), { 0, 5 }, { 128, 1 } },
            { Picture(128, 128), {}, { 128, 128 } }, { clear, {}, { 40, 30 } } };
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.picture.width() << "x" << c.picture.height());
            const ThumbnailKey key = KeyOf(QString("%1.png").arg(c.picture.width()));
            ASSERT_TRUE(cache.Save(key, c.picture, c.natural));
            const platform::CachedThumbnail found = cache.Find(key);
            ASSERT_EQ(found.result, ThumbnailLookup::Hit);
            EXPECT_EQ(found.image.size(), c.found);
            EXPECT_EQ(found.naturalSize, c.natural.isEmpty() ? QSize() : c.natural);
            EXPECT_EQ(found.image.hasAlphaChannel(), c.picture.hasAlphaChannel());
            EXPECT_EQ(LinkMode(EntryOf(key)) & 0777, 0600u);
        }
        const ThumbnailKey key = KeyOf("300.png");
        const QImage image = cache.Find(key).image;
        EXPECT_TRUE(Near(image.pixel(20, 20), kRed) && Near(image.pixel(100, 20), kGreen)
            && Near(image.pixel(64, 80), kBlue));
        EXPECT_NEAR(qAlpha(cache.Find(KeyOf("40.png")).image.pixel(5, 5)), 128, 1);
        // An existing folder keeps its mode; what the cache makes is private.
        EXPECT_EQ(LinkMode(root) & 0777, 0750u);
        EXPECT_EQ(LinkMode(root + "/normal") & 0777, 0700u);
        EXPECT_EQ(Entries(root + "/normal").size(), 5);
        // zlib's header names the level: 78 01 is level 1 (or 0, which would not shrink it).
        const QByteArray png = ReadAll(EntryOf(key));
        EXPECT_EQ(png.mid(png.indexOf("IDAT") + 4, 2), QByteArray("\x78\x01", 2));
        EXPECT_LT(png.size(), 128 * 85);
    }

    TEST_F(ThumbnailCache, FindsOnlySoundEntriesOfTheSameFileAndVersion)
    {
        const ThumbnailKey key = KeyOf("photo.png");
        // An entry as another program writes it, recording the picture's size or not.
        const auto entry = [&](int w, int h, const char* width = "", const char* height = "") {
            QImage image = Picture(w, h);
            image.setText("Thumb::URI", key.uri);
            image.setText("Thumb::MTime", QString::number(key.mtime));
            image.setText("Thumb::Image::Width", width);
            image.setText("Thumb::Image::Height", height);
            QByteArray png;
            QBuffer buffer(&png);
            EXPECT_TRUE(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG"));
            return png;
        };
        const QByteArray good = entry(128, 85, "640", "480");
        QByteArray flipped = good;
        flipped[good.size() - 40] = char(flipped[good.size() - 40] ^ 0x55);
        const QByteArray padded = good + QByteArray((1 << 20) - good.size(), '\0');
        ThumbnailKey otherFile = key, otherTime = key;
        otherFile.uri += "x";
        otherTime.mtime += 1;
        const struct {
            QByteArray bytes;
            const ThumbnailKey& key;
            QSize found, natural = {}; // found empty: a miss
        } cases[] = { { good, key, { 128, 85 }, { 640, 480 } },
            { entry(256, 100, "0", "5"), key, { 128, 50 } },
            { entry(100, 256, "7", "0"), key, { 50, 128 } },
            { entry(9, 9, "x", "5"), key, { 9, 9 } }, { entry(257, 10), key, {} },
            { entry(10, 257), key, {} }, { padded, key, { 128, 85 }, { 640, 480 } },
            { padded + '\0', key, {} }, { good.left(good.size() / 2), key, {} },
            { QByteArray(), key, {} }, { flipped, key, {} }, { good, otherFile, {} },
            { good, otherTime, {} } };
        ASSERT_TRUE(QDir().mkpath(root + "/normal"));
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << &c - cases);
            ASSERT_TRUE(QFile::remove(EntryOf(key)) || !QFile::exists(EntryOf(key)));
            home.Write("thumbnails/normal/" + Cache::EntryName(c.key.uri), c.bytes);
            const platform::CachedThumbnail found = cache.Find(c.key);
            EXPECT_EQ(
                found.result, c.found.isEmpty() ? ThumbnailLookup::Miss : ThumbnailLookup::Hit);
            EXPECT_EQ(found.image.size(), c.found.isEmpty() ? QSize(0, 0) : c.found);
            EXPECT_EQ(found.naturalSize, c.natural.isEmpty() ? QSize() : c.natural);
        }
        ASSERT_TRUE(QFile::remove(EntryOf(key)) && MakeFifo(EntryOf(key)));
        EXPECT_EQ(Lookup(key), ThumbnailLookup::Miss);
    }

    TEST_F(ThumbnailCache, RemembersFailuresUntilTheFileChanges)
    {
        const ThumbnailKey key = KeyOf("broken.png");
        ThumbnailKey older = key, changed = key;
        older.mtime -= 60;
        changed.mtime += 60;
        ASSERT_TRUE(cache.SaveFailure(key) && cache.Save(older, Picture(), {}));
        EXPECT_EQ(Lookup(key), ThumbnailLookup::KnownFailure); // even beside a stale entry
        EXPECT_EQ(Lookup(changed), ThumbnailLookup::Miss);
        ASSERT_TRUE(cache.Save(changed, Picture(), {}));
        EXPECT_EQ(Lookup(changed), ThumbnailLookup::Hit);
        EXPECT_EQ(Lookup(ThumbnailKey {}), ThumbnailLookup::Miss);
        EXPECT_EQ(LinkMode(root + "/fail") & 0777, 0700u);
        EXPECT_EQ(LinkMode(EntryOf(key, "fail/glimmerbox-1.0.3")) & 0777, 0600u);
    }

    // Thumbnails of the cache's own files would breed without end as a viewer browses it.
    TEST_F(ThumbnailCache, NeverStoresItsOwnFilesAndLeavesNoTemporaryFileBehind)
    {
        const ThumbnailKey key = KeyOf("photo.png");
        ASSERT_TRUE(cache.Save(key, Picture(), {}));
        const ThumbnailKey inner = *cache.KeyFor(EntryOf(key));
        const ThumbnailKey self { root, Cache::FileUri(root), 1 };
        ASSERT_TRUE(QFile::link(root, home.File("link")));
        EXPECT_FALSE(cache.Save(inner, Picture(), {}) || cache.SaveFailure(inner)
            || cache.SaveFailure(self) || Cache(home.File("link")).SaveFailure(inner));
        home.Write("thumbnails2", "beside the cache, not in it");
        EXPECT_TRUE(cache.SaveFailure(*cache.KeyFor(home.File("thumbnails2"))));
        EXPECT_EQ(Entries(root), QStringList({ "fail", "normal" }));
        EXPECT_EQ(Entries(root + "/normal"), QStringList { Cache::EntryName(key.uri) });
        // A folder in the way of the entry: the temporary file is written, the rename fails.
        ASSERT_TRUE(QFile::remove(EntryOf(key)) && QDir().mkpath(EntryOf(key) + "/inside"));
        EXPECT_FALSE(cache.Save(key, Picture(), {}));
        EXPECT_EQ(Entries(root + "/normal"), QStringList { Cache::EntryName(key.uri) });
        // A file where the folder should be.
        ASSERT_TRUE(QDir(root).removeRecursively());
        home.Write("thumbnails", "not a folder");
        EXPECT_FALSE(cache.Save(key, Picture(), {}) || cache.SaveFailure(key));
        EXPECT_EQ(Entries(home.Path()), QStringList({ "link", "thumbnails", "thumbnails2" }));
    }

    TEST_F(ThumbnailCache, ConcurrentSavesAllLand)
    {
        constexpr int kThreads = 6, kEach = 5;
        std::vector<ThumbnailKey> keys;
        for (int i = 0; i <= kThreads * kEach; ++i) // the last one is saved by every thread
            keys.push_back(KeyOf(QString("p%1.png").arg(i)));
        std::vector<int> saved(kThreads, 0);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                for (int i = 0; i < kEach; ++i)
                    saved[t] += cache.Save(
                        keys[t * kEach + i], Picture(200, 150, qRgb(t * 40, 0, 0)), {});
                saved[t] += cache.Save(keys.back(), Picture(), {});
            });
        for (std::thread& thread : threads)
            thread.join();
        EXPECT_EQ(saved, std::vector<int>(kThreads, kEach + 1));
        for (int i = 0; i < kThreads * kEach; ++i)
            EXPECT_TRUE(Near(cache.Find(keys[i]).image.pixel(10, 10), qRgb(i / kEach * 40, 0, 0)))
                << i;
        EXPECT_EQ(Entries(root + "/normal").size(), kThreads * kEach + 1);
    }

} // namespace
} // namespace gb::test
