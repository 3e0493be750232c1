#include "platform/linux_file_operations.h"
#include "support/disk_checks.h"
#include "support/scratch_mount.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <sys/mount.h>

namespace gb::test {
namespace {

    using platform::LinuxFileOperations;

    // A file nobody may write to is read-only and kept unless forced, even for root; a link
    // goes, never what it points to. On a read-only disk the user is told about the disk.
    TEST(DeleteFile, RemovesForGoodButKeepsReadOnlyFilesUnlessForced)
    {
        TempFolder folder;
        folder.Write("locked.jpg", "keep me");
        ::chmod(QFile::encodeName(folder.File("locked.jpg")).constData(), 0444);
        ASSERT_TRUE(QFile::link(folder.File("locked.jpg"), folder.File("link.jpg")));
        ASSERT_TRUE(QFile::link(folder.File("gone.jpg"), folder.File("dangling.jpg")));
        ASSERT_TRUE(QDir(folder.Path()).mkpath("album.jpg") && QDir(folder.Path()).mkpath("card"));
        const ScratchMount card(folder.File("card"), "size=64k");
        folder.Write("card/photo.jpg", "on a card");
        const QByteArray cardPath = QFile::encodeName(folder.File("card"));
        ASSERT_EQ(card.Mounted(),
            ::mount(nullptr, cardPath, nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0);
        const auto refusal
            = [](int error) { return LinuxFileOperations::FromErrno(error).description; };
        const std::tuple<const char*, bool, int, QString> cases[]
            = { { "gone.jpg", true, 53, refusal(ENOENT) },
                  { "album.jpg", true, 75, "Path/File access error (it is a folder)" },
                  { "locked.jpg", false, 70, "Permission denied (the file is read-only)" },
                  { "link.jpg", false, 0, "" }, { "dangling.jpg", false, 0, "" },
                  { "card/photo.jpg", false, 70, refusal(EROFS) },
                  { "card/photo.jpg", true, 70, refusal(EROFS) }, { "locked.jpg", true, 0, "" } };
        LinuxFileOperations files;
        for (const auto& [name, force, number, description] : cases) {
            if (!card.Mounted() && QByteArray(name).startsWith("card/"))
                continue; // mounting needs root with CAP_SYS_ADMIN
            const mode_t before = LinkMode(folder.File(name));
            const platform::FileError error = files.DeleteFile(folder.File(name), force);
            EXPECT_EQ(std::tuple(error.number, error.description, LinkMode(folder.File(name))),
                std::tuple(number, description, number == 0 ? 0 : before))
                << name;
            EXPECT_EQ(folder.Read("locked.jpg"), force && number == 0 ? "" : "keep me");
        }
        EXPECT_EQ(Entries(folder.Path()), QStringList({ "album.jpg", "card" }));
    }

} // namespace
} // namespace gb::test
