#include "platform/linux_file_operations.h"
#include "support/scratch_mount.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace gb::test {
namespace {

    using platform::FileError;
    using platform::LinuxFileOperations;

    // Bytes whose period (251) does not divide any buffer size, so a dropped, doubled or
    // reordered chunk shows up as a difference.
    QByteArray Pattern(qsizetype size)
    {
        QByteArray bytes(size, Qt::Uninitialized);
        for (qsizetype i = 0; i < size; ++i)
            bytes[i] = char((i % 251) ^ (i >> 12));
        return bytes;
    }

    struct stat StatOf(const QString& path)
    {
        struct stat info { };
        EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
        return info;
    }

    // Everything in a folder, hidden files included, so a stray temporary file cannot hide.
    std::string Entries(const QString& folder)
    {
        const QDir::Filters all
            = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
        return QDir(folder).entryList(all, QDir::Name).join(QStringLiteral(", ")).toStdString();
    }

    // A disk that fills up, writes in short pieces, or gets interrupted by signals.
    class FaultyDisk : public LinuxFileOperations {
    public:
        qint64 capacity = std::numeric_limits<qint64>::max();
        size_t largestWrite = std::numeric_limits<size_t>::max();
        bool interruptEveryOtherWrite = false;
        qint64 written = 0;

    protected:
        ssize_t WriteBytes(int fd, const char* data, size_t size) override
        {
            if (interruptEveryOtherWrite && calls_++ % 2 == 0) {
                errno = EINTR;
                return -1;
            }
            if (written >= capacity) {
                errno = ENOSPC;
                return -1;
            }
            size = std::min({ size, largestWrite, size_t(capacity - written) });
            const ssize_t result = LinuxFileOperations::WriteBytes(fd, data, size);
            written += std::max<ssize_t>(result, 0);
            return result;
        }

    private:
        int calls_ = 0;
    };

    // Another program that creates the target name while the copy is under way.
    class RacingProgram : public LinuxFileOperations {
    public:
        explicit RacingProgram(QString target)
            : target_(std::move(target))
        {
        }

    protected:
        ssize_t WriteBytes(int fd, const char* data, size_t size) override
        {
            if (!raced_) {
                raced_ = true;
                QFile other(target_);
                EXPECT_TRUE(other.open(QIODevice::NewOnly));
                other.write("the other program's file");
            }
            return LinuxFileOperations::WriteBytes(fd, data, size);
        }

    private:
        QString target_;
        bool raced_ = false;
    };

    TEST(CopyFile, CopiesEveryByteWithTimeAndPermissions)
    {
        TempFolder folder;
        const QByteArray photo = Pattern(3 * 1000 * 1000 + 17);
        folder.Write("photo.jpg", photo);
        folder.Write("empty.jpg", "");
        const QByteArray source = QFile::encodeName(folder.File("photo.jpg"));
        const struct timespec times[2] = { { 1000000000, 5 }, { 1234567890, 987654321 } };
        ASSERT_EQ(::utimensat(AT_FDCWD, source.constData(), times, 0), 0);
        ASSERT_EQ(::chmod(source.constData(), 0640), 0);
        LinuxFileOperations files;

        ASSERT_TRUE(files.CopyFile(folder.File("photo.jpg"), folder.File("copy.jpg"), false).Ok());
        EXPECT_TRUE(folder.Read("copy.jpg") == photo);
        const struct stat copy = StatOf(folder.File("copy.jpg"));
        EXPECT_EQ(copy.st_mtim.tv_sec, 1234567890);
        EXPECT_EQ(copy.st_mtim.tv_nsec, 987654321);
        EXPECT_EQ(copy.st_mode & 07777, 0640u);

        ASSERT_TRUE(
            files.CopyFile(folder.File("empty.jpg"), folder.File("empty2.jpg"), false).Ok());
        EXPECT_TRUE(QFile::exists(folder.File("empty2.jpg")));
        EXPECT_EQ(StatOf(folder.File("empty2.jpg")).st_size, 0);

        // Nobody gets another user's privileges by copying a set-user-ID program.
        ASSERT_EQ(::chmod(source.constData(), 06751), 0);
        ASSERT_TRUE(files.CopyFile(folder.File("photo.jpg"), folder.File("copy.jpg"), true).Ok());
        EXPECT_EQ(StatOf(folder.File("copy.jpg")).st_mode & 07777, 0751u);
        EXPECT_EQ(Entries(folder.Path()), "copy.jpg, empty.jpg, empty2.jpg, photo.jpg");
    }

