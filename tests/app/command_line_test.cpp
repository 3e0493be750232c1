#include "app/command_line.h"
#include "samplegen/image_writers.h"
#include "support/temp_folder.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace gb::test {
namespace {

    // What was understood, as "folder|contact sheet|columns|screenshot|help|all types", or the
    // mistake.
    std::string Understood(const QStringList& arguments)
    {
        const app::CommandLine c = app::ParseCommandLine(arguments);
        const QStringList parts { c.folder, c.contactSheet, QString::number(c.columns),
            c.screenshot, c.showHelp ? "help" : "", c.allTypes ? "all" : "" };
        return (c.error.isEmpty() ? parts.join('|') : c.error).toStdString();
    }

    TEST(CommandLine, UnderstandsEachFormAndNamesEachMistake)
    {
        const char* range = "--columns needs a whole number from 1 to 1000";
        const std::pair<QStringList, const char*> cases[] = { { {}, "||8|||" },
            { { "--contact-sheet", "out.png", "--columns", "5", "/p" }, "/p|out.png|5|||" },
            { { "--columns=1", "--contact-sheet=o", "/p" }, "/p|o|1|||" },
            { { "--columns", "1000", "--contact-sheet", "o", "/p" }, "/p|o|1000|||" },
            { { "--columns", "2", "/p" }, "--columns needs --contact-sheet" },
            { { "-platform", "offscreen", "--screenshot", "w.png", "/p", "-style=fusion" },
                "/p||8|w.png||" },
            { { "--screenshot", "w.png" }, "||8|w.png||" }, { { "/p", "-h" }, "/p||8||help|" },
            { { "--", "--odd" }, "--odd||8|||" }, { { "--all-types" }, "||8|||all" },
            { { "--contact-sheet", "o", "--all-types", "/p" }, "/p|o|8|||all" },
            { { "--" }, "||8|||" }, { { "--columns", "0", "/p" }, range },
            { { "--columns", "1001", "/p" }, range }, { { "--columns", "x" }, range },
            { { "--columns" }, "Missing value after '--columns'." },
            { { "--screenshot", "", "/p" }, "--screenshot needs a value" },
            { { "--screenshot=", "/p" }, "--screenshot needs a value" },
            { { "--contact-sheet", "o.png" }, "--contact-sheet needs a FOLDER" },
            { { "--contact-sheet", "o", "--screenshot", "w", "/p" },
                "--contact-sheet and --screenshot cannot be combined" },
            { { "--frobnicate", "--more" }, "Unknown options: frobnicate, more." },
            { { "-x" }, "Unknown option 'x'." }, { { "/a", "/b" }, "/a||8|||" },
            { { "--screenshot", "w", "/a", "/b" },
                "--contact-sheet and --screenshot take one FOLDER" } };
        for (const auto& [arguments, understood] : cases)
            EXPECT_EQ(Understood(arguments), understood) << qPrintable(arguments.join(' '));
        TempFolder folder; // a picture stands for its folder
        folder.Write("a.jpg", "");
        EXPECT_EQ(app::FolderToOpen(folder.File("a.jpg")), folder.Path());
        EXPECT_EQ(app::FolderToOpen(folder.Path() + "/."), folder.Path());
        EXPECT_EQ(
            app::FolderToOpen("relative/folder"), QDir::current().filePath("relative/folder"));
    }

    // The program itself, on a machine whose display cannot be reached: a contact sheet of the
    // loaded pictures, the usage or the version, or exit status 2 on a mistake, never a crash.
    struct Outcome {
        int status;
        std::string out, err;
    };

