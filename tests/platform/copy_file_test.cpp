#include "platform/linux_file_operations.h"
#include "platform/staged_file.h"
#include "support/disk_checks.h"
#include "support/fault_injecting_files.h"
#include "support/scratch_mount.h"
#include "support/temp_folder.h"
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>

namespace gb::test {
namespace {

    class CopyFile : public ::testing::Test {
    protected:
        int Copy(const QString& from, const QString& to, bool overwrite)
        {
            const auto error = disk_.CopyFile(folder_.File(from), folder_.File(to), overwrite);
            EXPECT_EQ(error.description.isEmpty(), error.Ok());
            return error.number;
        }
        std::string List(const QString& sub = {}) const
        {
            return Entries(folder_.File(sub)).join(' ').toStdString();
        }
        QByteArray Native(const QString& n) const { return QFile::encodeName(folder_.File(n)); }
        TempFolder folder_;
        FaultInjectingFiles disk_;
    };

    TEST_F(CopyFile, CompletesOrLeavesNoTraceAndKeepsWhatWasThere)
    {
        // Bytes whose period (251) divides no buffer size: a lost or doubled piece shows.
        QByteArray photo(3 * 1000 * 1000 + 17, Qt::Uninitialized);
        for (qsizetype i = 0; i < photo.size(); ++i)
            photo[i] = char((i % 251) ^ (i >> 12));
        folder_.Write("photo.jpg", photo);
        const struct timespec times[2] = { { 1000000000, 5 }, { 1234567890, 987654321 } };
        ASSERT_EQ(::utimensat(AT_FDCWD, Native("photo.jpg").constData(), times, 0), 0);
        // Nobody gets another user's privileges by copying a set-user-ID program.
        ASSERT_EQ(::chmod(Native("photo.jpg").constData(), 06741), 0);
        folder_.Write("copy.jpg", "old copy");
        ASSERT_TRUE(QDir(folder_.Path()).mkdir("card"));
        using Meanwhile = void (*)(const TempFolder&);
        const Meanwhile race = [](const TempFolder& f) { f.Write("taken.jpg", "the other's"); };
        const Meanwhile move = [](const TempFolder& f) { QDir(f.Path()).rename("card", "moved"); };
        const QString longName(NAME_MAX, 'n'); // the temporary name must still fit
        const std::tuple<DiskFaults, QString, bool, int, Meanwhile> cases[]
            = { { {}, "card/new.jpg", false, 0, nullptr },
                  { { .piece = 4099, .interrupt = true }, "card/" + longName, false, 0, nullptr },
                  { { .noReplace = true }, "card/new2.jpg", false, 0, nullptr },
                  { { .capacity = 1000 * 1000 }, "new.jpg", false, 61, nullptr },
                  { { .capacity = 1000 * 1000 }, "copy.jpg", true, 61, nullptr },
                  { { .readable = 2000 * 1000 }, "copy.jpg", true, 75, nullptr },
                  { {}, "taken.jpg", false, 58, race },
                  { { .noReplace = true }, "taken.jpg", false, 58, race },
                  { {}, "card/new3.jpg", true, 76, move } };
        for (const auto& [faults, target, overwrite, number, meanwhile] : cases) {
            SCOPED_TRACE(qPrintable(target));
            QFile::remove(folder_.File("taken.jpg"));
            disk_ = FaultInjectingFiles();
            static_cast<DiskFaults&>(disk_) = faults;
            const auto& other = meanwhile; // clang 14 lambdas may not capture a binding
            disk_.meanwhile = [&] { other ? other(folder_) : void(); };
            EXPECT_EQ(Copy("photo.jpg", target, overwrite), number);
            EXPECT_EQ(List(),
                meanwhile == race ? "card copy.jpg photo.jpg taken.jpg"
                    : meanwhile   ? "copy.jpg moved photo.jpg"
                                  : "card copy.jpg photo.jpg");
            EXPECT_TRUE(
                folder_.Read("copy.jpg") == "old copy" && folder_.Read("taken.jpg") != photo);
            if (QDir(folder_.Path()).rename("moved", "card")) { // the held folder lost its copy too
                EXPECT_EQ(List("card"), "new.jpg new2.jpg " + longName.toStdString());
            }
            struct stat copy { };
            if (number == 0 && ::stat(Native(target).constData(), &copy) == 0) {
                EXPECT_TRUE(folder_.Read(target) == photo);
                EXPECT_EQ(
                    std::tuple(copy.st_mtim.tv_sec, copy.st_mtim.tv_nsec, copy.st_mode & 07777),
                    std::tuple(1234567890, 987654321, 0741u));
            }
        }
        EXPECT_TRUE(folder_.Read("photo.jpg") == photo);
    }

