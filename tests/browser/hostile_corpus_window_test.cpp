// The whole hostile corpus (tests/data/hostile) as one folder in the real main window: the load
// gets through every file to the end, and the cells and the count are those of the files that
// can be shown.
#include "main_window_harness.h"

#include "browser/main_toolbar.h"
#include "core/thumbnail_geometry.h"

#include <QAction>
#include <QRegularExpression>
#include <functional>

namespace gb::test {
namespace {

    const QString kCorpus = QStringLiteral(GLIMMERBOX_HOSTILE_CORPUS);

    // README.txt's verdict word for each file.
    QMap<QString, QString> Verdicts()
    {
        QFile readme(QDir(kCorpus).filePath("README.txt"));
        EXPECT_TRUE(readme.open(QIODevice::ReadOnly));
        QMap<QString, QString> verdicts;
        static const QRegularExpression line(R"(^(\S+)\s+(loads|fails|either)\s)");
        for (const QByteArray& text : readme.readAll().split('\n')) {
            const QRegularExpressionMatch match = line.match(QString::fromUtf8(text));
            if (match.hasMatch())
                verdicts.insert(match.captured(1), match.captured(2));
        }
        return verdicts;
    }

    // A whole corpus load includes a few decodes of 256 MB; under a sanitizer that is slow.
    void LoadAndWait(MainWindowHarness& h, const std::function<void()>& start)
    {
        QSignalSpy finished(&h.Window(), &browser::frmThumbs::LoadFinished);
        start();
        if (finished.isEmpty()) {
            ASSERT_TRUE(finished.wait(300000));
        }
    }

    // The files a thumbnail load gets a picture from, in the order the window lists them; those
    // README.txt says must load or must fail are checked on the way.
    QStringList ShownAsThumbnails(
        MainWindowHarness& h, const TempFolder& photos, const QMap<QString, QString>& verdicts)
    {
        browser::FileList list;
        EXPECT_TRUE(list.SetPath(photos.Path()));
        list.Refresh();
        EXPECT_EQ(list.ListCount(), verdicts.size());
        QStringList shown;
        for (int i = 0; i < list.ListCount(); ++i) {
            const QString name = list.List(i);
            platform::PictureOptions options;
            options.largeIcon = name.contains(".ico") || name.contains(".cur");
            const int room = core::kThumbnailTileSize - core::kThumbnailMargin;
            options.reduceFor = QSize(room, room);
            options.embeddedThumbnail = true;
            const bool loads = h.pictures.LoadPicture(photos.File(name), options).has_value();
            if (loads)
                shown << name;
            if (verdicts[name] == "loads") {
                EXPECT_TRUE(loads) << name.toStdString();
            } else if (verdicts[name] == "fails") {
                EXPECT_FALSE(loads) << name.toStdString();
            }
        }
        return shown;
    }

    TEST(HostileCorpusWindow, WholeCorpusLoadsToItsEndWithTheRightCount)
    {
        TempFolder photos;
        const QMap<QString, QString> verdicts = Verdicts();
        ASSERT_GT(verdicts.size(), 150);
        for (auto it = verdicts.cbegin(); it != verdicts.cend(); ++it)
            ASSERT_TRUE(QFile::copy(QDir(kCorpus).filePath(it.key()), photos.File(it.key())));

        MainWindowHarness h;
        const QStringList shown = ShownAsThumbnails(h, photos, verdicts);

        QList<int> percents;
        QObject::connect(&h.Window(), &browser::frmThumbs::ProgressStepped,
            [&](int percent, const QString&) { percents << percent; });
        h.Window().show();
        LoadAndWait(h, [&] { h.Window().OpenSourceFolder(photos.Path()); });
        EXPECT_EQ(percents.size(), verdicts.size());
        EXPECT_EQ(percents.isEmpty() ? 0 : percents.last(), 100);
        EXPECT_EQ(Tags(h.Window()), shown);
        EXPECT_EQ(h.Window().PanelText(2), QString("File(s): %1").arg(shown.size()));
        EXPECT_TRUE(h.dialogs.messages.empty());

        // Again, now that the thumbnail cache knows some of these files.
        LoadAndWait(h, [&] { h.Window().Toolbar().Button("Refresh")->trigger(); });
        EXPECT_EQ(Tags(h.Window()), shown);
        EXPECT_EQ(h.Window().PanelText(2), QString("File(s): %1").arg(shown.size()));
    }

} // namespace
} // namespace gb::test
