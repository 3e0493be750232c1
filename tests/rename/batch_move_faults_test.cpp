// A batch move of a thousand pictures with one fault injected at a random point. Whatever the
// fault, every picture still exists whole exactly once (as its original or as a complete copy),
// nothing partial or temporary is left anywhere, a taken name is only ever replaced by a complete
// copy and only when overwriting is on, and the stop is reported once.
#include "injected_fault.h"
#include "rename_harness.h"
#include "support/disk_checks.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace gb::test {
namespace {

    constexpr int kPictures = 1000;

    QString PictureName(int index)
    {
        return QStringLiteral("p%1.bmp").arg(index, 4, 10, QChar('0'));
    }

    // Small, quick to write and all different: the index is in the pixels.
    const std::vector<QByteArray>& Pictures()
    {
        static const std::vector<QByteArray> pictures = [] {
            std::vector<QByteArray> made;
            for (int i = 0; i < kPictures; ++i) {
                QImage image(8, 8, QImage::Format_RGB32);
                image.fill(qRgb(i & 0xff, i >> 8, 77));
                image.setPixel(i % 8, 0, qRgb(255, 255, 255));
                made.push_back(tools::WriteBmp(image));
            }
            return made;
        }();
        return pictures;
    }

    // Creating and deleting thousands of files takes many times longer on a journalled disk than
    // in memory, so the pictures go to the shared-memory tmpfs where there is one.
    QString ScratchTemplate()
    {
        const QFileInfo memory(QStringLiteral("/dev/shm"));
        const QString folder
            = memory.isDir() && memory.isWritable() ? memory.filePath() : QDir::tempPath();
        return folder + QStringLiteral("/glimmerbox-batch-XXXXXX");
    }

    // One batch move with one fault, checked from the files on disk alone.
    class FaultyMove {
    public:
        FaultyMove(Fault fault, int failAt, bool overwrite)
            : overwrite_(overwrite)
            , files_(fault, failAt, destination_, away_)
            , vanishes_(fault == Fault::FolderVanishes)
        {
            EXPECT_TRUE(scratch_.isValid());
            EXPECT_TRUE(QDir().mkpath(destination_) && QDir().mkpath(photos_));
            // Taken names at the start and around the fault, with contents of their own.
            for (const int number : { 5, 6, failAt, failAt + 1, failAt + 2 }) {
                const QString name = QStringLiteral("Moved%1.bmp").arg(number);
                if (!taken_.contains(name)) {
                    taken_.insert(name, "someone else's " + name.toUtf8());
                    Write(QDir(destination_).filePath(name), taken_.value(name));
                }
            }
            auto selection = std::make_shared<core::Files>();
            for (int i = 0; i < kPictures; ++i) {
                Write(QDir(photos_).filePath(PictureName(i)), Pictures()[size_t(i)]);
                selection->SetItem(PictureName(i), photos_ + "/");
            }
            h_.window.SetFiles(selection);
        }

        void Run()
        {
            h_.WhileOpen([&] {
                h_.SetUpBatch("Moved", "1", destination_);
                h_.Get<QCheckBox>("chkOverwrite")->setChecked(overwrite_);
                h_.Get<QCheckBox>("chkDeleteOrig")->setChecked(true);
                h_.Click("cmdBatch");
            });
            EXPECT_TRUE(files_.Fired());
        }

        void CheckNothingLost(const char* expectedReason)
        {
            std::vector<int> copies(kPictures, 0);
            const int left = CheckOriginals(copies);
            CheckDestination(copies);
            for (int i = 0; i < kPictures; ++i)
                EXPECT_EQ(copies[size_t(i)], 1) << PictureName(i).toStdString();
            EXPECT_EQ(
                Entries(scratch_.path()), QStringList({ vanishes_ ? "away" : "dest", "photos" }));
            CheckSelection();

            ASSERT_EQ(h_.dialogs.messages.size(), 1u) << "the stop is reported once";
            const QString message = h_.dialogs.messages[0].prompt;
            EXPECT_TRUE(message.contains(expectedReason)
                && message.contains(
                    QStringLiteral("%1 of %2").arg(kPictures - left).arg(kPictures)))
                << Text(message);
            EXPECT_GT(left, 0);
        }

