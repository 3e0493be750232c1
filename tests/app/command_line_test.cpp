#include "app/command_line.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <utility>

namespace gb::app {
namespace {

    // What was understood, as "folder|contact sheet|columns|screenshot|help", or the error.
    std::string Understood(const QStringList& arguments)
    {
        const CommandLine c = ParseCommandLine(arguments);
        if (!c.error.isEmpty())
            return c.error.toStdString();
        return QStringList { c.folder, c.contactSheet, QString::number(c.columns), c.screenshot,
            c.showHelp ? "help" : "" }
            .join('|')
            .toStdString();
    }

    TEST(CommandLine, UnderstandsEachFormAndNamesEachMistake)
    {
        const QString range = "--columns needs a whole number from 1 to 1000";
        const std::pair<QStringList, QString> cases[]
            = { { {}, "||8||" }, { { "/photos" }, "/photos||8||" }, { { "-x" }, "-x||8||" },
                  { { "--contact-sheet", "out.png", "--columns", "5", "/p" }, "/p|out.png|5||" },
                  { { "--columns", "1", "--contact-sheet", "o", "/p" }, "/p|o|1||" },
                  { { "--columns", "1000", "--contact-sheet", "o", "/p" }, "/p|o|1000||" },
                  { { "--screenshot", "w.png", "/p" }, "/p||8|w.png|" },
                  { { "--screenshot", "w.png" }, "||8|w.png|" }, { { "--help" }, "||8||help" },
                  { { "/p", "-h" }, "/p||8||help" }, { { "--", "--odd" }, "--odd||8||" },
                  { { "--" }, "--||8||" }, { { "--columns", "0", "/p" }, range },
                  { { "--columns", "1001", "/p" }, range }, { { "--columns", "x" }, range },
                  { { "--columns" }, "--columns needs a value" },
                  { { "--contact-sheet" }, "--contact-sheet needs a value" },
                  { { "--screenshot", "", "/p" }, "--screenshot needs a value" },
                  { { "--contact-sheet", "o.png" }, "--contact-sheet needs a FOLDER" },
                  { { "--contact-sheet", "o", "--screenshot", "w", "/p" },
                      "--contact-sheet and --screenshot cannot be combined" },
                  { { "--frobnicate", "--more" }, "unknown option --frobnicate" },
                  { { "/a", "/b" }, "only one folder can be opened" } };
        for (const auto& [arguments, understood] : cases)
            EXPECT_EQ(Understood(arguments), understood.toStdString())
                << qPrintable(arguments.join(' '));
    }

    TEST(CommandLine, APictureArgumentOpensItsFolder)
    {
        test::TempFolder folder;
        folder.Write("a.jpg", "");
        EXPECT_EQ(FolderToOpen(folder.File("a.jpg")), folder.Path());
        EXPECT_EQ(FolderToOpen(folder.Path()), folder.Path());
        EXPECT_EQ(FolderToOpen("relative/folder"), QDir::current().filePath("relative/folder"));
    }

} // namespace
} // namespace gb::app
