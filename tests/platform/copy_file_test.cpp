#include "platform/linux_file_operations.h"
#include "support/scratch_mount.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
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

    // A disk that fills up, writes in short pieces or gets interrupted by signals, or cannot
    // rename without replacing (exFAT), and another program that creates the file `racer`
    // names while the copy is under way.
    class FaultyDisk : public LinuxFileOperations {
    public:
        qint64 capacity = std::numeric_limits<qint64>::max();
        size_t largestWrite = std::numeric_limits<size_t>::max();
        bool interruptEveryOtherWrite = false;
        bool noReplaceUnsupported = false;
        QString racer;
        qint64 written = 0;
        int calls = 0;

    protected:
        ssize_t WriteBytes(int fd, const char* data, size_t size) override
        {
            if (!racer.isEmpty()) {
                QFile other(std::exchange(racer, QString()));
                EXPECT_TRUE(other.open(QIODevice::NewOnly));
                other.write("the other program's file");
            }
            if (interruptEveryOtherWrite && calls++ % 2 == 0)
                return errno = EINTR, -1;
            if (written >= capacity)
                return errno = ENOSPC, -1;
            size = std::min({ size, largestWrite, size_t(capacity - written) });
            const ssize_t result = LinuxFileOperations::WriteBytes(fd, data, size);
            written += std::max<ssize_t>(result, 0);
            return result;
        }
        int RenameAt(
            int folderFd, const char* tempName, const char* target, unsigned flags) override
        {
            if (noReplaceUnsupported && (flags & RENAME_NOREPLACE))
                return errno = EINVAL, -1;
            return LinuxFileOperations::RenameAt(folderFd, tempName, target, flags);
        }
    };

    class CopyFile : public ::testing::Test {
    protected:
        FileError Copy(const QString& from, const QString& to, bool overwrite)
        {
            return disk.CopyFile(folder.File(from), folder.File(to), overwrite);
        }

        TempFolder folder;
        FaultyDisk disk;
    };

    TEST_F(CopyFile, CopiesEveryByteEvenInShortInterruptedWritesWithTimeAndPermissions)
    {
        const QByteArray photo = Pattern(3 * 1000 * 1000 + 17);
        folder.Write("photo.jpg", photo);
        folder.Write("empty.jpg", "");
        const QByteArray source = QFile::encodeName(folder.File("photo.jpg"));
        const struct timespec times[2] = { { 1000000000, 5 }, { 1234567890, 987654321 } };
        ASSERT_EQ(::utimensat(AT_FDCWD, source.constData(), times, 0), 0);
        ASSERT_EQ(::chmod(source.constData(), 0640), 0);
        ASSERT_TRUE(Copy("photo.jpg", "copy.jpg", false).Ok());
        EXPECT_TRUE(folder.Read("copy.jpg") == photo);
        const struct stat copy = StatOf(folder.File("copy.jpg"));
        EXPECT_EQ(copy.st_mtim.tv_sec, 1234567890);
        EXPECT_EQ(copy.st_mtim.tv_nsec, 987654321);
        EXPECT_EQ(copy.st_mode & 07777, 0640u);
        disk.largestWrite = 4099;
        disk.interruptEveryOtherWrite = true;
        ASSERT_TRUE(Copy("photo.jpg", "pieces.jpg", false).Ok());
        EXPECT_TRUE(folder.Read("pieces.jpg") == photo);
        ASSERT_TRUE(Copy("empty.jpg", "empty2.jpg", false).Ok());
        EXPECT_EQ(StatOf(folder.File("empty2.jpg")).st_size, 0);
        // Nobody gets another user's privileges by copying a set-user-ID program.
        ASSERT_EQ(::chmod(source.constData(), 06751), 0);
        ASSERT_TRUE(Copy("photo.jpg", "copy.jpg", true).Ok());
        EXPECT_EQ(StatOf(folder.File("copy.jpg")).st_mode & 07777, 0751u);
        EXPECT_EQ(Entries(folder.Path()), "copy.jpg, empty.jpg, empty2.jpg, photo.jpg, pieces.jpg");
    }

    TEST_F(CopyFile, RefusalsAndCopiesOntoTheSameFileWriteNothing)
    {
        folder.Write("photo.jpg", "new photo");
        folder.Write("target.jpg", "old photo");
        ASSERT_TRUE(QFile::link(folder.File("nowhere.jpg"), folder.File("dangling.jpg")));
        ASSERT_EQ(::link(QFile::encodeName(folder.File("photo.jpg")).constData(),
                      QFile::encodeName(folder.File("hard.jpg")).constData()),
            0);
        ASSERT_TRUE(QFile::link(folder.File("photo.jpg"), folder.File("soft.jpg")));
        ASSERT_TRUE(QDir(folder.Path()).mkdir("album"));
        ASSERT_TRUE(QDir(folder.Path()).mkdir("album.jpg"));
        // Nobody ever writes to this pipe: opening or reading it the ordinary way would hang.
        ASSERT_EQ(::mkfifo(QFile::encodeName(folder.File("pipe.jpg")).constData(), 0600), 0);
        const struct {
            QString source, target;
            bool overwrite;
            int number; // 0: success
        } cases[] = {
            { "photo.jpg", "target.jpg", false, 58 },
            { "photo.jpg", "dangling.jpg", false, 58 }, // a link to nowhere still holds the name
            { "gone.jpg", "copy.jpg", true, 53 },
            { "photo.jpg", "no/copy.jpg", false, 76 },
            { "photo.jpg", "album", true, 75 },
            { "pipe.jpg", "copy.jpg", true, 75 },
            { "album.jpg", "copy.jpg", true, 75 },
            { "/dev/zero", "copy.jpg", true, 75 },
            // Opening the target for writing, as a naive copy does, would empty the only copy.
            { "photo.jpg", "photo.jpg", false, 0 },
            { "photo.jpg", "photo.jpg", true, 0 },
            { "photo.jpg", "hard.jpg", false, 0 },
            { "photo.jpg", "hard.jpg", true, 0 },
            { "photo.jpg", "soft.jpg", false, 0 },
            { "photo.jpg", "soft.jpg", true, 0 },
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(
                qPrintable(c.source + " to " + c.target + (c.overwrite ? ", replacing" : "")));
            const FileError error = Copy(c.source, c.target, c.overwrite);
            EXPECT_EQ(error.number, c.number);
            EXPECT_EQ(error.description.isEmpty(), c.number == 0);
            EXPECT_EQ(folder.Read("photo.jpg").toStdString(), "new photo");
        }
        EXPECT_EQ(disk.written, 0);
        EXPECT_EQ(folder.Read("target.jpg").toStdString(), "old photo");
        EXPECT_EQ(QFile::symLinkTarget(folder.File("dangling.jpg")), folder.File("nowhere.jpg"));
        EXPECT_TRUE(QFileInfo(folder.File("soft.jpg")).isSymLink());
        EXPECT_EQ(Entries(folder.File("album")), "");
        EXPECT_EQ(Entries(folder.Path()),
            "album, album.jpg, dangling.jpg, hard.jpg, photo.jpg, pipe.jpg, soft.jpg, target.jpg");

        ASSERT_TRUE(Copy("photo.jpg", "target.jpg", true).Ok());
        EXPECT_EQ(folder.Read("target.jpg").toStdString(), "new photo"); // now the same bytes
        EXPECT_TRUE(disk.IsSameFile(folder.File("photo.jpg"), folder.File("soft.jpg")));
        EXPECT_TRUE(disk.IsSameFile(folder.File("photo.jpg"), folder.File("./photo.jpg")));
        EXPECT_FALSE(disk.IsSameFile(folder.File("photo.jpg"), folder.File("target.jpg")));
        EXPECT_FALSE(disk.IsSameFile(folder.File("gone.jpg"), folder.File("gone.jpg")));
    }

    TEST_F(CopyFile, AFullDiskOrARaceLeavesNoPartialFileAndKeepsWhatWasThere)
    {
        const QByteArray photo = Pattern(3 * 1000 * 1000);
        folder.Write("photo.jpg", photo);
        disk.capacity = photo.size() / 2;
        EXPECT_EQ(Copy("photo.jpg", "copy.jpg", false).number, 61);
        EXPECT_EQ(disk.written, photo.size() / 2);
        EXPECT_EQ(Entries(folder.Path()), "photo.jpg");

        folder.Write("copy.jpg", "old copy");
        disk.written = 0;
        EXPECT_EQ(Copy("photo.jpg", "copy.jpg", true).number, 61);
        EXPECT_EQ(folder.Read("copy.jpg").toStdString(), "old copy");
        EXPECT_TRUE(folder.Read("photo.jpg") == photo);
        EXPECT_EQ(Entries(folder.Path()), "copy.jpg, photo.jpg");

        // A name another program takes while the copy runs is kept.
        disk.capacity = std::numeric_limits<qint64>::max();
        disk.racer = folder.File("taken.jpg");
        EXPECT_EQ(Copy("photo.jpg", "taken.jpg", false).number, 58);
        EXPECT_EQ(folder.Read("taken.jpg").toStdString(), "the other program's file");
        // Where a rename cannot refuse to replace, a hard link claims the name just as safely.
        disk.noReplaceUnsupported = true;
        EXPECT_TRUE(Copy("photo.jpg", "linked.jpg", false).Ok());
        EXPECT_TRUE(folder.Read("linked.jpg") == photo);
        disk.racer = folder.File("raced.jpg");
        EXPECT_EQ(Copy("photo.jpg", "raced.jpg", false).number, 58);
        EXPECT_EQ(folder.Read("raced.jpg").toStdString(), "the other program's file");
        EXPECT_EQ(Entries(folder.Path()), "copy.jpg, linked.jpg, photo.jpg, raced.jpg, taken.jpg");
    }

    TEST_F(CopyFile, AReadOnlyFolderIsPermissionDenied)
    {
        if (::geteuid() == 0)
            GTEST_SKIP() << "root may write into any folder";
        folder.Write("photo.jpg", "photo");
        ASSERT_TRUE(QDir(folder.Path()).mkdir("locked"));
        const QByteArray locked = QFile::encodeName(folder.File("locked"));
        ASSERT_EQ(::chmod(locked.constData(), 0555), 0);
        EXPECT_EQ(Copy("photo.jpg", "locked/copy.jpg", false).number, 70);
        ::chmod(locked.constData(), 0755);
        EXPECT_EQ(Entries(folder.File("locked")), "");
    }

    TEST_F(CopyFile, ReadOnlyAndRealFullFileSystemsLeaveNothingBehind)
    {
        folder.Write("photo.jpg", Pattern(1024 * 1024));
        const struct {
            const char* options;
            unsigned long flags;
            int number;
        } cases[] = { { "size=64k", MS_RDONLY, 70 }, { "size=512k", 0, 61 } };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.options);
            ASSERT_TRUE(QDir(folder.Path()).mkpath("card"));
            const ScratchMount card(folder.File("card"), c.options, c.flags);
            if (!card.Mounted())
                GTEST_SKIP() << "mounting needs root with CAP_SYS_ADMIN";
            EXPECT_EQ(Copy("photo.jpg", "card/copy.jpg", false).number, c.number);
            EXPECT_EQ(Entries(folder.File("card")), "");
        }
    }

} // namespace
} // namespace gb::test
