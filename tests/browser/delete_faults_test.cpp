// Delete when the disk will not cooperate: a ticked file that is already gone, and a folder that
// cannot be changed. Everything that can go goes, every file that stays is named once, and the
// window carries on.
#include "main_window_harness.h"

#include "browser/main_toolbar.h"
#include "browser/thumb_grid.h"
#include "support/disk_checks.h"
#include "support/scratch_mount.h"

#include <QAction>
#include <QFileInfo>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gb::test {
namespace {

    // The real file operations, except that deleting anything directly inside `folder` fails
    // as it does on a read-only file system. Stands in only where a real one cannot be had.
    class ReadOnlyFolderFiles : public platform::LinuxFileOperations {
    public:
        platform::FileError DeleteFile(const QString& path, bool force) override
        {
            struct stat info { };
            if (!folder.isEmpty() && QFileInfo(path).absolutePath() == folder
                && ::lstat(QFile::encodeName(path).constData(), &info) == 0)
                return FromErrno(EROFS);
            return LinuxFileOperations::DeleteFile(path, force);
        }
        QString folder;
    };

    // The main window on a folder of pictures, with the file operations above.
    struct DeleteWindow : TestServices {
        DeleteWindow()
            : TestServices(QString(), &files)
        {
        }
        void Load(const QStringList& names)
        {
            for (const QString& name : names)
                WritePicture(photos, name);
            window.show();
            Reload([&] { window.OpenSourceFolder(photos.Path()); });
        }
        template <typename Action> void Reload(Action action)
        {
            QSignalSpy finished(&window, &browser::frmThumbs::LoadFinished);
            action();
            if (finished.isEmpty()) {
                ASSERT_TRUE(finished.wait(10000));
            }
        }
        void Tick(const QStringList& names)
        {
            for (size_t i = 0; i < window.Cells().size(); ++i)
                if (names.contains(window.Cells()[i].Tag))
                    QTest::mouseClick(&window.Grid(), Qt::LeftButton, {},
                        window.Grid().CellRect(int(i)).center());
        }
        // Answers Yes and waits for the reload that follows the deleting.
        void Delete()
        {
            dialogs.msgBoxAnswers.push_back(platform::MsgBoxResult::Yes);
            Reload([&] { window.Toolbar().Button("Delete")->trigger(); });
        }
        QStringList Shown() const
        {
            QStringList tags;
            for (const browser::ThumbCell& cell : window.Cells())
                tags << cell.Tag;
            return tags;
        }

        ReadOnlyFolderFiles files;
        TempFolder photos;
        browser::frmThumbs window { module1 };
    };

    TEST(DeleteFaults, AFileAlreadyGoneIsNotReportedAndTheOthersAreDeleted)
    {
        DeleteWindow w;
        w.Load({ "a.bmp", "b.bmp", "c.bmp", "d.bmp" });
        w.Tick({ "a.bmp", "b.bmp", "c.bmp" });
        ASSERT_TRUE(QFile::remove(w.photos.File("b.bmp"))); // by another program, unseen
        w.Delete();
        EXPECT_EQ(Entries(w.photos.Path()), QStringList({ "d.bmp" }));
        EXPECT_EQ(w.Shown(), QStringList({ "d.bmp" }));
        ASSERT_EQ(w.dialogs.messages.size(), 1u) << "only the question, no failure";
    }

    // Makes the photos folder read-only in the strongest way this process can: a read-only file
    // system where mounting is allowed, folder permissions where they bind, else the stand-in.
    // Made before the pictures are written, since a tmpfs hides what was in the folder.
    class ReadOnlyPhotos {
    public:
        explicit ReadOnlyPhotos(DeleteWindow& w)
            : w_(w)
            , mount_(w.photos.Path(), "size=1m")
        {
        }
        ~ReadOnlyPhotos() { ::chmod(QFile::encodeName(w_.photos.Path()).constData(), 0700); }

        // Returns the reason the user is to be told.
        QString Apply()
        {
            const QByteArray path = QFile::encodeName(w_.photos.Path());
            if (mount_.Mounted()
                && ::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr)
                    == 0)
                return QString::fromLocal8Bit(std::strerror(EROFS));
            if (::geteuid() != 0 && ::chmod(path.constData(), 0555) == 0)
                return QString::fromLocal8Bit(std::strerror(EACCES));
            w_.files.folder = w_.photos.Path();
            return QString::fromLocal8Bit(std::strerror(EROFS));
        }

    private:
        DeleteWindow& w_;
        ScratchMount mount_;
    };

    TEST(DeleteFaults, ReadOnlyFolderKeepsEveryFileAndNamesEachOnce)
    {
        DeleteWindow w;
        ReadOnlyPhotos readOnly(w);
        w.Load({ "a.bmp", "b.bmp", "c.bmp", "d.bmp" });
        const QByteArray a = w.photos.Read("a.bmp");
        w.Tick({ "a.bmp", "b.bmp", "c.bmp" });
        ASSERT_TRUE(QFile::remove(w.photos.File("b.bmp")));
        const QString reason = readOnly.Apply();
        w.Delete();

        EXPECT_EQ(Entries(w.photos.Path()), QStringList({ "a.bmp", "c.bmp", "d.bmp" }));
        EXPECT_EQ(w.photos.Read("a.bmp"), a);
        EXPECT_EQ(w.Shown(), QStringList({ "a.bmp", "c.bmp", "d.bmp" }));
        for (const browser::ThumbCell& cell : w.window.Cells())
            EXPECT_EQ(cell.Value, 0);
        ASSERT_EQ(w.dialogs.messages.size(), 2u);
        const QString report = w.dialogs.messages[1].prompt;
        // b.bmp is gone, as asked, and d.bmp was not ticked.
        EXPECT_TRUE(report.count("a.bmp") == 1 && report.count("c.bmp") == 1
            && !report.contains("b.bmp") && !report.contains("d.bmp") && report.contains(reason))
            << report.toStdString();
    }

} // namespace
} // namespace gb::test
