#include "slide_show_harness.h"

namespace gb::test {
namespace {

    const QString kStopped = "+++-+ stopped";

    TEST(SlideShowWindow, OpensMaximisedOnBlackStoppedAtTheFirstFileAtItsOwnSize)
    {
        SlideShowHarness h;
        QList<QImage> icons { h.window.windowIcon().pixmap(16).toImage() };
        QStringList tips;
        for (const char* key : { "Left", "Right", "Play", "Stop", "Exit" }) {
            icons << h.Button(key)->icon().pixmap(16).toImage();
            tips << h.Button(key)->toolTip();
        }
        EXPECT_EQ(tips.join("|"),
            "Previous Image|Next Image|Start SlideShow|Stop SlideShow|Exit SlideShow");
        for (int i = 0; i < icons.size(); ++i) {
            for (int j = 0; j < i; ++j)
                EXPECT_NE(icons[i], icons[j]) << i << " looks like " << j;
        }
        h.Select({ "a.bmp", "b.bmp", "c.bmp" });
        h.WhileOpen([&] {
            EXPECT_EQ(h.window.windowTitle(), "Glimmerbox SlideShow");
            EXPECT_TRUE(h.window.isMaximized());
            EXPECT_EQ(h.window.screen(), QGuiApplication::primaryScreen());
            EXPECT_EQ(h.LastShown(), 0);
            EXPECT_EQ(h.Controls(), kStopped);
            EXPECT_EQ(h.window.Timer().interval(), 2000);
            const QImage shot = h.window.grab().toImage();
            const QRect picture = h.Picture()->geometry();
            EXPECT_EQ(picture.size(), SizeAt(0));
            EXPECT_EQ(shot.pixelColor(picture.topLeft()), kPictureColour);
            EXPECT_EQ(shot.pixelColor(picture.bottomRight()), kPictureColour);
            EXPECT_EQ(shot.pixelColor(picture.bottomRight() + QPoint(1, 1)), QColor(Qt::black));
        });
    }

    TEST(SlideShowWindow, StepsWrapAroundAtBothEndsAndLeftClicksOnTheShowStepForward)
    {
        SlideShowHarness h;
        h.Select({ "a.bmp", "b.bmp", "c.bmp" });
        h.WhileOpen([&] {
            for (auto [step, index] : { std::pair { 'L', 2 }, { 'L', 1 }, { 'L', 0 }, { 'R', 1 },
                     { 'R', 2 }, { 'R', 0 }, { 'w', 1 }, { 'p', 2 }, { 'r', 2 }, { 't', 2 } }) {
                h.Do({ &step, 1 });
                EXPECT_EQ(h.window.CurrentIndex(), index) << step;
                EXPECT_EQ(h.ShownSize(), SizeAt(index)) << step;
            }
        });
    }

    TEST(SlideShowWindow, PlayHandsSteppingToTheClockAndStopTakesItBack)
    {
        SlideShowHarness h;
        h.Select({ "a.bmp", "b.bmp", "c.bmp" });
        h.WhileOpen([&] {
            h.Do("P");
            EXPECT_EQ(h.Controls(), "---++ running");
            h.Do("wpR"); // two seconds are far off, and meanwhile these do nothing
            EXPECT_EQ(h.shown.count(), 1);
            h.Do("Sw");
            EXPECT_EQ(h.Controls(), kStopped);
            EXPECT_EQ(h.LastShown(), 1);

            // The first tick comes an interval after Play and shows the next file.
            h.window.Timer().setInterval(20);
            h.shown.clear();
            h.Do("P");
            EXPECT_TRUE(h.shown.isEmpty());
            ASSERT_TRUE(QTest::qWaitFor([&] { return h.shown.count() >= 2; }));
            EXPECT_EQ(h.shown.at(0).at(0).toInt(), 2);
            EXPECT_EQ(h.shown.at(1).at(0).toInt(), 0);
            h.Do("S");
            EXPECT_EQ(h.Controls(), kStopped);
            EXPECT_EQ(h.ShownSize(), SizeAt(h.window.CurrentIndex()));
        });
    }

    TEST(SlideShowWindow, CentresOnTheOuterSizeAndKeepsOnlyTheTopOnScreen)
    {
        SlideShowHarness h;
        const QSize sizes[] = { { 41, 31 }, { 1201, 60 }, { 60, 1200 } };
        h.Select({ "small.bmp", "wide.bmp", "tall.bmp" },
            { { "small.bmp", sizes[0] }, { "wide.bmp", sizes[1] }, { "tall.bmp", sizes[2] } });
        h.WhileOpen([&] {
            const QSize outer = h.window.frameGeometry().size();
            ASSERT_NE(outer, h.window.size()); // the frame sets the outer size apart
            for (QSize size : sizes) {
                const QPoint centred(static_cast<int>(std::floor((outer - size).width() / 2.0)),
                    std::max(0, (outer - size).height() / 2));
                EXPECT_EQ(h.Picture()->geometry(), QRect(centred, size));
                h.Do("R");
            }
        });
    }

