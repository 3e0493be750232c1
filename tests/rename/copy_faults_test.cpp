// The batch move under every fault a copy can meet, at the disk step it belongs to: every
// picture still exists whole exactly once, nothing partial is left, a taken name is replaced
// only by a complete copy with overwriting on, the selection follows each file, one message.
#include "rename/batch_job.h"
#include "rename_harness.h"
#include "support/disk_checks.h"
#include "support/fault_injecting_files.h"
#include "support/slow_share.h"

#include <QRegularExpression>
#include <QTest>
#include <tuple>

namespace gb::test {
namespace {

    constexpr int kPictures = 8;
    const QList<int> kTakenNumbers { 3, 5, 6 }; // Moved3.bmp ... exist before the batch

    // A batch move of kPictures into `dest` beside `photos`, checked from the disk alone.
    class BatchMove {
    public:
        explicit BatchMove(platform::IFileOperations* files = nullptr)
            : h_(files)
        {
            EXPECT_TRUE(QDir().mkpath(destination));
            for (const int number : kTakenNumbers)
                scratch.Write(QString("dest/Moved%1.bmp").arg(number),
                    QString("someone else's Moved%1.bmp").arg(number).toUtf8());
            QStringList names;
            for (int i = 0; i < kPictures; ++i)
                names << QStringLiteral("p%1.bmp").arg(i);
            h_.Select(names);
            for (const QString& name : names)
                originals_ << h_.photos.Read(name);
        }

        void Run(bool overwrite)
        {
            overwrite_ = overwrite;
            h_.WhileOpen([&] {
                h_.SetUpBatch("Moved", "1", destination);
                h_.Check("chkOverwrite", overwrite);
                h_.Check("chkDeleteOrig", true);
                h_.Click("cmdBatch");
            });
        }

        // `landed`: where the destination folder is now. Returns how many were moved.
        int CheckNothingLost(const QString& landed, const QString& reason)
        {
            QList<int> copies(kPictures, 0);
            const auto tally = [&](const QString& name, int index, bool whole) {
                EXPECT_TRUE(whole && index >= 0) << "partial or misplaced: " << name.toStdString();
                copies[std::max(index, 0)] += whole && index >= 0;
            };
            const QStringList left = Entries(h_.photos.Path());
            for (const QString& name : left) {
                const int index = originals_.indexOf(h_.photos.Read(name));
                tally(name, index, name == QStringLiteral("p%1.bmp").arg(index));
            }
            static const QRegularExpression numbered(QStringLiteral("^Moved[0-9]+\\.bmp$"));
            for (const QString& name : Entries(landed)) {
                const QByteArray bytes = ReadAll(QDir(landed).filePath(name));
                if (bytes == "someone else's " + name.toUtf8())
                    continue;
                EXPECT_TRUE(
                    overwrite_ || !kTakenNumbers.contains(name.mid(5, name.size() - 9).toInt()))
                    << "overwritten: " << name.toStdString();
                tally(name, originals_.indexOf(bytes), numbered.match(name).hasMatch());
            }
            EXPECT_EQ(copies, QList<int>(kPictures, 1));
            // Every entry of the selection names its own picture, wherever it now is.
            const QStringList paths = h_.Paths();
            for (int i = 0; i < kPictures; ++i)
                EXPECT_EQ(ReadAll(QString(paths.value(i)).replace(destination + "/", landed + "/")),
                    originals_[i])
                    << paths.value(i).toStdString();
            const int moved = kPictures - int(left.size());
            EXPECT_EQ(h_.dialogs.messages.size(), reason.isEmpty() ? 0u : 1u);
            // It names the file the batch stopped at, says why and that its original is intact.
            const QStringList told { QString("\"p%1.bmp\": ").arg(moved), reason, "is intact",
                QString("%1 of %2").arg(moved).arg(kPictures) };
            for (const auto& message : h_.dialogs.messages)
                for (const QString& part : told)
                    EXPECT_TRUE(message.prompt.contains(part)) << message.prompt.toStdString();
            return moved;
        }

        TempFolder scratch;
        const QString destination = scratch.File("dest");

    private:
        RenameHarness h_;
        QList<QByteArray> originals_;
        bool overwrite_ = false;
    };

    class BatchMoveFaults : public testing::TestWithParam<std::tuple<Fault, bool, int>> { };

