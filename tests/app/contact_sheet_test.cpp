#include "app/command_line.h"
#include "app/contact_sheet.h"
#include "samplegen/image_writers.h"
#include "support/temp_folder.h"

#include <QApplication>
#include <QPalette>
#include <QProcess>
#include <gtest/gtest.h>

namespace gb::test {
namespace {

    QImage Filled(QColor colour)
    {
        QImage image(120, 80, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    }

    // Each tile's picture sits in the middle of the cell's top 64 x 64 square.
    QColor PictureAt(const QImage& sheet, int column, int row)
    {
        const QSize cell = browser::ThumbCellSize;
        return sheet.pixelColor(column * cell.width() + 44, row * cell.height() + 36);
    }

    TEST(ContactSheet, DrawsTheVisibleCellsInOrderRowByRow)
    {
        std::vector<browser::ThumbCell> cells(5);
        const QColor colours[] = { Qt::red, Qt::gray, Qt::blue, Qt::green, Qt::yellow };
        for (size_t i = 0; i < cells.size(); ++i) {
            cells[i].Picture = core::MakeCompactTile(Filled(colours[i]), { 120, 80 }, Qt::white);
            cells[i].Visible = i != 1;
        }
        const auto render = [&](size_t count, int columns) {
            const std::vector<browser::ThumbCell> some(cells.begin(), cells.begin() + count);
            return app::RenderContactSheet(some, columns, *qApp->style(), qApp->palette());
        };
        const QImage sheet = render(5, 3);
        ASSERT_EQ(sheet.size(), QSize(3 * 89, 2 * 97));
        EXPECT_EQ(PictureAt(sheet, 0, 0), QColor(Qt::red));
        EXPECT_EQ(PictureAt(sheet, 1, 0), QColor(Qt::blue));
        EXPECT_EQ(PictureAt(sheet, 2, 0), QColor(Qt::green));
        EXPECT_EQ(PictureAt(sheet, 0, 1), QColor(Qt::yellow));
        // Never more columns than cells, and an empty folder is one empty cell.
        const std::tuple<size_t, int, QSize> sizes[] = { { 5, 4, { 4, 1 } }, { 5, 5, { 4, 1 } },
            { 4, 1, { 1, 3 } }, { 1, 8, { 1, 1 } }, { 2, 8, { 1, 1 } }, { 0, 8, { 1, 1 } } };
        for (const auto& [count, columns, cellsShown] : sizes)
            EXPECT_EQ(render(count, columns).size(),
                QSize(cellsShown.width() * 89, cellsShown.height() * 97))
                << count << " cells in " << columns;
    }

    struct ProgramRun {
        int exitCode;
        std::string out, err;
    };

    ProgramRun RunGlimmerbox(const QStringList& arguments)
    {
        const TempFolder runtime; // private, so Qt has nothing to warn about
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", runtime.Path());
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(GLIMMERBOX_EXE, arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        return { process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString() };
    }

    TEST(ContactSheet, TheProgramWritesItOrExitsWithStatus2OnAMistake)
    {
        TempFolder photos;
        photos.Write("a.bmp", tools::WriteBmp(Filled(Qt::red)));
        photos.Write("b.jpg", "broken");
        photos.Write("c.gif", tools::WriteGif(Filled(Qt::blue)));
        photos.Write("d.bmp", tools::WriteBmp(Filled(Qt::green)));
        const QString sheetPath = photos.File("sheet.png");
        const ProgramRun run
            = RunGlimmerbox({ "--contact-sheet", sheetPath, "--columns", "2", photos.Path() });
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "File(s): 3\n");
        const QImage sheet(sheetPath);
        ASSERT_EQ(sheet.size(), QSize(2 * 89, 2 * 97));
        EXPECT_EQ(PictureAt(sheet, 1, 0), QColor(Qt::blue));
        EXPECT_EQ(PictureAt(sheet, 0, 1), QColor(Qt::green));

        const std::string usage = app::UsageText().toStdString();
        const std::tuple<QStringList, int, std::string, std::string> cases[] = { { { "--help" }, 0,
                                                                                     usage, "" },
            { { "--help", "--bogus" }, 2, usage, "glimmerbox: unknown option --bogus\n" },
            { { "--contact-sheet" }, 2, "", "glimmerbox: --contact-sheet needs a value\n" + usage },
            { { "--contact-sheet", photos.File("x.png"), photos.File("nope") }, 2, "",
                "glimmerbox: cannot open the folder \"" + photos.File("nope").toStdString()
                    + "\"\n" } };
        for (const auto& [arguments, status, out, err] : cases) {
            const ProgramRun mistake = RunGlimmerbox(arguments);
            EXPECT_EQ(std::tuple(mistake.exitCode, mistake.out, mistake.err),
                std::tuple(status, out, err));
        }
        EXPECT_FALSE(QFile::exists(photos.File("x.png")));
    }

} // namespace
} // namespace gb::test
