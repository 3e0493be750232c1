// Folders as users really point the main window at them: special files named like pictures,
// links that lead nowhere or in circles, names no text encoding can show, files that change or
// vanish while the folder loads, and the folder itself vanishing.
#include "main_window_harness.h"

#include "browser/file_list.h"
#include "browser/main_toolbar.h"
#include "browser/thumb_grid.h"
#include "samplegen/image_writers.h"

#include <QAction>
#include <QThread>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace gb::test {
namespace {

    using browser::ThumbCell;

    QStringList Tags(const browser::frmThumbs& window)
    {
        QStringList tags;
        for (const ThumbCell& cell : window.Cells())
            if (cell.Visible)
                tags << cell.Tag;
        return tags;
    }

    QStringList Listed(const QString& folder)
    {
        browser::FileList list;
        EXPECT_TRUE(list.SetPath(folder));
        list.Refresh();
        QStringList names;
        for (int i = 0; i < list.ListCount(); ++i)
            names << list.List(i);
        return names;
    }

    QByteArray Native(const TempFolder& folder, const QByteArray& name)
    {
        return QFile::encodeName(folder.Path()) + '/' + name;
    }

    void MakeFifo(const TempFolder& folder, const char* name)
    {
        ASSERT_EQ(::mkfifo(Native(folder, name).constData(), 0600), 0) << name;
    }

    void MakeLink(const TempFolder& folder, const QByteArray& target, const char* name)
    {
        ASSERT_EQ(::symlink(target.constData(), Native(folder, name).constData()), 0) << name;
    }

