#include "slide_show_harness.h"

#include <QFile>
#include <QToolBar>
#include <cmath>

namespace gb::test {
namespace {

    QSize SizeAt(int position) { return QSize(40 + 2 * position, 30 + position); }

    bool Stopped(SlideShowHarness& h)
    {
        return !h.window.Timer().isActive() && h.Button("Left")->isEnabled()
            && h.Button("Right")->isEnabled() && h.Button("Play")->isEnabled()
            && !h.Button("Stop")->isEnabled() && h.Button("Exit")->isEnabled();
    }

    TEST(SlideShowWindow, OpensMaximisedOnBlackAndStoppedAtTheFirstFile)
    {
        SlideShowHarness h;
        EXPECT_EQ(h.window.Files(), h.window.Files());
        h.Select({ "a.bmp", "b.bmp", "c.bmp" });
        h.WhileOpen([&] {
            EXPECT_EQ(h.window.windowTitle(), "Glimmerbox SlideShow");
            EXPECT_TRUE(h.window.isMaximized());
            EXPECT_EQ(h.window.screen(), QGuiApplication::primaryScreen());
            EXPECT_EQ(h.LastShown(), 0);
            EXPECT_EQ(h.ShownSize(), SizeAt(0));
            const QImage shot = h.window.grab().toImage();
            EXPECT_EQ(shot.pixelColor(3, shot.height() - 3), QColor(Qt::black));

            QStringList keys, toolTips;
            for (QAction* action : h.window.findChild<QToolBar*>("Toolbar1")->actions()) {
                keys << action->objectName();
                toolTips << action->toolTip();
            }
            EXPECT_EQ(keys, QStringList({ "Left", "Right", "Play", "Stop", "Exit" }));
            EXPECT_EQ(toolTips,
                QStringList({ "Previous Image", "Next Image", "Start SlideShow", "Stop SlideShow",
                    "Exit SlideShow" }));
            EXPECT_TRUE(Stopped(h));
            EXPECT_EQ(h.window.Timer().interval(), 2000);
            EXPECT_EQ(h.window.Timer().objectName(), "Timer1");
        });
    }

    TEST(SlideShowWindow, ArtworkIsDrawnForEveryButtonAndTheWindow)
    {
        SlideShowHarness h;
        QList<QImage> images { h.window.windowIcon().pixmap(16).toImage() };
        for (const char* key : { "Left", "Right", "Play", "Stop", "Exit" })
            images << h.Button(key)->icon().pixmap(16).toImage();
        for (int i = 0; i < images.size(); ++i) {
            ASSERT_EQ(images[i].size(), QSize(16, 16)) << i;
            for (int j = 0; j < i; ++j)
                EXPECT_NE(images[i], images[j]) << i << " looks like " << j;
        }
        EXPECT_TRUE(h.window.windowIcon().availableSizes().contains(QSize(32, 32)));
    }