    // The program run with `arguments` on `display`, with a private runtime folder so that Qt
    // has nothing to warn about.
    Outcome RunProgram(const QStringList& arguments, const QString& display = ":65000")
    {
        const TempFolder runtime;
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", runtime.Path());
        environment.insert("DISPLAY", display);
        environment.remove("QT_QPA_PLATFORM");
        environment.remove("WAYLAND_DISPLAY");
        process.setProcessEnvironment(environment);
        process.start(GLIMMERBOX_EXE, arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return Outcome { process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString() };
    }

    TEST(CommandLine, TheProgramWritesAContactSheetOrExitsWithStatus2)
    {
        TempFolder photos;
        for (const auto& [name, colour] :
            { std::pair { "a.bmp", Qt::red }, { "c.gif", Qt::blue }, { "d.bmp", Qt::green } })
            photos.Write(name, tools::WriteByName(name, tools::Solid({ 120, 80 }, colour)));
        photos.Write("b.jpg", "broken");
        const QString sheetPath = photos.File("sheet.png");
        // Qt's own options are Qt's, not a second folder.
        const Outcome made = RunProgram({ "-style", "fusion", "--contact-sheet=" + sheetPath,
            "--columns", "2", photos.Path() });
        EXPECT_EQ(made.status, 0);
        EXPECT_EQ(made.out, "File(s): 3\n");
        // Each picture sits in the middle of its cell's top 64 x 64 square.
        const QImage sheet(sheetPath);
        EXPECT_EQ(sheet.size(), QSize(2 * 89, 2 * 97));
        EXPECT_EQ(sheet.pixel(44, 36), qRgb(255, 0, 0));
        EXPECT_EQ(sheet.pixel(89 + 44, 36), qRgb(0, 0, 255));
        EXPECT_EQ(sheet.pixel(44, 97 + 36), qRgb(0, 255, 0));
        const std::string usage = app::UsageText().toStdString(),
                          nope = photos.File("nope").toStdString();
        const std::tuple<QStringList, int, std::string, std::string> cases[] = {
            { { "--help" }, 0, usage, "" },
            { { "-platform", "offscreen", "--version" }, 0, "Glimmerbox 1.0.3\n", "" },
            // The sheet written above is a PNG: only --all-types lists it.
            { { "--all-types", "--contact-sheet", photos.File("all.png"), photos.Path() }, 0,
                "File(s): 4\n", "" },
            // A PNG opened by name is shown, so every type is, for this run.
            { { "--contact-sheet", photos.File("named.png"), photos.File("sheet.png") }, 0,
                "File(s): 5\n", "" },
            { { "--help", "--bogus" }, 2, "",
                "glimmerbox: Unknown option 'bogus'.\n"
                "Try 'glimmerbox --help' for more information.\n" },
            { { "--contact-sheet", photos.File("x.png"), photos.File("nope") }, 2, "",
                "glimmerbox: cannot open the folder \"" + nope + "\"\n" },
        };
        for (const auto& [arguments, status, out, err] : cases) {
            const Outcome outcome = RunProgram(arguments);
            EXPECT_EQ(outcome.status, status) << qPrintable(arguments.join(' '));
            EXPECT_EQ(outcome.out, out) << qPrintable(arguments.join(' '));
            EXPECT_EQ(outcome.err, err) << qPrintable(arguments.join(' '));
        }
        EXPECT_FALSE(QFile::exists(photos.File("x.png")));
    }

    // A display that cannot be opened, named by DISPLAY or by Qt's -display, for the window or
    // for a picture of it; or none at all.
    TEST(CommandLine, WithoutADisplayTheWindowExitsWithStatus1AndSaysWhy)
    {
        const TempFolder photos;
        const std::tuple<QStringList, QString, std::string> deadDisplays[]
            = { { { photos.Path() }, ":65000", "glimmerbox: cannot open display :65000\n" },
                  { { "--screenshot", photos.File("w.png"), photos.Path() }, ":65000",
                      "glimmerbox: cannot open display :65000\n" },
                  { { "-display", ":65001", photos.Path() }, "",
                      "glimmerbox: cannot open display :65001\n" } };
        for (const auto& [arguments, display, err] : deadDisplays) {
            const Outcome dead = RunProgram(arguments, display);
            EXPECT_EQ(dead.status, 1) << qPrintable(arguments.join(' '));
            EXPECT_EQ(dead.err, err) << qPrintable(arguments.join(' '));
        }
        const Outcome noDisplay = RunProgram({ photos.Path() }, "");
        EXPECT_EQ(noDisplay.status, 1);
        EXPECT_EQ(noDisplay.err,
            "glimmerbox: there is no display to show the window on (DISPLAY is not set);\n"
            "--contact-sheet and --screenshot work without one.\n");
    }

} // namespace
} // namespace gb::test
