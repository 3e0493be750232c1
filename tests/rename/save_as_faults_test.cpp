// Save As (a copy, or a move with "Delete Original") under every fault a copy can meet: the
// displayed picture stays whole where it was, a file the new name would have replaced keeps its
// bytes, nothing temporary is left, and the user is told once.
#include "injected_fault.h"
#include "rename_harness.h"

#include <QDir>

namespace gb::test {
namespace {

    QStringList Everything(const QString& folder)
    {
        return QDir(folder).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }

    struct SaveCase {
        Fault fault;
        bool move; // "Delete Original File After Renaming" ticked
        bool replacing; // the chosen name is an existing file the user agreed to replace
    };

    std::string Describe(const SaveCase& c)
    {
        return std::string(ReasonFor(c.fault)) + (c.move ? ", move" : ", copy")
            + (c.replacing ? ", replacing a file" : ", new name");
    }

    void SaveAsWithFault(const SaveCase& c)
    {
        SCOPED_TRACE(Describe(c));
        TempFolder out;
        const QString destination = out.File("dest");
        const QString away = out.File("away");
        ASSERT_TRUE(QDir().mkpath(destination));
        const QString chosen = QDir(destination).filePath("chosen.bmp");
        const QByteArray existing = "the file the user agreed to replace";
        if (c.replacing) {
            QFile file(chosen);
            ASSERT_TRUE(file.open(QIODevice::NewOnly));
            file.write(existing);
        }
        InjectedFault files(c.fault, 1, destination, away);
        RenameHarness h(&files);
        h.Select({ "a.bmp", "b.bmp" });
        const QByteArray original = h.photos.Read("a.bmp");
        h.dialogs.saveAnswers = { chosen };
        h.WhileOpen([&] {
            h.Get<QCheckBox>("chkDeleteOrig")->setChecked(c.move);
            h.Click("cmdSaveAs");
            EXPECT_EQ(h.Source(), h.photos.File("a.bmp"));
        });
        EXPECT_TRUE(files.Fired());

        EXPECT_EQ(h.photos.Read("a.bmp"), original);
        EXPECT_EQ(Everything(h.photos.Path()), QStringList({ "a.bmp", "b.bmp" }));
        EXPECT_EQ(h.Paths(), QStringList({ h.photos.File("a.bmp"), h.photos.File("b.bmp") }));
        const bool vanished = c.fault == Fault::FolderVanishes;
        const QString landed = vanished ? away : destination;
        EXPECT_EQ(Everything(out.Path()), QStringList({ vanished ? "away" : "dest" }));
        if (c.replacing) {
            EXPECT_EQ(Everything(landed), QStringList({ "chosen.bmp" }));
            QFile kept(QDir(landed).filePath("chosen.bmp"));
            EXPECT_TRUE(kept.open(QIODevice::ReadOnly) && kept.readAll() == existing);
        } else {
            EXPECT_EQ(Everything(landed), QStringList());
        }
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        const QString message = h.dialogs.messages[0].prompt;
        EXPECT_TRUE(message.contains(ReasonFor(c.fault))) << message.toStdString();
        EXPECT_TRUE(message.contains(chosen)) << message.toStdString();
    }

    TEST(SaveAsFaults, EveryFaultKeepsTheOriginalAndTheFileItWouldReplace)
    {
        for (const Fault fault : { Fault::DiskFull, Fault::WriteDenied, Fault::ReadOnlyAtRename,
                 Fault::FolderVanishes, Fault::ReadError })
            for (const bool move : { false, true })
                for (const bool replacing : { false, true })
                    SaveAsWithFault({ fault, move, replacing });
    }

} // namespace
} // namespace gb::test