    TEST(SlideShowWindow, StepsWrapAroundBothWaysAndClicksStepForward)
    {
        SlideShowHarness h;
        h.Select({ "a.bmp", "b.bmp", "c.bmp" });
        h.WhileOpen([&] {
            h.Button("Left")->trigger();
            EXPECT_EQ(h.window.CurrentIndex(), 2);
            EXPECT_EQ(h.ShownSize(), SizeAt(2));
            h.Button("Right")->trigger();
            EXPECT_EQ(h.window.CurrentIndex(), 0);
            EXPECT_EQ(h.ShownSize(), SizeAt(0));
            h.Button("Right")->trigger();
            EXPECT_EQ(h.ShownSize(), SizeAt(1));
            h.ClickWindow();
            EXPECT_EQ(h.window.CurrentIndex(), 2);
            EXPECT_EQ(h.ShownSize(), SizeAt(2));
            h.ClickPicture();
            EXPECT_EQ(h.window.CurrentIndex(), 0);
            EXPECT_EQ(h.ShownSize(), SizeAt(0));
            // A click on the toolbar's empty end is not a click on the show.
            QToolBar* bar = h.window.findChild<QToolBar*>("Toolbar1");
            QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 3, 3));
            EXPECT_EQ(h.window.CurrentIndex(), 0);
        });
    }

    TEST(SlideShowWindow, OneFileIsReadAfreshOnEveryStep)
    {
        SlideShowHarness h;
        h.Select({ "only.bmp" });
        const QString path = h.photos.File("only.bmp");
        h.WhileOpen([&] {
            EXPECT_EQ(h.ShownSize(), SizeAt(0));
            h.photos.Write("only.bmp", PictureFile(QSize(50, 20)));
            h.Button("Right")->trigger();
            EXPECT_EQ(h.ShownSize(), QSize(50, 20));
            h.photos.Write("only.bmp", PictureFile(QSize(60, 25)));
            h.Button("Left")->trigger();
            EXPECT_EQ(h.ShownSize(), QSize(60, 25));
            h.photos.Write("only.bmp", PictureFile(QSize(70, 28)));
            h.ClickPicture();
            EXPECT_EQ(h.ShownSize(), QSize(70, 28));
            EXPECT_EQ(h.window.CurrentIndex(), 0);
            EXPECT_EQ(h.shown.count(), 4);
        });
        EXPECT_GE(h.loader.Count(path), 4);
    }

    TEST(SlideShowWindow, PlayHandsSteppingToTheClockAndStopTakesItBack)
    {
        SlideShowHarness h;
        h.Select({ "a.bmp", "b.bmp", "c.bmp" });
        h.WhileOpen([&] {
            h.Button("Play")->trigger();
            EXPECT_TRUE(h.window.Timer().isActive());
            EXPECT_FALSE(h.Button("Left")->isEnabled());
            EXPECT_FALSE(h.Button("Right")->isEnabled());
            EXPECT_FALSE(h.Button("Play")->isEnabled());
            EXPECT_TRUE(h.Button("Stop")->isEnabled());
            EXPECT_TRUE(h.Button("Exit")->isEnabled());
            // Two seconds are far off: clicks and the disabled buttons change nothing meanwhile.
            h.ClickWindow();
            h.ClickPicture();
            h.Button("Right")->trigger();
            EXPECT_EQ(h.shown.count(), 1);
            EXPECT_EQ(h.window.CurrentIndex(), 0);

            h.Button("Stop")->trigger();
            EXPECT_TRUE(Stopped(h));
            EXPECT_EQ(h.window.CurrentIndex(), 0);
            h.ClickWindow();
            EXPECT_EQ(h.window.CurrentIndex(), 1);

            // The first tick after Play shows the file after the one on screen.
            h.window.Timer().setInterval(50);
            h.shown.clear();
            h.Button("Play")->trigger();
            EXPECT_TRUE(h.shown.isEmpty());
            ASSERT_TRUE(QTest::qWaitFor([&] { return !h.shown.isEmpty(); }));
            EXPECT_EQ(h.shown.first().at(0).toInt(), 2);
            ASSERT_TRUE(QTest::qWaitFor([&] { return h.shown.count() >= 2; }));
            EXPECT_EQ(h.shown.at(1).at(0).toInt(), 0); // wrapped
            h.Button("Stop")->trigger();
            EXPECT_TRUE(Stopped(h));
            EXPECT_EQ(h.ShownSize(), SizeAt(h.window.CurrentIndex()));
        });
    }

    TEST(SlideShowWindow, CentresOnTheOuterSizeAndKeepsOnlyTheTopOnScreen)
    {
        SlideShowHarness h;
        h.Select({ "small.bmp", "wide.bmp", "tall.bmp" },
            { { "small.bmp", QSize(41, 31) }, { "wide.bmp", QSize(1200, 60) },
                { "tall.bmp", QSize(60, 1200) } });
        h.WhileOpen([&] {
            const QSize outer = h.window.frameGeometry().size();
            // The frame is what sets the outer size apart from the inside.
            ASSERT_NE(outer, h.window.size());
            auto expected = [&](QSize picture) {
                const int left
                    = static_cast<int>(std::floor((outer.width() - picture.width()) / 2.0));
                const int top
                    = static_cast<int>(std::floor((outer.height() - picture.height()) / 2.0));
                return QPoint(left, std::max(0, top));
            };
            EXPECT_EQ(h.Picture()->pos(), expected(QSize(41, 31)));
            EXPECT_EQ(h.Picture()->size(), QSize(41, 31));

            h.Button("Right")->trigger();
            EXPECT_EQ(h.Picture()->size(), QSize(1200, 60));
            EXPECT_EQ(h.Picture()->pos(), expected(QSize(1200, 60)));
            EXPECT_LT(h.Picture()->x(), 0);
            // Cut equally at both sides of the outer size.
            EXPECT_EQ(h.Picture()->x() * 2 + 1200, outer.width());

            h.Button("Right")->trigger();
            EXPECT_EQ(h.Picture()->size(), QSize(60, 1200));
            EXPECT_EQ(h.Picture()->pos(), expected(QSize(60, 1200)));
            EXPECT_EQ(h.Picture()->y(), 0);
        });
    }

    TEST(SlideShowWindow, ReopeningKeepsThePositionAndStartsStopped)
    {
        SlideShowHarness h;
        h.Select({ "a.bmp", "b.bmp", "c.bmp", "d.bmp" });
        h.WhileOpen([&] {
            h.Button("Right")->trigger();
            h.Button("Right")->trigger();
            h.Button("Play")->trigger(); // closed while running
        });
        EXPECT_FALSE(h.window.isVisible());
        EXPECT_FALSE(h.window.Timer().isActive());
        EXPECT_EQ(h.window.CurrentIndex(), 2);

        h.WhileOpen([&] {
            EXPECT_TRUE(Stopped(h));
            EXPECT_EQ(h.LastShown(), 2);
            EXPECT_EQ(h.ShownSize(), SizeAt(2));
            h.ClickWindow(); // stopped: a click steps
            EXPECT_EQ(h.window.CurrentIndex(), 3);
        });

        // A new selection too small for the kept position starts from its first file.
        h.photos.Write("x.bmp", PictureFile(QSize(33, 22)));
        h.Select({ "x.bmp", "y.bmp" });
        h.WhileOpen([&] {
            EXPECT_EQ(h.window.CurrentIndex(), 0);
            EXPECT_EQ(h.ShownSize(), QSize(33, 22));
            h.Button("Right")->trigger();
            EXPECT_EQ(h.ShownSize(), SizeAt(1));
        });
        EXPECT_EQ(h.window.Files()->Keys(), QStringList({ "x.bmp", "y.bmp" }));
    }

    TEST(SlideShowWindow, AFileThatCannotBeLoadedShowsItsNameOnBlackAndTheShowGoesOn)
    {
        SlideShowHarness h;
        h.photos.Write("broken.bmp", "BM but nothing after the signature");
        h.Select({ "a.bmp", "broken.bmp", "gone.bmp" });
        QFile::remove(h.photos.File("gone.bmp"));
        h.WhileOpen([&] {
            EXPECT_FALSE(h.Caption()->isVisible());
            h.Button("Right")->trigger();
            EXPECT_FALSE(h.Picture()->isVisible());
            EXPECT_TRUE(h.Caption()->isVisible());
            EXPECT_EQ(h.Caption()->text(), "broken.bmp");
            // Small, low on the left, and the rest of the window black.
            EXPECT_LT(h.Caption()->x(), h.window.width() / 4);
            EXPECT_GT(h.Caption()->y(), h.window.height() * 3 / 4);
            const QImage shot = h.window.grab().toImage();
            EXPECT_EQ(shot.pixelColor(shot.rect().center()), QColor(Qt::black));

            h.ClickWindow();
            EXPECT_EQ(h.Caption()->text(), "gone.bmp");
            h.Button("Right")->trigger();
            EXPECT_EQ(h.ShownSize(), SizeAt(0));
            EXPECT_FALSE(h.Caption()->isVisible());

            // A running show passes over them too.
            h.window.Timer().setInterval(10);
            h.shown.clear();
            h.Button("Play")->trigger();
            ASSERT_TRUE(QTest::qWaitFor([&] { return h.shown.count() >= 4; }));
            EXPECT_TRUE(h.Button("Stop")->isEnabled());
            EXPECT_TRUE(h.window.isVisible());
        });
    }

    TEST(SlideShowWindow, ExitAndAnyKeyClose)
    {
        SlideShowHarness h;
        h.Select({ "a.bmp", "b.bmp" });
        bool stillOpen = false;
        h.WhileOpen([&] {
            h.Button("Exit")->trigger();
            stillOpen = h.window.isVisible();
        });
        EXPECT_FALSE(stillOpen);

        for (Qt::Key key : { Qt::Key_A, Qt::Key_Space, Qt::Key_Escape, Qt::Key_Right }) {
            h.WhileOpen([&] {
                QTest::keyClick(&h.window, Qt::Key_Shift); // a modifier alone is no key
                EXPECT_TRUE(h.window.isVisible());
                QTest::keyClick(&h.window, key);
                stillOpen = h.window.isVisible();
            });
            EXPECT_FALSE(stillOpen) << key;
        }
        EXPECT_EQ(h.window.CurrentIndex(), 0); // the arrow key closed, it did not step
    }

    TEST(SlideShowWindow, DecodesTheNextPictureAheadInTheDirectionOfTravel)
    {
        SlideShowHarness h;
        h.Select({ "a.bmp", "b.bmp", "c.bmp", "d.bmp" });
        auto path = [&](const char* name) { return h.photos.File(name); };
        h.WhileOpen([&] {
            EXPECT_FALSE(h.loader.LastOnWorker(path("a.bmp")));
            ASSERT_TRUE(h.loader.WaitForLoads(path("b.bmp")));
            h.Button("Right")->trigger();
            EXPECT_EQ(h.ShownSize(), SizeAt(1));
            EXPECT_EQ(h.loader.Count(path("b.bmp")), 1);
            EXPECT_TRUE(h.loader.LastOnWorker(path("b.bmp")));

            // Turning round: the file ahead was c, so a is read there and then, and d ahead.
            h.Button("Left")->trigger();
            EXPECT_EQ(h.ShownSize(), SizeAt(0));
            EXPECT_FALSE(h.loader.LastOnWorker(path("a.bmp")));
            ASSERT_TRUE(h.loader.WaitForLoads(path("d.bmp")));
            h.Button("Left")->trigger();
            EXPECT_EQ(h.ShownSize(), SizeAt(3));
            EXPECT_EQ(h.loader.Count(path("d.bmp")), 1);
            EXPECT_TRUE(h.loader.LastOnWorker(path("d.bmp")));
        });
    }

} // namespace
} // namespace gb::test