    TEST_P(BatchMoveFaults, EveryPictureSurvivesWholeExactlyOnce)
    {
        const auto [fault, overwrite, failAt] = GetParam();
        FaultInjectingFiles files;
        BatchMove move(&files);
        files.fault = fault;
        files.failAt = failAt;
        files.destination = move.destination;
        files.away = move.scratch.File("away");
        move.Run(overwrite);
        EXPECT_TRUE(files.Fired());
        const bool vanished = fault == Fault::FolderVanishes;
        EXPECT_EQ(Entries(move.scratch.Path()), QStringList({ vanished ? "away" : "dest" }));
        const int moved
            = move.CheckNothingLost(vanished ? files.away : move.destination, ReasonFor(fault));
        EXPECT_LT(moved, kPictures);
    }

    // Copies are counted as the batch tries them: with overwriting off, copies 3, 5 and 6 meet
    // a taken name (and are written before the name is found taken).
    INSTANTIATE_TEST_SUITE_P(Faults, BatchMoveFaults,
        testing::Combine(testing::Values(Fault::DiskFull, Fault::WriteDenied,
                             Fault::ReadOnlyAtRename, Fault::FolderVanishes, Fault::ReadError),
            testing::Bool(), testing::Values(1, 3, 6, 8)));

    // A card pulled out mid-copy takes the partial copy's removal with it: the message names the
    // file, and the next batch into the card, once it answers again, removes it.
    TEST(BatchOnAPulledCard, NamesThePartialCopyAndTheNextBatchRemovesIt)
    {
        if (const QString missing = SlowShare::Missing(); !missing.isEmpty())
            GTEST_SKIP() << "no FUSE share: " << qPrintable(missing);
        const SlowShare card;
        ASSERT_TRUE(card.mounted);
        RenameHarness h;
        h.Select({ "a.bmp" }); // 4,662 bytes: the card goes after the first 3,000
        card.Faults("pull 3000\n");
        const auto batch = [&] {
            h.SetUpBatch("Trip", "1", card.Path());
            h.Click("cmdBatch");
        };
        h.WhileOpen(batch);
        const QStringList left = Entries(card.files.Path()); // before the closed window's sweep
        card.Faults("");
        ASSERT_EQ(left.size(), 1);
        EXPECT_TRUE(left[0].startsWith(".Trip1.bmp.glimmerbox-"));
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_TRUE(
            h.dialogs.messages[0].prompt.contains("\"" + left[0] + "\" could not be removed"))
            << h.dialogs.messages[0].prompt.toStdString();
        h.WhileOpen(batch);
        // The sweep looks for a writer's lock before it removes the file; FUSE hears of that
        // look's close only later, and keeps the removed file as ".fuse_hidden…" until it does.
        static_cast<void>(QTest::qWaitFor(
            [&] { return !Entries(card.files.Path()).join('/').contains(".fuse_hidden"); }, 10000));
        EXPECT_EQ(Entries(card.files.Path()), QStringList({ "Trip1.bmp" }));
    }

    // Which side of a copy failed and the system's reason, when the error says so.
    TEST(CopyFailureText, SaysWhichSideFailedAndWhetherTheOriginalIsIntact)
    {
        using platform::FileSide;
        namespace Number = platform::FileErrorNumber;
        const struct {
            platform::FileError error;
            const char* text;
        } cases[] = {
            { { Number::PathFileAccessError, "Path/File access error", FileSide::Original,
                  "Input/output error", {} },
                "reading the original failed (Input/output error); the original is intact" },
            { { Number::DiskFull, "Disk full", FileSide::Copy, "No space left on device", {} },
                "writing the copy failed (No space left on device); the original is intact" },
            { { Number::PathFileAccessError, "I/O", FileSide::Copy, "Input/output error",
                  ".a.jpg~" },
                "writing the copy failed (Input/output error); the original is intact; its partial "
                "copy \".a.jpg~\" could not be removed" },
            { { Number::PathNotFound, "Path not found (no folder)", FileSide::Copy, "", {} },
                "Path not found (no folder); the original is intact" },
            { { Number::FileNotFound, "File not found", FileSide::Original, "No such file", {} },
                "reading the original failed (No such file)" },
            { { Number::FileNotFound, "File not found", FileSide::None, "", {} },
                "File not found" },
        };
        for (const auto& c : cases)
            EXPECT_EQ(rename::CopyFailureText(c.error), c.text);
    }

} // namespace
} // namespace gb::test
