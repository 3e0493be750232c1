#include "rename_harness.h"
#include "support/scratch_mount.h"

#include <QDir>
#include <cerrno>

namespace gb::test {
namespace {

    // File operations whose disk fills up after `budget` bytes of copies.
    class FillingDisk : public platform::LinuxFileOperations {
    public:
        explicit FillingDisk(qint64 budget)
            : budget_(budget)
        {
        }

    protected:
        ssize_t WriteBytes(int fd, const char* data, size_t size) override
        {
            if (budget_ <= 0) {
                errno = ENOSPC;
                return -1;
            }
            const size_t allowed = std::min<size_t>(size, static_cast<size_t>(budget_));
            budget_ -= static_cast<qint64>(allowed);
            return LinuxFileOperations::WriteBytes(fd, data, allowed);
        }

    private:
        qint64 budget_;
    };

    constexpr int FileCount = 20;

    QImage Noise(int seed)
    {
        // Incompressible content, so every file really takes its size on disk.
        QImage image(64, 64, QImage::Format_RGB32);
        quint32 state = static_cast<quint32>(seed) * 2654435761u + 1;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                image.setPixel(x, y, (state = state * 1664525u + 1013904223u));
        return image;
    }

    // Moves twenty pictures into `destination` and checks that whatever happened, every picture
    // still exists whole exactly once: as its original or as a complete copy.
    void MoveAndCheckNothingLost(RenameHarness& h, const QString& destination)
    {
        QStringList names;
        QHash<QString, QByteArray> contents;
        for (int i = 0; i < FileCount; ++i) {
            const QString name = QStringLiteral("p%1.bmp").arg(i, 2, 10, QChar('0'));
            names << name;
            contents.insert(name, tools::WriteBmp(Noise(i)));
        }
        h.Select(names);
        for (const QString& name : names)
            h.photos.Write(name, contents.value(name));
        h.WhileOpen([&] {
            h.SetUpBatch("Moved", "1", destination);
            h.Get<QCheckBox>("chkDeleteOrig")->setChecked(true);
            h.Click("cmdBatch");
        });
        ASSERT_EQ(h.dialogs.messages.size(), 1u) << "the stopped run is reported";
        EXPECT_TRUE(h.dialogs.messages[0].prompt.contains("Disk full"));

        const QStringList copies = QDir(destination).entryList(QDir::Files | QDir::Hidden);
        const QStringList originals = QDir(h.photos.Path()).entryList(QDir::Files | QDir::Hidden);
        EXPECT_EQ(copies.size() + originals.size(), FileCount) << "no partial or temporary files";
        EXPECT_LT(copies.size(), FileCount);
        EXPECT_GT(copies.size(), 0);
        for (int i = 0; i < FileCount; ++i) {
            const QString name = names[i];
            const QString copy = QStringLiteral("Moved%1.bmp").arg(i + 1);
            QFile copied(QDir(destination).filePath(copy));
            if (copied.open(QIODevice::ReadOnly)) {
                EXPECT_EQ(copied.readAll(), contents.value(name)) << copy.toStdString();
                EXPECT_FALSE(originals.contains(name)) << name.toStdString();
            } else {
                EXPECT_EQ(h.photos.Read(name), contents.value(name)) << name.toStdString();
            }
        }
    }

    TEST(BatchFaults, DiskFillingUpMidMoveLosesNothing)
    {
        const qint64 fileSize = tools::WriteBmp(Noise(0)).size();
        FillingDisk disk(9 * fileSize + fileSize / 2); // the tenth copy runs out of room half-way
        RenameHarness h(&disk);
        TempFolder out;
        MoveAndCheckNothingLost(h, out.Path());
    }

    TEST(BatchFaults, RealFullFileSystemMidMoveLosesNothing)
    {
        RenameHarness h;
        TempFolder out;
        ScratchMount small(out.Path(), "size=160k");
        if (!small.Mounted())
            GTEST_SKIP() << "mounting a tmpfs needs root with CAP_SYS_ADMIN";
        MoveAndCheckNothingLost(h, out.Path());
    }

} // namespace
} // namespace gb::test
