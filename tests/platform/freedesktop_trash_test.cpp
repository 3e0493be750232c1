// The desktop's Trash as file managers see it: files moved there are listed by GLib's own client
// and come back intact.
#include "platform/linux_file_operations.h"
#include "support/private_session_bus.h"
#include "support/private_trash.h"
#include "support/scratch_mount.h"
#include "support/temp_folder.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QUrl>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gb::test {
namespace {

    QByteArray Checksum(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly)
            ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
            : QByteArray();
    }

    // What `gio` (over GVfs, on the private session) answers, or "" when it failed.
    QString Gio(const QStringList& arguments)
    {
        QProcess gio;
        gio.start("gio", arguments);
        if (!gio.waitForFinished(30000) || gio.exitCode() != 0)
            return {};
        return QString::fromUtf8(gio.readAllStandardOutput());
    }

    // Two files of one name from two folders, the second name escaped in the record, go to the
    // home Trash; GLib lists both where they came from and puts one back byte for byte.
    TEST(FreedesktopTrash, TheHomeTrashTakesFilesThatGioListsAndRestores)
    {
        TempFolder first, second;
        const PrivateTrash home;
        const TempFolder& data = home.data;
        PrivateSessionBus bus({}, PrivateSessionBus::DefaultTools(), { "org.gtk.vfs.Daemon" });
        first.Write("photo 1%.jpg", "the first picture's bytes");
        second.Write("photo 1%.jpg", "the second picture's bytes");
        const QByteArray sums[]
            = { Checksum(first.File("photo 1%.jpg")), Checksum(second.File("photo 1%.jpg")) };
        platform::LinuxFileOperations files;
        EXPECT_TRUE(files.MoveToTrash(first.File("photo 1%.jpg")).Ok());
        EXPECT_TRUE(files.MoveToTrash(second.File("photo 1%.jpg")).Ok());
        EXPECT_FALSE(QFile::exists(first.File("photo 1%.jpg")));
        EXPECT_TRUE(QFile::exists(data.File("Trash/files/photo 1%.2.jpg")));
        QFile record(data.File("Trash/info/photo 1%.jpg.trashinfo"));
        ASSERT_TRUE(record.open(QIODevice::ReadOnly));
        EXPECT_TRUE(record.readAll().contains(
            "\nPath=" + QUrl::toPercentEncoding(first.File("photo 1%.jpg"), "/") + "\n"));
        if (QStandardPaths::findExecutable("gio").isEmpty())
            GTEST_SKIP() << "gio is not installed";
        const QString listed = Gio({ "trash", "--list" });
        if (listed.isEmpty())
            GTEST_SKIP() << "gio cannot list the Trash (is gvfs installed?)";
        EXPECT_TRUE(listed.contains("\t" + first.File("photo 1%.jpg") + "\n"))
            << listed.toStdString();
        EXPECT_TRUE(listed.contains("\t" + second.File("photo 1%.jpg") + "\n"));
        const QString uri = listed.section('\t', 0, 0);
        const bool firstListedFirst
            = listed.section('\n', 0, 0).endsWith(first.File("photo 1%.jpg"));
        const QString restored
            = firstListedFirst ? first.File("photo 1%.jpg") : second.File("photo 1%.jpg");
        Gio({ "trash", "--restore", uri });
        ASSERT_TRUE(QFile::exists(restored));
        EXPECT_EQ(Checksum(restored), sums[firstListedFirst ? 0 : 1]);
    }

    // On another disk the Trash is that disk's own, at its top; where none can be made, the file
    // stays and the error says why.
    TEST(FreedesktopTrash, AnotherDiskUsesItsOwnTrashOrKeepsTheFile)
    {
        TempFolder disk;
        const PrivateTrash home;
        const TempFolder& data = home.data;
        const ScratchMount mount(disk.Path());
        if (!mount.Mounted())
            GTEST_SKIP() << "mounting needs root";
        QDir(disk.Path()).mkpath("album");
        disk.Write("album/a.jpg", "on the card");
        platform::LinuxFileOperations files;
        ASSERT_TRUE(files.MoveToTrash(disk.File("album/a.jpg")).Ok());
        const QString trash = disk.File(".Trash-" + QString::number(::getuid()));
        EXPECT_TRUE(QFile::exists(trash + "/files/a.jpg"));
        QFile record(trash + "/info/a.jpg.trashinfo");
        ASSERT_TRUE(record.open(QIODevice::ReadOnly));
        EXPECT_TRUE(record.readAll().contains("\nPath=album/a.jpg\n"));
        EXPECT_FALSE(QFile::exists(data.File("Trash")));

        // A file where the trash folder would be leaves no trash to use on this disk.
        ASSERT_TRUE(QDir(trash).removeRecursively());
        disk.Write(".Trash-" + QString::number(::getuid()), "not a folder");
        disk.Write("album/b.jpg", "stays");
        const platform::FileError refused = files.MoveToTrash(disk.File("album/b.jpg"));
        EXPECT_EQ(refused.number, platform::FileErrorNumber::PathFileAccessError);
        EXPECT_TRUE(refused.description.contains("no Trash"));
        EXPECT_TRUE(QFile::exists(disk.File("album/b.jpg")));
    }

    // A shared .Trash at a disk's top is used only when it is sticky, as freedesktop.org's Trash
    // rules ask: in any other, another user could put their own folder in our place.
    TEST(FreedesktopTrash, ASharedTrashAtTheTopIsUsedOnlyWhenSticky)
    {
        const QString uid = QString::number(::getuid());
        const std::pair<mode_t, QString> rows[]
            = { { 01777, ".Trash/" + uid }, { 0777, ".Trash-" + uid } };
        for (const auto& [mode, trash] : rows) {
            TempFolder disk;
            const PrivateTrash home;
            const ScratchMount mount(disk.Path());
            if (!mount.Mounted())
                GTEST_SKIP() << "mounting needs root";
            ASSERT_TRUE(QDir(disk.Path()).mkdir(".Trash"));
            ASSERT_EQ(::chmod(QFile::encodeName(disk.File(".Trash")).constData(), mode), 0);
            disk.Write("a.jpg", "on the card");
            ASSERT_TRUE(platform::LinuxFileOperations().MoveToTrash(disk.File("a.jpg")).Ok());
            EXPECT_TRUE(QFile::exists(disk.File(trash + "/files/a.jpg"))) << qPrintable(trash);
        }
    }

} // namespace
} // namespace gb::test
