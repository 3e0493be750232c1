#include "platform/linux_file_operations.h"
#include "support/disk_checks.h"
#include "support/scratch_mount.h"
#include "support/temp_folder.h"

#include <QDir>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace gb::test {
namespace {

    constexpr qint64 kNoLimit = qint64(1) << 40;

    // Bytes whose period (251) divides no buffer size, so a dropped, doubled or reordered chunk
    // shows up as a difference.
    QByteArray Pattern(qsizetype size)
    {
        QByteArray bytes(size, Qt::Uninitialized);
        for (qsizetype i = 0; i < size; ++i)
            bytes[i] = char((i % 251) ^ (i >> 12));
        return bytes;
    }

    // A disk that fills up (and then writes nothing, as some FUSE file systems do), fails to
    // read, moves data in short pieces between signals, or cannot rename without replacing.
    struct Faults {
        qint64 capacity = kNoLimit, readable = kNoLimit;
        size_t piece = kNoLimit;
        bool interrupt = false, noReplace = false;
    };

    class FaultyDisk : public platform::LinuxFileOperations {
    public:
        Faults faults;
        std::function<void()> duringCopy; // another program at work while the copy runs
        qint64 written = 0, read = 0;

    protected:
        ssize_t WriteBytes(int fd, const char* data, size_t size) override
        {
            if (duringCopy)
                std::exchange(duringCopy, nullptr)();
            if (faults.interrupt && calls_++ % 2 == 0)
                return errno = EINTR, -1;
            size = std::min({ size, faults.piece, size_t(faults.capacity - written) });
            const ssize_t result = LinuxFileOperations::WriteBytes(fd, data, size);
            return written += std::max<ssize_t>(result, 0), result;
        }
        ssize_t ReadBytes(int fd, char* data, size_t size) override
        {
            if (faults.interrupt && calls_++ % 2 == 0)
                return errno = EINTR, -1;
            if (read >= faults.readable)
                return errno = EIO, -1;
            const ssize_t got
                = LinuxFileOperations::ReadBytes(fd, data, std::min(size, faults.piece));
            return read += std::max<ssize_t>(got, 0), got;
        }
        int RenameAt(int folderFd, const char* from, const char* to, unsigned flags) override
        {
            if (faults.noReplace && flags != 0)
                return errno = EINVAL, -1;
            return LinuxFileOperations::RenameAt(folderFd, from, to, flags);
        }

    private:
        int calls_ = 0;
    };

    class CopyFile : public ::testing::Test {
    protected:
        int Copy(const QString& from, const QString& to, bool overwrite)
        {
            const auto error = disk.CopyFile(folder.File(from), folder.File(to), overwrite);
            EXPECT_EQ(error.description.isEmpty(), error.Ok());
            return error.number;
        }
        std::string List(const QString& sub = {}) const
        {
            return Entries(folder.File(sub)).join(' ').toStdString();
        }
        QByteArray Native(const QString& name) const
        {
            return QFile::encodeName(folder.File(name));
        }

        TempFolder folder;
        FaultyDisk disk;
    };

    TEST_F(CopyFile, CompletesOrLeavesNoTraceAndKeepsWhatWasThere)
    {
        const QByteArray photo = Pattern(3 * 1000 * 1000 + 17);
        folder.Write("photo.jpg", photo);
        const struct timespec times[2] = { { 1000000000, 5 }, { 1234567890, 987654321 } };
        ASSERT_EQ(::utimensat(AT_FDCWD, Native("photo.jpg").constData(), times, 0), 0);
        // Nobody gets another user's privileges by copying a set-user-ID program.
        ASSERT_EQ(::chmod(Native("photo.jpg").constData(), 06741), 0);
        folder.Write("copy.jpg", "old copy");
        for (const char* sub : { "card", "ro", "small" })
            ASSERT_TRUE(QDir(folder.Path()).mkdir(sub));
        // Root may write into any folder: only a read-only disk refuses it.
        ASSERT_EQ(::chmod(Native("ro").constData(), 0555), 0);
        const ScratchMount readOnly(folder.File("ro"), "size=64k", MS_RDONLY),
            small(folder.File("small"), "size=512k");
        using Meanwhile = void (*)(const TempFolder&);
        const Meanwhile race = [](const TempFolder& f) { f.Write("taken.jpg", "the other's"); };
        const Meanwhile move = [](const TempFolder& f) { QDir(f.Path()).rename("card", "moved"); };
        const QString longName(NAME_MAX, 'n'); // the temporary name must still fit
        const struct {
            Faults faults;
            QString target;
            bool overwrite;
            int number;
            Meanwhile meanwhile = nullptr;
        } cases[] = { { {}, "card/new.jpg", false, 0 },
            { { .piece = 4099, .interrupt = true }, "card/" + longName, false, 0 },
            { { .noReplace = true }, "card/new2.jpg", false, 0 },
            { { .capacity = 1000 * 1000 }, "new.jpg", false, 61 },
            { { .capacity = 1000 * 1000 }, "copy.jpg", true, 61 },
            { { .readable = 2000 * 1000 }, "copy.jpg", true, 75 },
            { {}, "taken.jpg", false, 58, race },
            { { .noReplace = true }, "taken.jpg", false, 58, race },
            { {}, "card/new3.jpg", true, 76, move }, { {}, "ro/new.jpg", false, 70 },
            { {}, "small/new.jpg", false, small.Mounted() ? 61 : 0 } };
        for (const auto& c : cases) {
            SCOPED_TRACE(qPrintable(c.target));
            QFile::remove(folder.File("taken.jpg"));
            disk = FaultyDisk();
            disk.faults = c.faults;
            disk.duringCopy = [&] { c.meanwhile ? c.meanwhile(folder) : void(); };
            EXPECT_EQ(Copy("photo.jpg", c.target, c.overwrite), c.number);
            EXPECT_EQ(List(),
                c.meanwhile == race ? "card copy.jpg photo.jpg ro small taken.jpg"
                    : c.meanwhile   ? "copy.jpg moved photo.jpg ro small"
                                    : "card copy.jpg photo.jpg ro small");
            EXPECT_EQ(folder.Read("copy.jpg"), "old copy");
            EXPECT_NE(folder.Read("taken.jpg"), photo);
            if (QDir(folder.Path()).rename("moved", "card")) { // the held folder lost its copy too
                EXPECT_EQ(List("card"), "new.jpg new2.jpg " + longName.toStdString());
            }
            struct stat copy { };
            if (c.number != 0 || ::stat(Native(c.target).constData(), &copy) != 0)
                continue;
            EXPECT_TRUE(folder.Read(c.target) == photo);
            EXPECT_EQ(copy.st_mtim.tv_sec, 1234567890);
            EXPECT_EQ(copy.st_mtim.tv_nsec, 987654321);
            EXPECT_EQ(copy.st_mode & 07777, 0741u);
        }
        EXPECT_TRUE(folder.Read("photo.jpg") == photo);
        EXPECT_EQ(List("ro"), "");
        EXPECT_EQ(List("small"), small.Mounted() ? "" : "new.jpg");
    }

