#include "platform/freedesktop_thumbnail_cache.h"
#include "samplegen/image_writers.h"
#include "support/disk_checks.h"
#include "support/temp_folder.h"
#include <QPainter>
#include <QProcess>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>

namespace gb::test {
namespace {

    using Cache = platform::FreedesktopThumbnailCache;
    using platform::ThumbnailKey, platform::ThumbnailLookup;

    // Red on the left, green on the right, blue along the bottom.
    QImage Picture(int w = 300, int h = 200)
    {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(Qt::green);
        QPainter(&img).fillRect(0, 0, w / 2, h, Qt::red);
        QPainter(&img).fillRect(0, h * 3 / 4, w, h, Qt::blue);
        return img;
    }

    // Every ASCII character a name may hold, and two that are not ASCII.
    QString AwkwardName()
    {
        QByteArray ascii;
        for (char c = 1; c < 127; ++c)
            ascii += c == '/' ? 'x' : c;
        return ascii + "\u00e9\u2603";
    }

    class ThumbnailCache : public ::testing::Test {
    protected:
        ThumbnailKey KeyOf(const QString& name) const
        {
            pictures_.Write(name, "photo");
            const timespec times[2] = { { 1500000000, 0 }, { 1500000000, 0 } };
            ::utimensat(AT_FDCWD, QFile::encodeName(pictures_.File(name)).constData(), times, 0);
            return cache_.KeyFor(pictures_.File(name)).value_or(ThumbnailKey {});
        }
        QString EntryOf(const ThumbnailKey& key, const char* kind = "normal") const
        {
            return root_ + "/" + kind + "/" + Cache::EntryName(key.uri);
        }
        ThumbnailLookup Lookup(const ThumbnailKey& key) const { return cache_.Find(key).result; }
        TempFolder home_, pictures_;
        const QString root_ = home_.File("thumbnails");
        const Cache cache_ { root_ };
    };

    // A link is keyed by its own name but its target's time; only regular files have keys.
    TEST_F(ThumbnailCache, KeysRegularFilesAsGLibNamesThem)
    {
        const ThumbnailKey key = KeyOf(AwkwardName());
        ASSERT_TRUE(QFile::link(key.path, pictures_.File("link")));
        const auto linked = cache_.KeyFor(pictures_.Path() + "/./sub/../link");
        EXPECT_EQ(std::tuple(linked->path, linked->uri, linked->mtime),
            std::tuple(pictures_.File("link"), Cache::FileUri(pictures_.File("link")), 1500000000));
        ASSERT_TRUE(MakeFifo(pictures_.File("fifo")));
        for (const QString& none : { pictures_.File("fifo"), pictures_.Path(), QString() })
            EXPECT_FALSE(cache_.KeyFor(none)) << qPrintable(none);
        const QByteArray saved = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", "relative/cache"); // ignored
        const QString home = Cache::DefaultRoot();
        qputenv("XDG_CACHE_HOME", "/var/cache/");
        EXPECT_EQ(std::pair(home, Cache::DefaultRoot()),
            std::pair(QDir::homePath() + "/.cache/thumbnails", QString("/var/cache/thumbnails")));
        qputenv("XDG_CACHE_HOME", saved);
    }

    TEST_F(ThumbnailCache, StoresPrivatelyShrunkToFitNeverEnlargedAndFindsIt)
    {
        const QImage clear
            = tools::Solid({ 40, 30 }, QColor(10, 200, 10, 128), QImage::Format_ARGB32);
        ASSERT_TRUE(
            QDir().mkpath(root_) && QFile::setPermissions(root_, QFile::Permissions(0x7050)));
        const std::tuple<QImage, QSize, QSize> cases[] = { { clear, {}, { 40, 30 } },
            { Picture(100, 300), {}, { 43, 128 } }, { Picture(1000, 2), { 0, 5 }, { 128, 1 } },
            { Picture(128, 128), {}, { 128, 128 } }, { Picture(), { 3000, 2000 }, { 128, 85 } } };
        for (const auto& [picture, natural, found] : cases) {
            const ThumbnailKey key = KeyOf(QString("%1.png").arg(picture.width()));
            ASSERT_TRUE(cache_.Save(key, picture, natural));
            const platform::CachedThumbnail hit = cache_.Find(key);
            EXPECT_EQ(std::tuple(hit.result, hit.image.size(), hit.naturalSize,
                          qAlpha(hit.image.pixel(5, 0)), LinkMode(EntryOf(key)) & 0777),
                std::tuple(ThumbnailLookup::Hit, found, natural.isEmpty() ? QSize() : natural,
                    qAlpha(picture.pixel(0, 0)), 0600u));
        }
        // A folder that is there keeps its mode; what the cache makes is private.
        EXPECT_EQ(std::tuple(LinkMode(root_) & 0777, LinkMode(root_ + "/normal") & 0777,
                      Entries(root_ + "/normal").size()),
            std::tuple(0750u, 0700u, 5));
    }