    // A listening UNIX socket at `name`; the descriptor is returned for the caller to close.
    int MakeSocket(const TempFolder& folder, const char* name)
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const QByteArray path = Native(folder, name);
        EXPECT_LT(size_t(path.size()), sizeof address.sun_path);
        std::copy(path.begin(), path.end(), address.sun_path);
        EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::listen(fd, 1), 0);
        return fd;
    }

    // Should a load open a FIFO for reading, it would block until a writer came. After a long
    // grace this opens every given FIFO for writing, which succeeds only when a reader is
    // blocked in it, and so both frees the load and records that it happened.
    class FifoWatchdog {
    public:
        explicit FifoWatchdog(std::vector<QByteArray> fifos)
            : fifos_(std::move(fifos))
            , thread_([this] { Watch(); })
        {
        }
        ~FifoWatchdog()
        {
            {
                const std::lock_guard lock(mutex_);
                done_ = true;
            }
            wake_.notify_all();
            thread_.join();
        }
        bool CaughtAReader() const { return caught_; }

    private:
        void Watch()
        {
            std::unique_lock lock(mutex_);
            if (wake_.wait_for(lock, std::chrono::seconds(20), [this] { return done_; }))
                return;
            for (const QByteArray& fifo : fifos_) {
                const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    caught_ = true;
                    ::close(fd);
                }
            }
        }

        std::vector<QByteArray> fifos_;
        std::mutex mutex_;
        std::condition_variable wake_;
        bool done_ = false;
        std::atomic<bool> caught_ = false;
        std::thread thread_;
    };

    TEST(FolderHazards, SpecialFilesNamedLikePicturesAreNeitherListedNorOpened)
    {
        TempFolder photos;
        WritePicture(photos, "good.jpg");
        MakeLink(photos, "good.jpg", "link-to-good.bmp");
        MakeFifo(photos, "pipe.jpg");
        const int socket = MakeSocket(photos, "socket.gif");
        MakeLink(photos, "loop-b.jpg", "loop-a.jpg");
        MakeLink(photos, "loop-a.jpg", "loop-b.jpg");
        MakeLink(photos, "/dev/zero", "zero.bmp");
        MakeLink(photos, "pipe.jpg", "link-to-pipe.gif");
        MakeLink(photos, "missing.bmp", "dangling.bmp");
        ASSERT_TRUE(QDir(photos.Path()).mkdir("folder.jpg"));
        const QStringList pictures { "good.jpg", "link-to-good.bmp" };
        EXPECT_EQ(Listed(photos.Path()), pictures);

        MainWindowHarness h;
        QStringList countsDuringLoad;
        QObject::connect(&h.Window(), &browser::frmThumbs::ProgressStepped,
            [&] { countsDuringLoad << h.Window().PanelText(2); });
        {
            FifoWatchdog watchdog({ Native(photos, "pipe.jpg") });
            h.WaitForLoad([&] { h.Window().OpenSourceFolder(photos.Path()); });
            EXPECT_FALSE(watchdog.CaughtAReader()) << "a load opened the FIFO and blocked";
        }
        ::close(socket);
        EXPECT_EQ(countsDuringLoad, QStringList(2, "File(s): 2"));
        EXPECT_EQ(Tags(h.Window()), pictures);
        EXPECT_EQ(h.Window().PanelText(2), "File(s): 2");
    }

    TEST(FolderHazards, UnreadableFileGetsNoCellAndIsLeftAsItWas)
    {
        TempFolder photos;
        WritePicture(photos, "a.bmp");
        WritePicture(photos, "secret.jpg");
        ASSERT_TRUE(QFile::setPermissions(photos.File("secret.jpg"), QFileDevice::Permissions()));
        const int probe = ::open(Native(photos, "secret.jpg").constData(), O_RDONLY | O_CLOEXEC);
        if (probe >= 0) {
            ::close(probe);
            GTEST_SKIP() << "permissions do not stop this user (root) from reading";
        }
        MainWindowHarness h;
        h.WaitForLoad([&] { h.Window().OpenSourceFolder(photos.Path()); });
        EXPECT_EQ(Tags(h.Window()), QStringList { "a.bmp" });
        EXPECT_EQ(h.Window().PanelText(2), "File(s): 1");
        EXPECT_EQ(QFileInfo(photos.File("secret.jpg")).permissions(), QFileDevice::Permissions());
    }

    // Such a name has no exact QString: shown, it would stand for another file (or none) in
    // every later rename or delete. It is left out, and a file the name would decode to still
    // loads under its own name.
    TEST(FolderHazards, NamesThatAreNotUtf8AreLeftOutAndStandInForNoOtherFile)
    {
        TempFolder photos;
        WritePicture(photos, "b.jpg");
        const QByteArray broken("a\xff.jpg");
        const QByteArray replacement("a\xef\xbf\xbd.jpg"); // U+FFFD, what "\xff" decodes to
        for (const QByteArray& name : { broken, QByteArray("c\xfe\xfe.gif") }) {
            const int fd
                = ::open(Native(photos, name).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            ASSERT_GE(fd, 0);
            const QByteArray bytes = photos.Read("b.jpg");
            EXPECT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
            ::close(fd);
        }
        const QString decoded = QString::fromUtf8(replacement);
        EXPECT_EQ(Listed(photos.Path()), QStringList { "b.jpg" });

        MainWindowHarness h;
        h.WaitForLoad([&] { h.Window().OpenSourceFolder(photos.Path()); });
        EXPECT_EQ(Tags(h.Window()), QStringList { "b.jpg" });
        EXPECT_EQ(h.Window().PanelText(2), "File(s): 1");

        WritePicture(photos, decoded, QSize(10, 50));
        h.WaitForLoad([&] { h.Window().Toolbar().Button("Refresh")->trigger(); });
        EXPECT_EQ(Tags(h.Window()), QStringList({ decoded, "b.jpg" }));
        struct stat info { };
        EXPECT_EQ(::stat(Native(photos, broken).constData(), &info), 0)
            << "the file is still there";
    }

    TEST(FolderHazards, NamesOfTheLongestLengthLoad)
    {
        TempFolder photos;
        const QString ascii = QString(251, u'x') + ".jpg";
        const QString wide = QString(125, QChar(0xe9)) + "a.gif"; // 250 + 5 bytes in UTF-8
        ASSERT_EQ(QFile::encodeName(ascii).size(), 255);
        ASSERT_EQ(QFile::encodeName(wide).size(), 255);
        WritePicture(photos, ascii);
        WritePicture(photos, wide);
        MainWindowHarness h;
        h.WaitForLoad([&] { h.Window().OpenSourceFolder(photos.Path()); });
        EXPECT_EQ(Tags(h.Window()), QStringList({ ascii, wide }));
        for (const ThumbCell& cell : h.Window().Cells())
            EXPECT_TRUE(cell.Caption.endsWith("...")) << cell.Caption.size();
    }

    // Deletes one file, puts a FIFO in the place of another, replaces a third with a copy of a
    // different picture, as a save would (a new file renamed over the old), and empties a fourth.
    void ChangeTheLastFiles(const TempFolder& photos)
    {
        EXPECT_TRUE(QFile::remove(photos.File("z1-deleted.jpg")));
        EXPECT_TRUE(QFile::remove(photos.File("z2-becomes-fifo.jpg")));
        MakeFifo(photos, "z2-becomes-fifo.jpg");
        EXPECT_TRUE(QFile::copy(photos.File("z5-control-new.jpg"), photos.File("new.tmp")));
        EXPECT_EQ(::rename(Native(photos, "new.tmp").constData(),
                      Native(photos, "z3-replaced.gif").constData()),
            0);
        QFile emptied(photos.File("z4-emptied.bmp"));
        EXPECT_TRUE(emptied.resize(0));
    }

    // Loading runs a little ahead of the progress display, so the files changed at the first
    // step sit behind enough others that no decoding of them can have started yet.
    TEST(FolderHazards, FilesChangedBetweenListingAndLoading)
    {
        TempFolder photos;
        const int fillers = 4 * QThread::idealThreadCount() + 16;
        for (int i = 0; i < fillers; ++i)
            WritePicture(photos, QString("a%1.bmp").arg(i, 3, 10, QChar(u'0')), QSize(8, 8));
        WritePicture(photos, "z1-deleted.jpg");
        WritePicture(photos, "z2-becomes-fifo.jpg");
        WritePicture(photos, "z3-replaced.gif", QSize(40, 30));
        WritePicture(photos, "z4-emptied.bmp");
        WritePicture(photos, "z5-control-new.jpg", QSize(10, 50));
        const int listed = fillers + 5;

        MainWindowHarness h;
        QStringList countsDuringLoad;
        bool changed = false;
        QObject::connect(&h.Window(), &browser::frmThumbs::ProgressStepped, [&] {
            countsDuringLoad << h.Window().PanelText(2);
            if (changed)
                return;
            changed = true;
            ChangeTheLastFiles(photos);
        });
        {
            FifoWatchdog watchdog({ Native(photos, "z2-becomes-fifo.jpg") });
            h.WaitForLoad([&] { h.Window().OpenSourceFolder(photos.Path()); });
            EXPECT_FALSE(watchdog.CaughtAReader()) << "a load opened the FIFO and blocked";
        }
        ASSERT_TRUE(changed);
        EXPECT_EQ(countsDuringLoad.first(), QString("File(s): %1").arg(listed));
        const QStringList tags = Tags(h.Window());
        ASSERT_EQ(tags.size(), fillers + 2);
        EXPECT_EQ(tags.mid(fillers), QStringList({ "z3-replaced.gif", "z5-control-new.jpg" }));
        EXPECT_EQ(h.Window().PanelText(2), QString("File(s): %1").arg(fillers + 2));
        // The replaced file shows what is in it now, not what was listed.
        const std::vector<ThumbCell>& cells = h.Window().Cells();
        EXPECT_EQ(cells[size_t(fillers)].Picture.image, cells[size_t(fillers) + 1].Picture.image);
    }

    TEST(FolderHazards, FolderDeletedWhileShownThenRefreshed)
    {
        auto photos = std::make_unique<TempFolder>();
        const QString path = photos->Path();
        WritePicture(*photos, "a.bmp");
        WritePicture(*photos, "b.gif");
        MainWindowHarness h;
        h.Window().show();
        h.WaitForLoad([&] { h.Window().OpenSourceFolder(path); });
        ASSERT_EQ(Tags(h.Window()).size(), 2);

        photos.reset();
        ASSERT_FALSE(QFileInfo::exists(path));
        h.WaitForLoad([&] { h.Window().Toolbar().Button("Refresh")->trigger(); });
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_TRUE(h.dialogs.messages[0].prompt.startsWith("There are no image files"));
        EXPECT_TRUE(Tags(h.Window()).isEmpty());
        EXPECT_EQ(h.Window().PanelText(2), "File(s): 0");
        EXPECT_FALSE(h.Window().Grid().isVisible());

        // The same folder made again is shown again by the next refresh.
        ASSERT_TRUE(QDir().mkpath(path));
        QFile picture(QDir(path).filePath("c.jpg"));
        ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
        picture.write(tools::WriteJpeg(Gradient(20, 20), 90));
        picture.close();
        h.WaitForLoad([&] { h.Window().Toolbar().Button("Refresh")->trigger(); });
        EXPECT_EQ(Tags(h.Window()), QStringList { "c.jpg" });
        QDir(path).removeRecursively();
    }

    TEST(FolderHazards, FolderDeletedDuringItsLoadEndsTheLoadCleanly)
    {
        auto photos = std::make_unique<TempFolder>();
        const QString path = photos->Path();
        for (int i = 0; i < 4 * QThread::idealThreadCount() + 16; ++i)
            WritePicture(*photos, QString("p%1.bmp").arg(i, 3, 10, QChar(u'0')), QSize(8, 8));
        MainWindowHarness h;
        QObject::connect(
            &h.Window(), &browser::frmThumbs::ProgressStepped, [&] { photos.reset(); });
        h.WaitForLoad([&] { h.Window().OpenSourceFolder(path); });
        const QStringList tags = Tags(h.Window());
        EXPECT_EQ(h.Window().PanelText(2), QString("File(s): %1").arg(tags.size()));
        EXPECT_TRUE(tags.isEmpty() || tags.first() == "p000.bmp");
    }

} // namespace
} // namespace gb::test
