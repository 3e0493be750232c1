// Opening a picture through the desktop, with GLib's own idea of which program opens what.
#include "platform/desktop_shell.h"
#include "support/temp_folder.h"

#include <QGuiApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace gb::test {
namespace {

    // Where the desktop would hand a picture back to this program, the next program
    // registered for its type opens it: View never starts a second copy of us.
    TEST(DesktopShell, ViewNeverOpensThisProgramAgain)
    {
        TempFolder data, config, pictures;
        const QByteArray saved[] = { qgetenv("XDG_DATA_HOME"), qgetenv("XDG_CONFIG_HOME") };
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.Path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.Path())); // no default list
        QGuiApplication::setDesktopFileName("io.github.glimmerbox.Glimmerbox");
        ASSERT_TRUE(QDir(data.Path()).mkdir("applications"));
        // Ours first in the cache the desktop's package trigger writes, so ours is the default.
        data.Write("applications/mimeinfo.cache",
            "[MIME Cache]\nimage/bmp=io.github.glimmerbox.Glimmerbox.desktop;viewer.desktop;\n");
        const QString entry
            = "[Desktop Entry]\nType=Application\nName=A\nMimeType=image/bmp\nExec=";
        data.Write(
            "applications/io.github.glimmerbox.Glimmerbox.desktop", (entry + "false %f").toUtf8());
        data.Write(
            "applications/viewer.desktop", (entry + "cp %f " + pictures.File("seen")).toUtf8());
        pictures.Write("a photo.bmp", "BM picture");
        EXPECT_TRUE(platform::DesktopShell().OpenDocument(pictures.File("a photo.bmp")));
        EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(pictures.File("seen")); }, 20000));
        qputenv("XDG_DATA_HOME", saved[0]);
        qputenv("XDG_CONFIG_HOME", saved[1]);
    }

} // namespace
} // namespace gb::test