    TEST_F(CopyFile, RefusalsAndCopiesOntoTheSameFileWriteNothing)
    {
        folder.Write("photo.jpg", "new photo");
        folder.Write("target.jpg", "old photo");
        folder.Write("empty.jpg", "");
        ASSERT_TRUE(QFile::link(folder.File("nowhere.jpg"), folder.File("dangling.jpg")));
        ASSERT_EQ(::link(Native("photo.jpg").constData(), Native("hard.jpg").constData()), 0);
        ASSERT_TRUE(QFile::link(folder.File("photo.jpg"), folder.File("soft.jpg")));
        ASSERT_TRUE(QDir(folder.Path()).mkpath("album.jpg/inside"));
        // Nobody ever writes to this pipe: opening or reading it the ordinary way would hang.
        ASSERT_TRUE(MakeFifo(folder.File("pipe.jpg")));
        const QString withNul = QStringLiteral("copy.jpg") + QChar(0) + "x";
        const struct {
            QString source, target;
            int number, replacing; // 0: success
        } cases[] = { { "photo.jpg", "target.jpg", 58, -1 },
            { "photo.jpg", "dangling.jpg", 58, -1 }, { "gone.jpg", "copy.jpg", 53, 53 },
            { "photo.jpg", "no/copy.jpg", 76, 76 }, { "photo.jpg", "photo.jpg/copy.jpg", 76, 76 },
            { "photo.jpg", "album.jpg", 58, 75 }, { "photo.jpg", "no/..", 75, 75 },
            { "photo.jpg", withNul, 75, 75 }, { "pipe.jpg", "copy.jpg", 75, 75 },
            { "album.jpg", "copy.jpg", 75, 75 }, { "/dev/zero", "copy.jpg", 75, 75 },
            // Opening the target for writing, as a naive copy does, would empty the only copy.
            { "photo.jpg", "photo.jpg", 0, 0 }, { "photo.jpg", "hard.jpg", 0, 0 },
            { "photo.jpg", "soft.jpg", 0, 0 } };
        for (const auto& c : cases)
            for (const int overwrite : { 0, 1 }) {
                SCOPED_TRACE(qPrintable(c.source + " to " + c.target + (overwrite ? " (y)" : "")));
                if (!overwrite || c.replacing >= 0) {
                    EXPECT_EQ(
                        Copy(c.source, c.target, overwrite), overwrite ? c.replacing : c.number);
                }
                EXPECT_EQ(folder.Read("photo.jpg"), "new photo");
            }
        EXPECT_EQ(disk.written + disk.read, 0);
        EXPECT_EQ(List(),
            "album.jpg dangling.jpg empty.jpg hard.jpg photo.jpg pipe.jpg soft.jpg target.jpg");
        EXPECT_EQ(List("album.jpg"), "inside");
        EXPECT_EQ(QFile::symLinkTarget(folder.File("soft.jpg")), folder.File("photo.jpg"));
        ASSERT_EQ(Copy("empty.jpg", "target.jpg", true), 0);
        EXPECT_EQ(folder.Read("target.jpg"), "");
        ASSERT_EQ(Copy("photo.jpg", "dangling.jpg", true), 0);
        EXPECT_EQ(folder.Read("dangling.jpg"), "new photo");
        EXPECT_TRUE(disk.IsSameFile(folder.File("photo.jpg"), folder.File("./soft.jpg")));
        EXPECT_FALSE(disk.IsSameFile(folder.File("photo.jpg"), folder.File("dangling.jpg")));
        EXPECT_FALSE(disk.IsSameFile(folder.File("gone.jpg"), folder.File("gone.jpg")));
    }

} // namespace
} // namespace gb::test
