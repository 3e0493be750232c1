// Opening a picture through the desktop, with GLib's own idea of which program opens what.
#include "platform/desktop_shell.h"
#include "support/private_session_bus.h"

#include <QGuiApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace gb::test {
namespace {

    // Where the desktop would hand a picture back to this program, the next program registered
    // for its type opens it: View never starts a second copy of us. Where no other program is
    // registered, nothing is started and the caller hears so. xdg-open is not on the path here,
    // as without xdg-utils: GLib's launcher stands in.
    TEST(DesktopShell, ViewOpensAnotherProgramOrSaysThereIsNone)
    {
        TempFolder data, none, pictures;
        const QString mime = QStandardPaths::locate(
            QStandardPaths::GenericDataLocation, "mime", QStandardPaths::LocateDirectory);
        PrivateSessionBus session({}, { "gio", "cp" }); // its own config folder: no default list
        const QByteArray saved[] = { qgetenv("XDG_DATA_HOME"), qgetenv("XDG_DATA_DIRS") };
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.Path()));
        // No installed program counts, but the types of files are still known.
        ASSERT_TRUE(QFile::link(mime, none.File("mime")));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(none.Path()));
        QGuiApplication::setDesktopFileName("io.github.glimmerbox.Glimmerbox");
        ASSERT_TRUE(QDir(data.Path()).mkdir("applications"));
        // Ours first in the cache the desktop's package trigger writes, so ours is the default.
        data.Write("applications/mimeinfo.cache",
            "[MIME Cache]\nimage/bmp=io.github.glimmerbox.Glimmerbox.desktop;viewer.desktop;\n"
            "image/emf=io.github.glimmerbox.Glimmerbox.desktop;\n"
            "image/gif=viewer.desktop;io.github.glimmerbox.Glimmerbox.desktop;\n");
        const QString entry = "[Desktop Entry]\nType=Application\nName=A\nMimeType=%1\nExec=cp %f ";
        data.Write("applications/io.github.glimmerbox.Glimmerbox.desktop",
            (entry.arg("image/bmp;image/emf;image/gif;") + pictures.File("ours")).toUtf8());
        data.Write("applications/viewer.desktop",
            (entry.arg("image/bmp;image/gif;") + pictures.File("seen")).toUtf8());
        const struct {
            const char* name;
            bool opened; // by the viewer
        } cases[] = { { "a photo.bmp", true }, { "only ours.emf", false },
            { "nobody's.wmf", false }, { "viewer's.gif", true } };
        platform::DesktopShell shell;
        for (const auto& c : cases) {
            pictures.Write(c.name, "picture");
            QFile::remove(pictures.File("seen"));
            std::optional<bool> opened;
            shell.OpenDocument(pictures.File(c.name), [&](bool accepted) { opened = accepted; });
            EXPECT_TRUE(QTest::qWaitFor([&] { return opened.has_value(); }, 20000)) << c.name;
            EXPECT_EQ(opened, c.opened) << c.name;
            if (c.opened) {
                EXPECT_TRUE(
                    QTest::qWaitFor([&] { return pictures.Read("seen") == "picture"; }, 20000))
                    << c.name;
            }
        }
        EXPECT_FALSE(QFile::exists(pictures.File("ours")));
        qputenv("XDG_DATA_HOME", saved[0]);
        qputenv("XDG_DATA_DIRS", saved[1]);
    }

} // namespace
} // namespace gb::test
