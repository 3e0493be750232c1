// Folders as users really point the main window at them: special files named like pictures,
// links that lead nowhere or in circles, names no text encoding can show, a vanished folder.
#include "main_window_harness.h"

#include "support/disk_checks.h"

#include <fcntl.h>
#include <future>
#include <unistd.h>

namespace gb::test {
namespace {

    using browser::ThumbCell;

    QByteArray Native(const TempFolder& folder, const QByteArray& name)
    {
        return QFile::encodeName(folder.Path()) + '/' + name;
    }

    TEST(FolderHazards, SpecialFilesNamedLikePicturesAreNeitherListedNorOpened)
    {
        TempFolder photos;
        WritePicture(photos, "good.jpg");
        ASSERT_TRUE(MakeFifo(photos.File("pipe.jpg")));
        for (const auto& [target, name] :
            std::initializer_list<std::pair<const char*, const char*>> {
                { "good.jpg", "link-to-good.bmp" }, { "loop-b.jpg", "loop-a.jpg" },
                { "loop-a.jpg", "loop-b.jpg" }, { "/dev/zero", "zero.bmp" },
                { "pipe.jpg", "link-to-pipe.gif" }, { "missing.bmp", "dangling.bmp" } })
            ASSERT_EQ(::symlink(target, Native(photos, name).constData()), 0) << name;
        ASSERT_TRUE(QDir(photos.Path()).mkdir("folder.jpg"));
        MainWindowHarness h;
        QStringList countsDuringLoad;
        QObject::connect(&h.Window(), &browser::frmThumbs::ProgressStepped,
            [&] { countsDuringLoad << h.Window().PanelText(2); });
        // Should the load open the FIFO for reading, it would block until a writer came. After a
        // long grace this opens it for writing, which succeeds only when a reader is blocked in
        // it, and so both frees the load and records that it happened.
        std::promise<void> loaded;
        auto watchdog = std::async(std::launch::async, [&photos, done = loaded.get_future()] {
            if (done.wait_for(std::chrono::seconds(20)) == std::future_status::ready)
                return false;
            const int fd = ::open(Native(photos, "pipe.jpg").constData(), O_WRONLY | O_NONBLOCK);
            return fd >= 0 && ::close(fd) == 0;
        });
        h.Open(photos.Path());
        loaded.set_value();
        EXPECT_FALSE(watchdog.get()) << "a load opened the FIFO and blocked";
        EXPECT_EQ(countsDuringLoad, QStringList(2, "File(s): 2"));
        EXPECT_EQ(Tags(h.Window()), QStringList({ "good.jpg", "link-to-good.bmp" }));
    }

    // Such a name has no exact QString: shown, it would stand for another file (or none) in
    // every later rename or delete. It is left out, and a file the name would decode to still
    // loads under its own name.
    TEST(FolderHazards, NamesThatAreNotUtf8AreLeftOutAndAVanishedFolderShowsNothing)
    {
        TempFolder photos;
        WritePicture(photos, "b.jpg");
        const QByteArray broken("a\xff.jpg");
        // Made under a name Qt can give, then renamed to one it cannot.
        for (const QByteArray& name : { broken, QByteArray("c\xfe\xfe.gif") })
            ASSERT_TRUE(QFile::copy(photos.File("b.jpg"), photos.File("copy"))
                && ::rename(Native(photos, "copy").constData(), Native(photos, name).constData())
                    == 0);
        const QString decoded = QString::fromUtf8("a\xef\xbf\xbd.jpg"); // what "\xff" decodes to
        MainWindowHarness h;
        h.Open(photos.Path());
        EXPECT_TRUE(Tags(h.Window()) == QStringList { "b.jpg" } && h.Count() == "File(s): 1");

        WritePicture(photos, decoded, QSize(10, 50));
        h.WaitForLoad([&] { h.Trigger("Refresh"); });
        EXPECT_EQ(Tags(h.Window()), QStringList({ decoded, "b.jpg" }));
        EXPECT_EQ(::access(Native(photos, broken).constData(), F_OK), 0) << "still there";
        for (const QByteArray& name : { broken, QByteArray("c\xfe\xfe.gif") })
            ::unlink(Native(photos, name).constData()); // a name the scratch folder cannot remove

        // The folder itself gone: the next refresh shows nothing and says so.
        ASSERT_TRUE(QDir(photos.Path()).removeRecursively());
        h.WaitForLoad([&] { h.Trigger("Refresh"); });
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_TRUE(h.dialogs.messages[0].prompt.startsWith("There are no image files"));
        EXPECT_TRUE(Tags(h.Window()).isEmpty() && !h.Window().Grid().isVisible());
    }

} // namespace
} // namespace gb::test