    TEST_F(ThumbnailCache, FindsOnlySoundEntriesOfTheSameFileAndVersion)
    {
        const ThumbnailKey key = KeyOf("photo.png");
        // Another program's entry, recording the picture's size or not.
        const auto entry = [&](int w, int h, const char* width = "", const char* height = "") {
            return tools::WritePng(Picture(w, h),
                { { "Thumb::URI", key.uri }, { "Thumb::MTime", QString::number(key.mtime) },
                    { "Thumb::Image::Width", width }, { "Thumb::Image::Height", height } });
        };
        const QByteArray good = entry(128, 85, "600", "400");
        QByteArray flipped = good;
        flipped[good.size() - 40] = char(flipped[good.size() - 40] ^ 0x55);
        // A normal entry is at most 256 pixels a side, so never beyond 256 * 256 * 4 + 64 KB.
        const QByteArray padded = good + QByteArray(327680 - good.size(), '\0');
        const std::tuple<QByteArray, ThumbnailKey, QSize, QSize> cases[] = {
            { good, key, { 128, 85 }, { 600, 400 } }, { padded, key, { 128, 85 }, { 600, 400 } },
            { entry(128, 85, "4000", "6000"), key, {}, {} }, // turned one way, recorded the other
            { entry(256, 100, "0", "5"), key, { 128, 50 }, {} },
            { entry(100, 256, "7", "0"), key, { 50, 128 }, {} }, { entry(257, 10), key, {}, {} },
            { entry(10, 257), key, {}, {} }, { padded + '\0', key, {}, {} },
            { flipped, key, {}, {} }, { good.left(good.size() / 2), key, {}, {} },
            { good, { key.path, key.uri + "x", key.mtime }, {}, {} },
            { good, { key.path, key.uri, key.mtime + 1 }, {}, {} }
        };
        ASSERT_TRUE(QDir().mkpath(root_ + "/normal"));
        for (const auto& [bytes, lookedUp, found, natural] : cases) {
            home_.Write("thumbnails/normal/" + Cache::EntryName(lookedUp.uri), bytes);
            const platform::CachedThumbnail hit = cache_.Find(lookedUp);
            EXPECT_EQ(std::tuple(hit.result, hit.image.size(), hit.naturalSize),
                std::tuple(found.isEmpty() ? ThumbnailLookup::Miss : ThumbnailLookup::Hit,
                    found.isEmpty() ? QSize(0, 0) : found, natural.isEmpty() ? QSize() : natural))
                << bytes.size();
            QFile::remove(EntryOf(lookedUp));
        }
        // The larger sizes file managers write are read too, each up to twice its own size.
        for (const auto& [folder, side, hit] : { std::tuple("large", 512, true),
                 std::tuple("xx-large", 2048, true), std::tuple("x-large", 1025, false) }) {
            ASSERT_TRUE(QDir().mkpath(root_ + "/" + folder));
            home_.Write(QString("thumbnails/%1/").arg(folder) + Cache::EntryName(key.uri),
                entry(side, side / 2));
            EXPECT_EQ(cache_.Find(key).image.size(), hit ? QSize(128, 64) : QSize(0, 0)) << folder;
            QFile::remove(EntryOf(key, folder));
        }
    }

