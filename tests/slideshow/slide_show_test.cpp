#include "samplegen/image_writers.h"
#include "slideshow/frm_slide_show.h"
#include "slideshow/picture_prefetcher.h"
#include "support/accessible_names.h"
#include "support/fault_injecting_files.h"
#include "support/test_services.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <cmath>
#include <functional>
#include <mutex>
#include <string_view>

namespace gb::test {
namespace {

    // The real picture loader, noting of every load whether it ran on a worker thread; loads of
    // the file it is told to stall on wait for `stall`, like a share whose server went away.
    class RecordingLoader : public platform::IPictureLoader {
    public:
        explicit RecordingLoader(const platform::IPictureLoader& real)
            : real_(real)
        {
        }
        std::optional<platform::LoadedPicture> LoadPicture(const QString& path,
            const platform::PictureOptions& options, platform::LoadFailure* failure = nullptr,
            int* error = nullptr) const override
        {
            if (Count(path, 1).stallOn == path)
                std::shared_ptr<Stall>(stall)->Hold();
            std::optional<platform::LoadedPicture> picture
                = real_.LoadPicture(path, options, failure, error);
            return Count({}, -1), picture;
        }
        // Every file's loads so far (on a worker or not) and how many run, copied while the
        // workers are kept out.
        struct Record {
            QHash<QString, QList<bool>> loads;
            int running = 0;
            QString stallOn;
        };
        Record Snapshot() const { return Count({}, 0); }
        void StallOn(const QString& path)
        {
            std::lock_guard lock(mutex_);
            record_.stallOn = path;
        }
        const std::shared_ptr<Stall> stall = std::make_shared<Stall>();
        // Until `path` has been loaded and no load runs, as while the user looks.
        bool WaitForLoad(const QString& path) const
        {
            return QTest::qWaitFor([&] {
                const Record now = Snapshot();
                return now.loads.contains(path) && !now.running;
            });
        }

    private:
        Record Count(const QString& path, int change) const
        {
            std::lock_guard lock(mutex_);
            if (!path.isEmpty())
                record_.loads[path] << (QThread::currentThread() != qApp->thread());
            record_.running += change;
            return record_;
        }
        const platform::IPictureLoader& real_;
        mutable std::mutex mutex_;
        mutable Record record_;
    };

    QSize SizeAt(int position) { return QSize(40 + 2 * position, 30 + position); }
    QImage Solid(QSize size) { return tools::Solid(size, QColor(90, 140, 200)); }
    // A BMP of one colour; files on screen are told apart by their sizes.
    QByteArray PictureFile(QSize size) { return tools::WriteBmp(Solid(size)); }

    // The toolbar's buttons by their letters in Do(), in the order Controls() lists them.
    const QMap<char, const char*> kButtons { { 'L', "Left" }, { 'P', "Play" }, { 'R', "Right" },
        { 'S', "Stop" }, { 'X', "Exit" } };