    TEST(CopyFile, ShortAndInterruptedWritesStillGiveAWholeCopy)
    {
        TempFolder folder;
        const QByteArray photo = Pattern(300 * 1000);
        folder.Write("photo.jpg", photo);
        FaultyDisk disk;
        disk.largestWrite = 4099;
        disk.interruptEveryOtherWrite = true;
        ASSERT_TRUE(disk.CopyFile(folder.File("photo.jpg"), folder.File("copy.jpg"), false).Ok());
        EXPECT_TRUE(folder.Read("copy.jpg") == photo);
    }

    TEST(CopyFile, OnlyOverwriteReplacesAnExistingTarget)
    {
        TempFolder folder;
        folder.Write("photo.jpg", "new photo");
        folder.Write("target.jpg", "old photo");
        ASSERT_TRUE(QFile::link(folder.File("nowhere.jpg"), folder.File("dangling.jpg")));
        FaultyDisk disk;

        const FileError refused
            = disk.CopyFile(folder.File("photo.jpg"), folder.File("target.jpg"), false);
        EXPECT_EQ(refused.number, 58);
        EXPECT_FALSE(refused.description.isEmpty());
        EXPECT_EQ(folder.Read("target.jpg").toStdString(), "old photo");
        // A link that points nowhere still holds the name.
        EXPECT_EQ(
            disk.CopyFile(folder.File("photo.jpg"), folder.File("dangling.jpg"), false).number, 58);
        EXPECT_EQ(QFile::symLinkTarget(folder.File("dangling.jpg")), folder.File("nowhere.jpg"));
        EXPECT_EQ(disk.written, 0);

        ASSERT_TRUE(disk.CopyFile(folder.File("photo.jpg"), folder.File("target.jpg"), true).Ok());
        EXPECT_EQ(folder.Read("target.jpg").toStdString(), "new photo");
        EXPECT_EQ(Entries(folder.Path()), "dangling.jpg, photo.jpg, target.jpg");
    }