    private:
        static void Write(const QString& path, const QByteArray& bytes)
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::NewOnly));
            ASSERT_EQ(file.write(bytes), bytes.size());
        }
        static std::string Text(const QString& text) { return text.toStdString(); }
        QString Landed() const { return vanishes_ ? away_ : destination_; }

        // Only whole originals under their own names; returns how many are left.
        int CheckOriginals(std::vector<int>& copies) const
        {
            const QStringList names = Entries(photos_);
            for (const QString& name : names) {
                const int index = name.mid(1, 4).toInt();
                const bool whole = index >= 0 && index < kPictures && name == PictureName(index)
                    && ReadAll(QDir(photos_).filePath(name)) == Pictures()[size_t(index)];
                EXPECT_TRUE(whole) << "source folder: " << Text(name);
                if (whole)
                    ++copies[size_t(index)];
            }
            return int(names.size());
        }

        // Complete copies under numbered names, and the taken files; nothing else.
        void CheckDestination(std::vector<int>& copies) const
        {
            static const QRegularExpression numbered(QStringLiteral("^Moved[0-9]+\\.bmp$"));
            QHash<QByteArray, int> indexOf;
            for (int i = 0; i < kPictures; ++i)
                indexOf.insert(Pictures()[size_t(i)], i);
            for (const QString& name : Entries(Landed())) {
                const QByteArray bytes = ReadAll(QDir(Landed()).filePath(name));
                if (taken_.contains(name) && bytes == taken_.value(name))
                    continue;
                EXPECT_TRUE(overwrite_ || !taken_.contains(name)) << "overwritten: " << Text(name);
                const bool complete = numbered.match(name).hasMatch() && indexOf.contains(bytes);
                EXPECT_TRUE(complete) << "partial or temporary: " << Text(name);
                if (complete)
                    ++copies[size_t(indexOf.value(bytes))];
            }
        }

        // Every entry of the selection names its picture, wherever it now is.
        void CheckSelection()
        {
            const core::FilesPtr selection = h_.window.Files();
            const QStringList folders = selection->Items(), names = selection->Keys();
            ASSERT_EQ(names.size(), kPictures);
            for (int i = 0; i < kPictures; ++i) {
                QString path = folders[i] + names[i];
                if (vanishes_ && path.startsWith(destination_ + "/"))
                    path = away_ + path.mid(destination_.size());
                EXPECT_EQ(ReadAll(path), Pictures()[size_t(i)]) << Text(path);
            }
        }

        QTemporaryDir scratch_ { ScratchTemplate() };
        const QString photos_ = scratch_.path() + "/photos";
        const QString destination_ = scratch_.path() + "/dest";
        const QString away_ = scratch_.path() + "/away";
        const bool overwrite_;
        InjectedFault files_;
        const bool vanishes_;
        RenameHarness h_ { &files_ };
        QHash<QString, QByteArray> taken_;
    };

    // Fixed seeds keep the runs repeatable; GLIMMERBOX_FAULT_SEED tries another one.
    std::vector<unsigned> Seeds()
    {
        if (const char* chosen = std::getenv("GLIMMERBOX_FAULT_SEED"))
            return { unsigned(std::strtoul(chosen, nullptr, 10)) };
        return { 1, 20240611, 4007 };
    }

    class BatchMoveFaults : public testing::TestWithParam<Fault> { };

    TEST_P(BatchMoveFaults, EveryPictureSurvivesWholeExactlyOnce)
    {
        for (const unsigned seed : Seeds()) {
            std::mt19937 random(seed);
            for (const bool overwrite : { false, true }) {
                const int failAt = std::uniform_int_distribution<int>(1, kPictures)(random);
                std::printf("[ fault    ] seed %u, overwrite %s: fault at copy %d\n", seed,
                    overwrite ? "on" : "off", failAt);
                SCOPED_TRACE(testing::Message() << "seed " << seed << ", overwrite " << overwrite
                                                << ", fault at copy " << failAt);
                FaultyMove move(GetParam(), failAt, overwrite);
                move.Run();
                move.CheckNothingLost(ReasonFor(GetParam()));
            }
        }
    }

    // Disk full half-way through a copy, write denied, the destination turning read-only before
    // the rename or renamed away mid-copy, and an unreadable source.
    INSTANTIATE_TEST_SUITE_P(Faults, BatchMoveFaults,
        testing::Values(Fault::DiskFull, Fault::WriteDenied, Fault::ReadOnlyAtRename,
            Fault::FolderVanishes, Fault::ReadError),
        [](const auto& param) {
            return std::string(std::array { "DiskFull", "WriteDenied", "ReadOnlyAtRename",
                "FolderVanishes", "ReadError" }[param.index]);
        });

} // namespace
} // namespace gb::test