    // The slide show window on the test services, with a folder of real pictures to show.
    struct SlideShowHarness : TestServices {
        ~SlideShowHarness() // a prefetch may still use the loader
        {
            loader.stall->Release();
            AwaitLanes();
        }
        // Selects these files, writing the missing ones: SizeAt(i) for the i-th unless told.
        void Select(const QStringList& names, const QMap<QString, QSize>& sizes = {})
        {
            auto selection = std::make_shared<core::Files>();
            for (int i = 0; i < names.size(); ++i) {
                if (!QFile::exists(photos.File(names[i])))
                    photos.Write(names[i], PictureFile(sizes.value(names[i], SizeAt(i))));
                selection->SetItem(names[i], photos.Path() + "/");
            }
            window.SetFiles(selection);
        }
        // Opens the show modally and runs `body` inside it once the first picture is up; closes
        // the show if the body left it open.
        void WhileOpen(const std::function<void()>& body)
        {
            shown.clear();
            QTimer::singleShot(0, &window, [&] {
                EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
                EXPECT_TRUE(QTest::qWaitFor([&] { return !shown.isEmpty(); }));
                body();
                if (window.isVisible())
                    window.done(QDialog::Rejected);
            });
            window.ShowModal(nullptr);
        }
        // A step a letter: a button (see kButtons), an arrow or Space; left clicks on the
        // w(indow) low on the left, the p(icture) and the t(oolbar)'s empty end; a r(ight) click on
        // the window.
        void Do(std::string_view steps)
        {
            auto* bar = window.findChild<QToolBar*>("Toolbar1");
            for (char step : steps) {
                const int at = window.CurrentIndex();
                const qsizetype before = shown.count();
                if (step == 'w' || step == 'r')
                    QTest::mouseClick(&window, step == 'w' ? Qt::LeftButton : Qt::RightButton, {},
                        QPoint(4, window.height() - 4));
                else if (step == 'p')
                    QTest::mouseClick(Picture(), Qt::LeftButton, {}, QPoint(2, 2));
                else if (step == 't')
                    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 3, 3));
                else if (step == '<' || step == '>' || step == ' ')
                    QTest::keyClick(&window,
                        QMap<char, Qt::Key> { { '<', Qt::Key_Left }, { '>', Qt::Key_Right },
                            { ' ', Qt::Key_Space } }[step]);
                else
                    Button(kButtons.value(step))->trigger();
                // A step's picture comes from a worker.
                EXPECT_TRUE(window.CurrentIndex() == at || shown.count() > before || shown.wait())
                    << step;
            }
        }
        // Which buttons are enabled, in the order of kButtons, and whether the clock runs.
        QString Controls()
        {
            QString state;
            for (const char* key : kButtons)
                state += Button(key)->isEnabled() ? '+' : '-';
            return state + (window.Timer().isActive() ? " running" : " stopped");
        }
        QAction* Button(const char* key) { return window.findChild<QAction*>(key); }
        QLabel* Picture() { return window.findChild<QLabel*>("picImage"); }
        QLabel* Caption() { return window.findChild<QLabel*>("lblFileName"); }
        QSize ShownSize() { return Picture()->isVisible() ? Picture()->pixmap().size() : QSize(); }
        RecordingLoader loader { pictures };
        platform::Services recorded { profile, loader, dialogs, appInfo, shell, wallpaper,
            *usedFiles, registry, thumbnails, scratch };
        app::Module1 recordedModule { recorded };
        TempFolder photos;
        slideshow::frmSlideShow window { recordedModule };
        QSignalSpy shown { &window, &slideshow::frmSlideShow::PictureShown };
    };

    TEST(SlideShowWindow, EveryControlHasANameAScreenReaderReads)
    {
        SlideShowHarness h;
        const QStringList unnamed = UnnamedControls(h.window);
        EXPECT_TRUE(unnamed.isEmpty()) << qPrintable(unnamed.join(", "));
    }

    const QString kStopped = "+++-+ stopped";
    TEST(SlideShowWindow, OpensStoppedAtTheFirstFileAndDecodesTheNextAheadInTheDirectionOfTravel)
    {
        SlideShowHarness h;
        h.Select({ "a.bmp", "b.bmp", "c.bmp", "d.bmp" });
        h.WhileOpen([&] {
            EXPECT_TRUE(h.window.isMaximized());
            EXPECT_EQ(h.Controls(), kStopped);
            EXPECT_EQ(h.window.Timer().interval(), 2000);
            // The picture at its own size, on black.
            const QImage shot = h.window.grab().toImage().convertToFormat(QImage::Format_RGB32);
            const QRect picture = h.Picture()->geometry();
            EXPECT_EQ(shot.copy(picture), Solid(SizeAt(0)));
            EXPECT_EQ(shot.pixelColor(picture.bottomRight() + QPoint(1, 1)), QColor(Qt::black));
            // Every picture is read on a worker, the next one while this one is looked at.
            // Turning round, a is read afresh (c was ahead), and d is decoded ahead.
            ASSERT_TRUE(h.loader.WaitForLoad(h.photos.File("b.bmp")));
            h.Do("RL");
            ASSERT_TRUE(h.loader.WaitForLoad(h.photos.File("d.bmp")));
            h.Do("L");
            EXPECT_EQ(h.ShownSize(), SizeAt(3));
            const auto loads = h.loader.Snapshot().loads; // on a worker, or not
            EXPECT_EQ(loads.value(h.photos.File("a.bmp")), QList<bool>({ true, true }));
            EXPECT_EQ(loads.value(h.photos.File("b.bmp")), QList<bool>({ true }));
            EXPECT_EQ(loads.value(h.photos.File("d.bmp")), QList<bool>({ true }));
        });
    }

    TEST(SlideShowWindow, StepsWrapAroundBothWaysAndAFileThatCannotBeLoadedShowsItsName)
    {
        SlideShowHarness h;
        h.photos.Write("broken.bmp", "BM but nothing after the signature");
        const QStringList names { "a.bmp", "broken.bmp", "gone.bmp" };
        h.Select(names);
        QFile::remove(h.photos.File("gone.bmp"));
        h.WhileOpen([&] {
            for (auto [step, index] :
                { std::pair { 'L', 2 }, { 'L', 1 }, { 'L', 0 }, { 'R', 1 }, { 'R', 2 }, { 'R', 0 },
                    { 'p', 1 }, { 'w', 2 }, { 'r', 2 }, { 't', 2 }, { '>', 0 }, { '<', 2 } }) {
                h.Do({ &step, 1 });
                EXPECT_EQ(h.window.CurrentIndex(), index) << step;
                EXPECT_EQ(h.ShownSize(), index == 0 ? SizeAt(0) : QSize()) << step;
                EXPECT_EQ(h.Caption()->isVisible() ? h.Caption()->text() : "",
                    index == 0 ? "" : names[index])
                    << step;
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
            h.Do("wpR<>"); // two seconds are far off, and meanwhile these do nothing
            EXPECT_EQ(h.shown.count(), 1);
            h.Do("Sw");
            EXPECT_EQ(h.Controls(), kStopped);
            EXPECT_EQ(h.window.CurrentIndex(), 1);
            // The first tick comes an interval after Play and shows the next file.
            h.window.Timer().setInterval(20);
            h.shown.clear();
            h.Do(" "); // Space is Play, then Stop
            EXPECT_TRUE(h.shown.isEmpty());
            ASSERT_TRUE(QTest::qWaitFor([&] { return h.shown.count() >= 2; }));
            EXPECT_EQ(h.shown.at(0).at(0).toInt(), 2);
            EXPECT_EQ(h.shown.at(1).at(0).toInt(), 0);
            h.Do(" ");
            EXPECT_EQ(h.Controls(), kStopped);
        });
    }

    // Each showing here ends with another key; a modifier alone is no key. Pictures are centred
    // on the window's outer size, and only their top is kept on screen.
    TEST(SlideShowWindow, AnyKeyClosesReopeningKeepsThePositionAndPicturesAreCentred)
    {
        SlideShowHarness h;
        h.Select({ "a.bmp", "b.bmp", "c.bmp", "d.bmp" });
        auto expectCentred = [&](QSize size) {
            const QSize outer = h.window.frameGeometry().size();
            ASSERT_NE(outer, h.window.size()); // the frame sets the outer size apart
            const QPoint centred(static_cast<int>(std::floor((outer - size).width() / 2.0)),
                std::max(0, (outer - size).height() / 2));
            EXPECT_EQ(h.Picture()->geometry(), QRect(centred, size));
        };
        auto closeWith = [&](Qt::Key key) {
            for (Qt::Key modifier : { Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt })
                QTest::keyClick(&h.window, modifier);
            EXPECT_TRUE(h.window.isVisible());
            QTest::keyClick(&h.window, key);
            EXPECT_FALSE(h.window.isVisible()) << key;
        };
        h.WhileOpen([&] {
            h.Do("RRP");
            closeWith(Qt::Key_A); // while running
        });
        EXPECT_FALSE(h.window.Timer().isActive());
        h.WhileOpen([&] {
            EXPECT_EQ(h.Controls(), kStopped);
            expectCentred(SizeAt(2));
            h.Do("w"); // stopped again: a click steps
            EXPECT_EQ(h.window.CurrentIndex(), 3);
            h.Do("L");
            closeWith(Qt::Key_Return);
        });
        EXPECT_EQ(h.window.CurrentIndex(), 2);
        // A new selection with no file at the kept position starts from its first.
        h.Select({ "wide.bmp", "tall.bmp" },
            { { "wide.bmp", { 1201, 60 } }, { "tall.bmp", { 60, 1200 } } });
        h.WhileOpen([&] {
            expectCentred(QSize(1201, 60)); // cut equally at both sides
            h.Do("R");
            expectCentred(QSize(60, 1200)); // its top on screen
            closeWith(Qt::Key_Escape);
        });
    }

    // As a person may choose: a picture larger than the window shrinks to fit it, in proportion
    // and in the middle; one that fits keeps its own size and place; the clock keeps its own pace.
    TEST(SlideShowWindow, FitPicturesShrinksOnlyWhatIsLargerAndSlideSecondsSetsTheClock)
    {
        SlideShowHarness h;
        h.SetSetting("Fit Pictures", "True");
        h.SetSetting("Slide Seconds", "5");
        h.Select({ "wide.bmp", "small.bmp", "tall.bmp" },
            { { "wide.bmp", { 3200, 100 } }, { "tall.bmp", { 100, 3200 } } });
        h.WhileOpen([&] {
            EXPECT_EQ(h.window.Timer().interval(), 5000);
            const QSize room = h.window.size();
            const QRect wide = h.Picture()->geometry();
            EXPECT_EQ(wide.width(), room.width());
            EXPECT_EQ(wide.height(), 100 * room.width() / 3200);
            EXPECT_EQ(wide.top(), (room.height() - wide.height()) / 2);
            const QImage shot = h.window.grab().toImage().convertToFormat(QImage::Format_RGB32);
            EXPECT_EQ(shot.pixelColor(wide.center()), QColor(90, 140, 200));
            h.Do("R");
            const QSize outer = h.window.frameGeometry().size();
            EXPECT_EQ(h.Picture()->geometry(),
                QRect(QPoint((outer.width() - 42) / 2, (outer.height() - 31) / 2), QSize(42, 31)));
            h.Do("R");
            const QRect tall = h.Picture()->geometry();
            EXPECT_EQ(tall.height(), room.height());
            EXPECT_EQ(tall.width(), 100 * room.height() / 3200);
            EXPECT_EQ(tall.left(), (room.width() - tall.width()) / 2);
        });
    }

    // Escape closes the show at once though the picture it waits for is held up in storage; the
    // picture that comes late is dropped.
    TEST(SlideShowWindow, ClosesAtOnceWhileStorageHoldsUpThePictureItWaitsFor)
    {
        SlideShowHarness h;
        h.Select({ "a.bmp", "b.bmp", "c.bmp" });
        h.loader.StallOn(h.photos.File("b.bmp")); // decoded ahead while a is up
        h.WhileOpen([&] {
            ASSERT_TRUE(h.loader.stall->WaitUntilHeld());
            h.Button("Right")->trigger();
            EXPECT_EQ(h.window.CurrentIndex(), 1);
            EXPECT_EQ(h.ShownSize(), SizeAt(0)); // a stays up meanwhile
            QTest::keyClick(&h.window, Qt::Key_Escape);
            EXPECT_FALSE(h.window.isVisible());
        });
        h.shown.clear();
        h.loader.stall->Release();
        ASSERT_TRUE(QTest::qWaitFor([&] { return h.loader.Snapshot().running == 0; }));
        QCoreApplication::processEvents();
        EXPECT_TRUE(h.shown.isEmpty());
    }

    std::optional<QSize> SizeOf(const slideshow::PicturePrefetcher::Picture& picture)
    {
        return picture ? std::optional(picture->image.size()) : std::nullopt;
    }

    // The size of the picture a fetch brings, nullopt for none.
    std::optional<QSize> Fetched(slideshow::PicturePrefetcher& prefetcher, const QString& path)
    {
        std::optional<std::optional<QSize>> size;
        prefetcher.Fetch(path, [&](auto picture) { size = SizeOf(picture); });
        EXPECT_TRUE(QTest::qWaitFor([&] { return size.has_value(); })) << path.toStdString();
        return size.value_or(std::nullopt);
    }

    TEST(PicturePrefetcher, FetchesThePictureDecodedAheadOnlyForItsFileAsItIs)
    {
        SlideShowHarness h;
        h.Select({ "a.bmp", "b.bmp", "c.bmp" });
        const QString a = h.photos.File("a.bmp"), b = h.photos.File("b.bmp"),
                      c = h.photos.File("c.bmp");
        std::optional<slideshow::PicturePrefetcher> prefetcher(
            std::in_place, h.loader, *h.usedFiles);
        prefetcher->Request(a);
        prefetcher->Request(a); // already under way
        ASSERT_TRUE(h.loader.WaitForLoad(a));
        EXPECT_EQ(Fetched(*prefetcher, a), SizeAt(0));
        EXPECT_EQ(h.loader.Snapshot().loads.value(a), QList<bool>({ true })); // read once
        prefetcher->Request(a);
        prefetcher->Request(b); // a is no longer next
        EXPECT_EQ(prefetcher->PendingPath(), b);
        // A file changed since it was decoded ahead is read again; one that cannot be, nothing.
        prefetcher->Request(c);
        ASSERT_TRUE(h.loader.WaitForLoad(c));
        h.photos.Write("c.bmp", PictureFile(QSize(64, 48)));
        EXPECT_EQ(Fetched(*prefetcher, c), QSize(64, 48));
        h.photos.Write("bad.bmp", "not a picture at all");
        for (const char* name : { "bad.bmp", "missing.bmp" })
            EXPECT_EQ(Fetched(*prefetcher, h.photos.File(name)), std::nullopt) << name;
        // Going away does not wait for a read that storage holds up.
        h.loader.StallOn(b);
        prefetcher->Request(b);
        ASSERT_TRUE(h.loader.stall->WaitUntilHeld());
        prefetcher.reset();
        EXPECT_EQ(h.loader.Snapshot().running, 1);
        h.loader.stall->Release();
        ASSERT_TRUE(QTest::qWaitFor([&] { return h.loader.Snapshot().running == 0; }));
    }

} // namespace
} // namespace gb::test
