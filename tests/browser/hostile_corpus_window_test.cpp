// The whole hostile corpus (tests/data/hostile) as one folder in the real main window: the load
// gets through every file to the end, and the cells and the count are those of the files that
// can be shown (which files those are is the picture loader's own test).
#include "main_window_harness.h"

#include "browser/file_list.h"
#include "core/thumbnail_geometry.h"
#include "support/hostile_corpus.h"

namespace gb::test {
namespace {

    TEST(HostileCorpusWindow, WholeCorpusLoadsToItsEndWithTheRightCount)
    {
        const QString corpus = QStringLiteral(GLIMMERBOX_HOSTILE_CORPUS);
        TempFolder photos;
        const std::vector<CorpusEntry> entries = ReadHostileCorpus(corpus);
        for (const CorpusEntry& entry : entries)
            ASSERT_TRUE(QFile::copy(QDir(corpus).filePath(entry.name), photos.File(entry.name)));
        ASSERT_GT(entries.size(), 150u);

        // The files a thumbnail load gets a picture from, in the order the window lists them.
        MainWindowHarness h;
        browser::FileList list;
        ASSERT_TRUE(list.SetPath(photos.Path()));
        list.Refresh();
        EXPECT_EQ(size_t(list.ListCount()), entries.size());
        QStringList shown;
        for (int i = 0; i < list.ListCount(); ++i) {
            platform::PictureOptions options;
            options.largeIcon = list.List(i).contains(".ico") || list.List(i).contains(".cur");
            const int room = core::kThumbnailTileSize - core::kThumbnailMargin;
            options.reduceFor = QSize(room, room);
            options.embeddedThumbnail = true;
            if (h.pictures.LoadPicture(photos.File(list.List(i)), options))
                shown << list.List(i);
        }

        QList<int> percents;
        QObject::connect(&h.Window(), &browser::frmThumbs::ProgressStepped,
            [&](int percent, const QString&) { percents << percent; });
        h.Window().show();
        // A few decodes of 256 MB are in it: under a sanitizer that is slow.
        h.WaitForLoad([&] { h.Window().OpenSourceFolder(photos.Path()); }, 300000);
        EXPECT_EQ(size_t(percents.size()), entries.size());
        EXPECT_EQ(percents.value(percents.size() - 1), 100);
        EXPECT_TRUE(h.dialogs.messages.empty());
        for (int load = 0; load < 2; ++load) {
            if (load == 1) // again, now that the thumbnail cache knows some of them
                h.WaitForLoad([&] { h.Trigger("Refresh"); }, 300000);
            EXPECT_EQ(Tags(h.Window()), shown);
            EXPECT_EQ(h.Count(), QString("File(s): %1").arg(shown.size()));
        }
    }

} // namespace
} // namespace gb::test