    TEST(CopyFile, MissingSourceOrFolderAndFolderTargetsAreRefused)
    {
        TempFolder folder;
        folder.Write("photo.jpg", "photo");
        LinuxFileOperations files;
        EXPECT_EQ(
            files.CopyFile(folder.File("gone.jpg"), folder.File("copy.jpg"), true).number, 53);
        EXPECT_FALSE(QFile::exists(folder.File("copy.jpg")));
        EXPECT_EQ(
            files.CopyFile(folder.File("photo.jpg"), folder.File("no/copy.jpg"), false).number, 76);
        ASSERT_TRUE(QDir(folder.Path()).mkdir("album"));
        EXPECT_EQ(files.CopyFile(folder.File("photo.jpg"), folder.File("album"), true).number, 75);
        EXPECT_TRUE(QDir(folder.File("album"))
                        .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        EXPECT_EQ(Entries(folder.Path()), "album, photo.jpg");
    }

    TEST(CopyFile, PipesDevicesAndFoldersAreRefusedWithoutBlocking)
    {
        TempFolder folder;
        // Nobody ever writes to this pipe: opening or reading it the ordinary way would hang.
        ASSERT_EQ(::mkfifo(QFile::encodeName(folder.File("pipe.jpg")).constData(), 0600), 0);
        ASSERT_TRUE(QDir(folder.Path()).mkdir("album.jpg"));
        LinuxFileOperations files;
        for (const QString& source :
            { folder.File("pipe.jpg"), folder.File("album.jpg"), QStringLiteral("/dev/zero") }) {
            SCOPED_TRACE(source.toStdString());
            EXPECT_EQ(files.CopyFile(source, folder.File("copy.jpg"), true).number, 75);
        }
        EXPECT_EQ(Entries(folder.Path()), "album.jpg, pipe.jpg");
    }

    TEST(CopyFile, CopyingAFileOntoItselfChangesNothing)
    {
        TempFolder folder;
        folder.Write("photo.jpg", "the only copy");
        ASSERT_EQ(::link(QFile::encodeName(folder.File("photo.jpg")).constData(),
                      QFile::encodeName(folder.File("hard.jpg")).constData()),
            0);
        ASSERT_TRUE(QFile::link(folder.File("photo.jpg"), folder.File("soft.jpg")));
        FaultyDisk disk;
        for (const QString& target : { QStringLiteral("photo.jpg"), QStringLiteral("hard.jpg"),
                 QStringLiteral("soft.jpg") }) {
            for (const bool overwrite : { false, true }) {
                SCOPED_TRACE(target.toStdString() + (overwrite ? " overwrite" : ""));
                EXPECT_TRUE(
                    disk.CopyFile(folder.File("photo.jpg"), folder.File(target), overwrite).Ok());
                EXPECT_EQ(folder.Read("photo.jpg").toStdString(), "the only copy");
            }
        }
        EXPECT_EQ(disk.written, 0);
        EXPECT_TRUE(QFileInfo(folder.File("soft.jpg")).isSymLink());
        EXPECT_EQ(Entries(folder.Path()), "hard.jpg, photo.jpg, soft.jpg");
    }

    TEST(IsSameFile, SeesThroughLinksButNotEqualContent)
    {
        TempFolder folder;
        folder.Write("photo.jpg", "same bytes");
        folder.Write("twin.jpg", "same bytes");
        ASSERT_TRUE(QFile::link(folder.File("photo.jpg"), folder.File("soft.jpg")));
        LinuxFileOperations files;
        EXPECT_TRUE(files.IsSameFile(folder.File("photo.jpg"), folder.File("soft.jpg")));
        EXPECT_TRUE(files.IsSameFile(folder.File("photo.jpg"), folder.File("./photo.jpg")));
        EXPECT_FALSE(files.IsSameFile(folder.File("photo.jpg"), folder.File("twin.jpg")));
        EXPECT_FALSE(files.IsSameFile(folder.File("gone.jpg"), folder.File("gone.jpg")));
    }

    TEST(CopyFile, AFullDiskLeavesNoPartialFileAndKeepsTheOldTarget)
    {
        TempFolder folder;
        const QByteArray photo = Pattern(3 * 1000 * 1000);
        folder.Write("photo.jpg", photo);
        FaultyDisk disk;
        disk.capacity = photo.size() / 2;

        const FileError full
            = disk.CopyFile(folder.File("photo.jpg"), folder.File("copy.jpg"), false);
        EXPECT_EQ(full.number, 61);
        EXPECT_FALSE(full.description.isEmpty());
        EXPECT_EQ(disk.written, photo.size() / 2);
        EXPECT_EQ(Entries(folder.Path()), "photo.jpg");

        folder.Write("copy.jpg", "old copy");
        disk.written = 0;
        EXPECT_EQ(
            disk.CopyFile(folder.File("photo.jpg"), folder.File("copy.jpg"), true).number, 61);
        EXPECT_EQ(folder.Read("copy.jpg").toStdString(), "old copy");
        EXPECT_TRUE(folder.Read("photo.jpg") == photo);
        EXPECT_EQ(Entries(folder.Path()), "copy.jpg, photo.jpg");
    }

    TEST(CopyFile, ANameTakenDuringTheCopyIsKept)
    {
        TempFolder folder;
        folder.Write("photo.jpg", Pattern(100 * 1000));
        RacingProgram racer(folder.File("copy.jpg"));
        EXPECT_EQ(
            racer.CopyFile(folder.File("photo.jpg"), folder.File("copy.jpg"), false).number, 58);
        EXPECT_EQ(folder.Read("copy.jpg").toStdString(), "the other program's file");
        EXPECT_EQ(Entries(folder.Path()), "copy.jpg, photo.jpg");
    }

    TEST(CopyFile, AReadOnlyFolderIsPermissionDenied)
    {
        if (::geteuid() == 0)
            GTEST_SKIP() << "root may write into any folder";
        TempFolder folder;
        folder.Write("photo.jpg", "photo");
        ASSERT_TRUE(QDir(folder.Path()).mkdir("locked"));
        const QByteArray locked = QFile::encodeName(folder.File("locked"));
        ASSERT_EQ(::chmod(locked.constData(), 0555), 0);
        LinuxFileOperations files;
        EXPECT_EQ(
            files.CopyFile(folder.File("photo.jpg"), folder.File("locked/copy.jpg"), false).number,
            70);
        ::chmod(locked.constData(), 0755);
        EXPECT_EQ(Entries(folder.File("locked")), "");
    }

    TEST(CopyFile, AReadOnlyFileSystemIsPermissionDenied)
    {
        TempFolder folder;
        folder.Write("photo.jpg", "photo");
        ASSERT_TRUE(QDir(folder.Path()).mkdir("card"));
        const ScratchMount card(folder.File("card"), "size=64k", MS_RDONLY);
        if (!card.Mounted())
            GTEST_SKIP() << "mounting needs root with CAP_SYS_ADMIN";
        LinuxFileOperations files;
        EXPECT_EQ(
            files.CopyFile(folder.File("photo.jpg"), folder.File("card/copy.jpg"), false).number,
            70);
    }

    TEST(CopyFile, ARealFullFileSystemLeavesNothingBehind)
    {
        TempFolder folder;
        ASSERT_TRUE(QDir(folder.Path()).mkdir("card"));
        const ScratchMount card(folder.File("card"), "size=512k");
        if (!card.Mounted())
            GTEST_SKIP() << "mounting needs root with CAP_SYS_ADMIN";
        folder.Write("photo.jpg", Pattern(1024 * 1024));
        LinuxFileOperations files;
        EXPECT_EQ(
            files.CopyFile(folder.File("photo.jpg"), folder.File("card/copy.jpg"), false).number,
            61);
        EXPECT_EQ(Entries(folder.File("card")), "");
    }

} // namespace
} // namespace gb::test