    TEST(SlideShowWindow, ReopeningKeepsThePositionAndStartsStopped)
    {
        SlideShowHarness h;
        h.Select({ "a.bmp", "b.bmp", "c.bmp", "d.bmp" });
        h.WhileOpen([&] { h.Do("RRP"); }); // closed while running
        EXPECT_FALSE(h.window.Timer().isActive());
        h.WhileOpen([&] {
            EXPECT_EQ(h.Controls(), kStopped);
            EXPECT_EQ(h.ShownSize(), SizeAt(2));
        });
        // A new selection with no file at the kept position starts from its first.
        h.photos.Write("x.bmp", PictureFile(QSize(33, 22)));
        h.Select({ "x.bmp", "y.bmp" });
        h.WhileOpen([&] { EXPECT_EQ(h.ShownSize(), QSize(33, 22)); });
    }

    TEST(SlideShowWindow, AFileThatCannotBeLoadedShowsItsNameOnBlackAndTheShowGoesOn)
    {
        SlideShowHarness h;
        h.photos.Write("broken.bmp", "BM but nothing after the signature");
        h.Select({ "a.bmp", "broken.bmp", "gone.bmp" });
        QFile::remove(h.photos.File("gone.bmp"));
        h.WhileOpen([&] {
            EXPECT_FALSE(h.Caption()->isVisible());
            for (const char* name : { "broken.bmp", "gone.bmp" }) {
                h.Do("w");
                EXPECT_FALSE(h.Picture()->isVisible());
                EXPECT_TRUE(h.Caption()->isVisible());
                EXPECT_EQ(h.Caption()->text(), name);
                // Small, low on the left, and the rest of the window black.
                EXPECT_LT(h.Caption()->geometry().right(), h.window.width() / 3);
                EXPECT_GT(h.Caption()->y(), h.window.height() * 3 / 4);
                const QImage shot = h.window.grab().toImage();
                EXPECT_EQ(shot.pixelColor(shot.rect().center()), QColor(Qt::black));
            }
            h.Do("R");
            EXPECT_EQ(h.ShownSize(), SizeAt(0));
            EXPECT_FALSE(h.Caption()->isVisible());
            h.window.Timer().setInterval(10); // a running show passes over them too
            h.shown.clear();
            h.Do("P");
            ASSERT_TRUE(QTest::qWaitFor([&] { return h.shown.count() >= 4; }));
            EXPECT_EQ(h.Controls(), "---++ running");
        });
    }

    TEST(SlideShowWindow, ExitAndAnyKeyButAModifierAloneClose)
    {
        SlideShowHarness h;
        h.Select({ "a.bmp", "b.bmp" });
        h.WhileOpen([&] {
            h.Button("Exit")->trigger();
            EXPECT_FALSE(h.window.isVisible());
        });
        for (Qt::Key key : { Qt::Key_A, Qt::Key_Space, Qt::Key_Escape, Qt::Key_Right }) {
            h.WhileOpen([&] {
                for (Qt::Key modifier : { Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt })
                    QTest::keyClick(&h.window, modifier);
                EXPECT_TRUE(h.window.isVisible());
                QTest::keyClick(&h.window, key);
                EXPECT_FALSE(h.window.isVisible()) << key;
            });
        }
        EXPECT_EQ(h.window.CurrentIndex(), 0); // the arrow key closed, it did not step
    }

    TEST(SlideShowWindow, DecodesTheNextPictureAheadInTheDirectionOfTravel)
    {
        SlideShowHarness h;
        h.Select({ "a.bmp", "b.bmp", "c.bmp", "d.bmp" });
        auto loads = [&](const char* name) { return h.loader.Loads(h.photos.File(name)); };
        h.WhileOpen([&] {
            ASSERT_TRUE(h.loader.WaitForLoad(h.photos.File("b.bmp")));
            h.Do("R");
            EXPECT_EQ(h.ShownSize(), SizeAt(1));
            // Turning round: the file ahead was c, so a is read there and then, and d ahead.
            h.Do("L");
            EXPECT_EQ(h.ShownSize(), SizeAt(0));
            ASSERT_TRUE(h.loader.WaitForLoad(h.photos.File("d.bmp")));
            h.Do("L");
            EXPECT_EQ(h.ShownSize(), SizeAt(3));
            // Whether each load ran on a worker.
            EXPECT_EQ(loads("a.bmp"), QList<bool>({ false, false }));
            EXPECT_EQ(loads("b.bmp"), QList<bool>({ true }));
            EXPECT_EQ(loads("d.bmp"), QList<bool>({ true }));
        });
    }

} // namespace
} // namespace gb::test