    // Real disks, not injected faults: one mounted read-only, one too small for the photo.
    TEST_F(CopyFile, AReadOnlyOrFullDiskKeepsNothingOfTheCopy)
    {
        folder_.Write("photo.jpg", QByteArray(1000 * 1000, 'p'));
        for (const char* sub : { "ro", "small" })
            ASSERT_TRUE(QDir(folder_.Path()).mkdir(sub));
        const ScratchMount readOnly(folder_.File("ro"), "size=64k", MS_RDONLY),
            small(folder_.File("small"), "size=512k");
        if (!readOnly.Mounted() || !small.Mounted())
            GTEST_SKIP() << "mounting a scratch disk needs root with CAP_SYS_ADMIN";
        EXPECT_EQ(Copy("photo.jpg", "ro/new.jpg", false), 70);
        EXPECT_EQ(Copy("photo.jpg", "small/new.jpg", false), 61);
        EXPECT_EQ(List("ro"), "");
        EXPECT_EQ(List("small"), "");
    }

    // Which file failed and the system's own words: the photo on a failing card, the copy (or a
    // file written whole) on a full disk. What was there stays, and nothing temporary.
    TEST_F(CopyFile, SaysWhichSideFailedAndWhy)
    {
        folder_.Write("photo.jpg", QByteArray(100 * 1000, 'p'));
        folder_.Write("copy.jpg", "old copy");
        using platform::FileSide;
        const std::tuple<Fault, bool, int, FileSide, int> cases[]
            = { { Fault::ReadError, false, 75, FileSide::Original, EIO },
                  { Fault::DiskFull, false, 61, FileSide::Copy, ENOSPC },
                  { Fault::DiskFull, true, 61, FileSide::Copy, ENOSPC } };
        for (const auto& [fault, write, number, side, error] : cases) {
            disk_ = FaultInjectingFiles();
            disk_.fault = fault;
            const platform::FileError result = write
                ? disk_.WriteFile(folder_.File("copy.jpg"), folder_.Read("photo.jpg"))
                : disk_.CopyFile(folder_.File("photo.jpg"), folder_.File("copy.jpg"), true);
            EXPECT_EQ(result.number, number) << write;
            EXPECT_EQ(result.side, side) << write;
            EXPECT_EQ(result.reason, QString::fromLocal8Bit(std::strerror(error))) << write;
            EXPECT_EQ(List(), "copy.jpg photo.jpg") << write;
            EXPECT_EQ(folder_.Read("copy.jpg"), "old copy") << write;
        }
    }

    // What a crash or an exit left of a copy goes with the next copy into its folder, old or
    // new. A temporary file still growing (another copy at work), another user's, and names only
    // like ours stay.
    TEST_F(CopyFile, ClearsAwayWhatACrashLeftOfACopy)
    {
        folder_.Write("photo.jpg", "photo");
        platform::StagedFile atWork;
        ASSERT_EQ(atWork.Create(Native("a"), platform::Durability::UserData), 0);
        const QStringList names { ".photo.jpg.glimmerbox-Ab3dE9", ".exit.jpg.glimmerbox-Fresh1",
            ".b.glimmerbox-Other1", ".c.glimmerbox-Ab3d_9", ".glimmerbox-Ab3dE9",
            "d.glimmerbox-Ab3dE9" };
        const struct timespec old[2] = { { 1000000000, 0 }, { 1000000000, 0 } };
        for (const QString& name : names) {
            folder_.Write(name, "left over");
            if (name != names[1]) {
                ASSERT_EQ(::utimensat(AT_FDCWD, Native(name).constData(), old, 0), 0);
            }
        }
        if (::chown(Native(names[2]).constData(), 4321, 4321) != 0)
            GTEST_SKIP() << "giving a file to another user needs root";
        ASSERT_EQ(Copy("photo.jpg", "copy.jpg", false), 0);
        QStringList kept = names.mid(2)
            + QStringList { QFile::decodeName(atWork.Name()), "copy.jpg", "photo.jpg" };
        kept.sort();
        EXPECT_EQ(Entries(folder_.Path()), kept);
    }