    // Past twice the usual density a tile needs the large size: a normal entry would be enlarged
    // and look blurred, unless it is the whole picture.
    TEST_F(ThumbnailCache, EachDensityGetsTheSizeThatFillsItsTiles)
    {
        const struct {
            const char* what;
            QSize picture, natural;
            QList<int> saved; // the sizes written
            int side;
            QSize found; // empty: a miss
        } cases[] = {
            { "large", { 600, 300 }, { 600, 300 }, { 128, 256 }, 256, { 256, 128 } },
            { "large only, shrunk", { 600, 300 }, { 600, 300 }, { 256 }, 128, { 128, 64 } },
            { "normal only", { 600, 300 }, { 600, 300 }, { 128 }, 256, {} },
            { "size unknown", { 600, 300 }, {}, { 128 }, 256, {} },
            { "whole picture", { 100, 50 }, { 100, 50 }, { 128 }, 256, { 100, 50 } },
        };
        for (const auto& c : cases) {
            const ThumbnailKey key = KeyOf(QString(c.what) + ".png");
            for (const int side : c.saved)
                ASSERT_TRUE(cache_.Save(
                    key, Picture(c.picture.width(), c.picture.height()), c.natural, side));
            EXPECT_EQ(
                cache_.Find(key, c.side).image.size(), c.found.isEmpty() ? QSize(0, 0) : c.found)
                << c.what;
        }
        EXPECT_EQ(
            QImage(EntryOf(KeyOf("large only, shrunk.png"), "large")).size(), QSize(256, 128));
        EXPECT_FALSE(cache_.Save(KeyOf("odd.png"), Picture(), {}, 300));
    }

    // A failure is remembered until the file changes, even beside a stale entry. Thumbnails of
    // the cache's own files are never made: they would breed without end as a viewer browses it.
    TEST_F(ThumbnailCache, RemembersFailuresNeverStoresItsOwnFilesAndLeavesNoTemporaryFile)
    {
        const ThumbnailKey key = KeyOf("photo.png");
        ASSERT_TRUE(cache_.SaveFailure(key)
            && cache_.Save({ key.path, key.uri, key.mtime - 60 }, Picture(), {}));
        EXPECT_EQ(
            std::tuple(Lookup(key), Lookup({ key.path, key.uri, key.mtime + 60 }), Lookup({})),
            std::tuple(
                ThumbnailLookup::KnownFailure, ThumbnailLookup::Miss, ThumbnailLookup::Miss));
        EXPECT_EQ(std::pair(LinkMode(root_ + "/fail") & 0777,
                      LinkMode(EntryOf(key, "fail/glimmerbox-1.0.3")) & 0777),
            std::pair(0700u, 0600u));
        ASSERT_TRUE(cache_.Save(key, Picture(), {}));
        EXPECT_EQ(Lookup(key), ThumbnailLookup::Hit);
        const ThumbnailKey inner = *cache_.KeyFor(EntryOf(key)),
                           self { root_, Cache::FileUri(root_), 1 };
        ASSERT_TRUE(QFile::link(root_, home_.File("link")));
        EXPECT_FALSE(cache_.Save(inner, Picture(), {}) || cache_.SaveFailure(inner)
            || cache_.SaveFailure(self) || Cache(home_.File("link")).SaveFailure(inner));
        home_.Write("thumbnails2", "beside the cache, not in it");
        EXPECT_TRUE(cache_.SaveFailure(*cache_.KeyFor(home_.File("thumbnails2"))));
        // Threads saving one entry at once each write a temporary file of their own.
        for (std::jthread threads[4]; std::jthread & thread : threads)
            thread = std::jthread([&] { EXPECT_TRUE(cache_.Save(key, Picture(), {})); });
        EXPECT_EQ(Entries(root_ + "/normal"), QStringList { Cache::EntryName(key.uri) });
        // A file where the folder should be.
        ASSERT_TRUE(QDir(root_).removeRecursively());
        home_.Write("thumbnails", "not a folder");
        EXPECT_FALSE(cache_.Save(key, Picture(), {}) || cache_.SaveFailure(key));
        EXPECT_EQ(Entries(home_.Path()), QStringList({ "link", "thumbnails", "thumbnails2" }));
    }

    // GLib's own check (as GNOME Files makes it) must find and accept our entries, whatever the
    // name: our URIs must be escaped as GLib's, and the keys stored as uncompressed text.
    TEST_F(ThumbnailCache, GLibAcceptsOurEntries)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CACHE_HOME", home_.Path());
        for (const QString& name : { QString("a.jpg"), AwkwardName() }) {
            const ThumbnailKey key = KeyOf(name);
            ASSERT_TRUE(cache_.Save(key, Picture(), { 300, 200 }));
            QProcess gio;
            gio.setProcessEnvironment(env);
            gio.start("gio", { "info", "-a", "thumbnail::is-valid", key.path });
            ASSERT_TRUE(gio.waitForFinished(60000));
            EXPECT_TRUE(gio.readAllStandardOutput().contains("thumbnail::is-valid: TRUE"))
                << qPrintable(name);
        }
    }

} // namespace
} // namespace gb::test
