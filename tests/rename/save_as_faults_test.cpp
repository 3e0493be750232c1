// Save As (a copy, or a move with "Delete Original") under every fault a copy can meet: the
// displayed picture stays whole where it was, a file the new name would have replaced keeps its
// bytes, nothing temporary is left, and the user is told once.
#include "injected_fault.h"
#include "rename_harness.h"
#include "support/disk_checks.h"

namespace gb::test {
namespace {

    // `replacing`: the chosen name is an existing file the user agreed to replace.
    void SaveAsWithFault(Fault fault, bool move, bool replacing)
    {
        SCOPED_TRACE(std::string(ReasonFor(fault)) + (move ? ", move" : ", copy")
            + (replacing ? ", replacing a file" : ", new name"));
        TempFolder out;
        const QString destination = out.File("dest"), away = out.File("away");
        ASSERT_TRUE(QDir().mkpath(destination));
        const QString chosen = QDir(destination).filePath("chosen.bmp");
        const QByteArray existing = "the file the user agreed to replace";
        if (replacing)
            out.Write("dest/chosen.bmp", existing);
        InjectedFault files(fault, 1, destination, away);
        RenameHarness h(&files);
        h.Select({ "a.bmp", "b.bmp" });
        const QByteArray original = h.photos.Read("a.bmp");
        h.dialogs.saveAnswers = { chosen };
        h.WhileOpen([&] {
            h.Get<QCheckBox>("chkDeleteOrig")->setChecked(move);
            h.Click("cmdSaveAs");
            EXPECT_EQ(h.Source(), h.photos.File("a.bmp"));
        });
        EXPECT_TRUE(files.Fired());

        EXPECT_EQ(h.photos.Read("a.bmp"), original);
        EXPECT_EQ(Entries(h.photos.Path()), QStringList({ "a.bmp", "b.bmp" }));
        EXPECT_EQ(h.Paths(), QStringList({ h.photos.File("a.bmp"), h.photos.File("b.bmp") }));
        const bool vanished = fault == Fault::FolderVanishes;
        const QString landed = vanished ? away : destination;
        EXPECT_EQ(Entries(out.Path()), QStringList({ vanished ? "away" : "dest" }));
        EXPECT_EQ(Entries(landed), replacing ? QStringList({ "chosen.bmp" }) : QStringList());
        if (replacing) {
            EXPECT_EQ(ReadAll(QDir(landed).filePath("chosen.bmp")), existing);
        }
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        const QString message = h.dialogs.messages[0].prompt;
        EXPECT_TRUE(message.contains(ReasonFor(fault)) && message.contains(chosen))
            << message.toStdString();
    }

    TEST(SaveAsFaults, EveryFaultKeepsTheOriginalAndTheFileItWouldReplace)
    {
        for (const Fault fault : { Fault::DiskFull, Fault::WriteDenied, Fault::ReadOnlyAtRename,
                 Fault::FolderVanishes, Fault::ReadError })
            for (const bool move : { false, true })
                for (const bool replacing : { false, true })
                    SaveAsWithFault(fault, move, replacing);
    }

} // namespace
} // namespace gb::test