    TEST_F(CopyFile, RefusalsAndCopiesOntoTheSameFileWriteNothing)
    {
        folder_.Write("photo.jpg", "new photo");
        folder_.Write("target.jpg", "old photo");
        ASSERT_TRUE(QFile::link(folder_.File("nowhere.jpg"), folder_.File("dangling.jpg")));
        ASSERT_EQ(::link(Native("photo.jpg").constData(), Native("hard.jpg").constData()), 0);
        ASSERT_TRUE(QFile::link(folder_.File("photo.jpg"), folder_.File("soft.jpg")));
        ASSERT_TRUE(QDir(folder_.Path()).mkpath("album.jpg/inside"));
        // Nobody ever writes to this pipe: opening or reading it the ordinary way would hang.
        ASSERT_TRUE(MakeFifo(folder_.File("pipe.jpg")));
        // Numbers without and with overwrite; 0 is success, -1 not tried.
        const std::tuple<QString, QString, int, int> cases[] = { { "photo.jpg", "target.jpg", 58,
                                                                     -1 },
            { "photo.jpg", "dangling.jpg", 58, -1 }, { "gone.jpg", "copy.jpg", 53, 53 },
            { "photo.jpg", "no/copy.jpg", 76, 76 }, { "photo.jpg", "photo.jpg/copy.jpg", 76, 76 },
            { "photo.jpg", "album.jpg", 58, 75 }, { "photo.jpg", "no/..", 75, 75 },
            { "photo.jpg", QString("copy.jpg") + QChar(0) + "x", 75, 75 },
            { "pipe.jpg", "copy.jpg", 75, 75 }, { "album.jpg", "copy.jpg", 75, 75 },
            { "/dev/zero", "copy.jpg", 75, 75 },
            // Opening the target for writing, as a naive copy does, would empty the only copy.
            { "photo.jpg", "photo.jpg", 0, 0 }, { "photo.jpg", "hard.jpg", 0, 0 },
            { "photo.jpg", "soft.jpg", 0, 0 } };
        for (const auto& [source, target, keeping, replacing] : cases)
            for (const int overwrite : { 0, int(replacing >= 0) }) {
                EXPECT_EQ(Copy(source, target, overwrite), overwrite ? replacing : keeping)
                    << qPrintable(source + " to " + target) << overwrite;
                EXPECT_EQ(folder_.Read("photo.jpg"), "new photo");
            }
        EXPECT_EQ(disk_.written + disk_.read, 0);
        EXPECT_EQ(List(), "album.jpg dangling.jpg hard.jpg photo.jpg pipe.jpg soft.jpg target.jpg");
        EXPECT_EQ(List("album.jpg") + folder_.Read("target.jpg").toStdString(), "insideold photo");
        EXPECT_EQ(QFile::symLinkTarget(folder_.File("soft.jpg")), folder_.File("photo.jpg"));
        ASSERT_EQ(Copy("photo.jpg", "dangling.jpg", true), 0);
        EXPECT_EQ(folder_.Read("dangling.jpg"), "new photo");
        EXPECT_TRUE(disk_.IsSameFile(folder_.File("photo.jpg"), folder_.File("./soft.jpg"))
            && !disk_.IsSameFile(folder_.File("photo.jpg"), folder_.File("dangling.jpg"))
            && !disk_.IsSameFile(folder_.File("gone.jpg"), folder_.File("gone.jpg")));
    }

} // namespace
} // namespace gb::test
