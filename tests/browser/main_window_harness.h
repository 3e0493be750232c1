#pragma once

#include "browser/frm_thumbs.h"
#include "support/test_services.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace gb::test {

// The real main window on the test services.
class MainWindowHarness : public TestServices {
public:
    QString IniPath() { return module1.IniPath(); }

    browser::frmThumbs& Window()
    {
        if (!window)
            window = std::make_unique<browser::frmThumbs>(module1);
        return *window;
    }

    // Shows the window and waits until its first activation has been handled.
    void ShowAndActivate()
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
        if (finished.isEmpty()) {
            ASSERT_TRUE(finished.wait(10000));
        }
    }

    std::unique_ptr<browser::frmThumbs> window;
};

inline QImage Gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 128));
    return image;
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

// Writes a real picture file of the type its name says.
void WritePicture(const TempFolder& folder, const QString& name, QSize size = QSize(40, 30));

} // namespace gb::test
