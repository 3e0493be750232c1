#include "samplegen/image_writers.h"
#include "support/temp_folder.h"

#include <QImage>
#include <QProcess>
#include <gtest/gtest.h>

namespace gb::test {
namespace {

    struct ProgramRun {
        int exitCode;
        QString out;
        QString err;
    };

    ProgramRun RunGlimmerbox(const QStringList& arguments)
    {
        QProcess process;
        process.start(QStringLiteral(GLIMMERBOX_EXE), arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        return { process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError()) };
    }

    QImage Filled(QColor colour)
    {
        QImage image(120, 80, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    }

    TEST(ContactSheet, DrawsEveryLoadedPictureInColumnsAndPrintsTheCount)
    {
        TempFolder photos;
        photos.Write("a.bmp", tools::WriteBmp(Filled(Qt::red)));
        photos.Write("b.jpg", "broken");
        photos.Write("c.gif", tools::WriteGif(Filled(Qt::blue)));
        photos.Write("d.bmp", tools::WriteBmp(Filled(Qt::green)));
        const QString sheetPath = photos.File("sheet.png");

        const ProgramRun run
            = RunGlimmerbox({ "--contact-sheet", sheetPath, "--columns", "2", photos.Path() });
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.out.trimmed().split('\n').last(), "File(s): 3");

        const QImage sheet(sheetPath);
        ASSERT_EQ(sheet.size(), QSize(2 * 89, 2 * 97));
        // Each tile's picture sits in the middle of the cell's top 64 x 64 square.
        const auto pictureCentre
            = [](int col, int row) { return QPoint(col * 89 + 44, row * 97 + 4 + 32); };
        EXPECT_EQ(sheet.pixelColor(pictureCentre(0, 0)), QColor(Qt::red));
        EXPECT_EQ(sheet.pixelColor(pictureCentre(1, 0)), QColor(Qt::blue));
        EXPECT_EQ(sheet.pixelColor(pictureCentre(0, 1)), QColor(Qt::green));
    }

    TEST(ContactSheet, FolderThatCannotBeOpenedExitsWithStatus2)
    {
        TempFolder scratch;
        const ProgramRun run
            = RunGlimmerbox({ "--contact-sheet", scratch.File("x.png"), scratch.File("nope") });
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains("cannot open the folder")) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(scratch.File("x.png")));
    }

    TEST(ContactSheet, BadCommandLineExitsWithUsage)
    {
        const ProgramRun run = RunGlimmerbox({ "--contact-sheet" });
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains("Usage:"));
    }

} // namespace
} // namespace gb::test
