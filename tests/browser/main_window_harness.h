#pragma once

#include "browser/frm_thumbs.h"
#include "browser/main_toolbar.h"
#include "browser/thumb_grid.h"
#include "samplegen/image_writers.h"
#include "support/test_services.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace gb::test {

// Writes a real picture file of the type its name says.
inline void WritePicture(const TempFolder& folder, const QString& name, QSize size = { 40, 30 })
{
    folder.Write(name, tools::WriteByName(name, tools::Gradient(size)));
}

// The names of the cells a load made, in grid order.
inline QStringList Tags(const browser::frmThumbs& window)
{
    QStringList tags;
    for (const browser::ThumbCell& cell : window.Cells())
        if (cell.Visible)
            tags << cell.Tag;
    return tags;
}

// The real main window on the test services.
struct MainWindowHarness : TestServices {
    using TestServices::TestServices;
    ~MainWindowHarness() { AwaitLanes(); } // before the window and what it was given go
    browser::frmThumbs& Window()
    {
        if (!window)
            window = std::make_unique<browser::frmThumbs>(module1);
        return *window;
    }
    void ShowAndActivate() // until its first activation has been handled
    {
        QSignalSpy done(&Window(), &browser::frmThumbs::FirstActivationDone);
        Window().show();
        ASSERT_TRUE(done.wait(10000));
    }
    // Runs `action` and waits for the load it starts to finish.
    template <typename Action> void WaitForLoad(Action action)
    {
        QSignalSpy finished(&Window(), &browser::frmThumbs::LoadFinished);
        action();
        ASSERT_TRUE(!finished.isEmpty() || finished.wait(10000));
    }
    void Open(const QString& folder)
    {
        WaitForLoad([&] { Window().OpenSourceFolder(folder); });
    }
    void Trigger(const char* key) // and waits for a picker it asks for to be answered
    {
        Window().Toolbar().Button(key)->trigger();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !module1.PickerPending(); }));
    }
    bool Enabled(const char* key) { return Window().Toolbar().Button(key)->isEnabled(); }
    void Click(int cell, Qt::KeyboardModifiers keys = {}, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(&Window().Grid(), button, keys, Window().Grid().CellRect(cell).center());
        if (button == Qt::RightButton)
            Window().ContextMenu().hide();
    }
    QAction* MenuItem(const char* name) { return Window().ContextMenu().findChild<QAction*>(name); }
    void SetWallpaper(int cell) // from the cell's menu, until the request has ended
    {
        Click(cell, {}, Qt::RightButton);
        QSignalSpy ended(&Window(), &browser::frmThumbs::WallpaperRequestEnded);
        MenuItem("mnuWallpaper")->trigger();
        ASSERT_TRUE(ended.wait(10000));
    }
    QList<int> Values()
    {
        QList<int> values;
        for (const browser::ThumbCell& cell : Window().Cells())
            values << cell.Value;
        return values;
    }
    QString Count() { return Window().PanelText(2); }

    std::unique_ptr<browser::frmThumbs> window;
};

// A shown main window on a folder of pictures (by default a.bmp, b.bmp, c.bmp and d.bmp).
struct LoadedWindow : MainWindowHarness {
    explicit LoadedWindow(const QStringList& names = { "a.bmp", "b.bmp", "c.bmp", "d.bmp" },
        platform::IFileOperations* fileOperations = nullptr)
        : MainWindowHarness(QString(), fileOperations)
    {
        for (const QString& name : names)
            WritePicture(photos, name);
        Window().show();
        Open(photos.Path());
    }
    TempFolder photos;
};

} // namespace gb::test
