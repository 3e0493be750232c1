// Opening a picture through the desktop, with GLib's own idea of which program opens what.
#include "platform/desktop_shell.h"
#include "support/private_session_bus.h"

#include <QGuiApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace gb::test {
namespace {

    // A desktop of its own: no installed program counts, but the types of files are still known;
    // "viewer" copies what it opens to "seen".
    class DesktopShell : public ::testing::Test {
    protected:
        void SetUp() override
        {
            const QString mime = QStandardPaths::locate(
                QStandardPaths::GenericDataLocation, "mime", QStandardPaths::LocateDirectory);
            ASSERT_TRUE(QFile::link(mime, none.File("mime")));
            ASSERT_TRUE(QDir(data.Path()).mkdir("applications"));
            data.Write("applications/viewer.desktop",
                kEntry.arg("image/bmp;image/gif;", pictures.File("seen")).toUtf8());
        }
        const QString kEntry
            = "[Desktop Entry]\nType=Application\nName=A\nMimeType=%1\nExec=cp %f %2\n";
        TempFolder data, none, pictures;
        platform::DesktopShell shell;
    };

    // Where the desktop would hand a picture back to this program, the next program registered
    // for its type opens it: View never starts a second copy of us. Where no other program is
    // registered, nothing is started and the caller hears so. xdg-open is not on the path here,
    // as without xdg-utils: GLib's launcher stands in.
    TEST_F(DesktopShell, ViewOpensAnotherProgramOrSaysThereIsNone)
    {
        // Its own config folder: no default list.
        PrivateSessionBus session(QString(), QStringList { "gio", "cp" });
        session.Set("XDG_DATA_HOME", data.Path());
        session.Set("XDG_DATA_DIRS", none.Path());
        QGuiApplication::setDesktopFileName("io.github.glimmerbox.Glimmerbox");
        // Ours first in the cache the desktop's package trigger writes, so ours is the default.
        data.Write("applications/mimeinfo.cache",
            "[MIME Cache]\nimage/bmp=io.github.glimmerbox.Glimmerbox.desktop;viewer.desktop;\n"
            "image/emf=io.github.glimmerbox.Glimmerbox.desktop;\n"
            "image/gif=viewer.desktop;io.github.glimmerbox.Glimmerbox.desktop;\n");
        data.Write("applications/io.github.glimmerbox.Glimmerbox.desktop",
            kEntry.arg("image/bmp;image/emf;image/gif;", pictures.File("ours")).toUtf8());
        const struct {
            const char* name;
            bool opened; // by the viewer
        } cases[] = { { "a photo.bmp", true }, { "only ours.emf", false },
            { "nobody's.wmf", false }, { "viewer's.gif", true } };
        for (const auto& c : cases) {
            pictures.Write(c.name, "picture");
            QFile::remove(pictures.File("seen"));
            std::optional<bool> opened;
            shell.OpenDocument(pictures.File(c.name), [&](bool accepted) { opened = accepted; });
            EXPECT_TRUE(QTest::qWaitFor([&] { return opened.has_value(); }, 20000)) << c.name;
            EXPECT_EQ(opened, c.opened) << c.name;
            if (c.opened) {
                EXPECT_TRUE(QTest::qWaitFor([&] { return pictures.Read("seen") != ""; }, 20000));
            }
        }
        EXPECT_FALSE(QFile::exists(pictures.File("ours")));
    }

    // With xdg-utils alone xdg-open chooses (here for a desktop it does not know, with a display
    // and no browser), and says when no program took the file (exit code 3).
    TEST_F(DesktopShell, ViewWithXdgOpenAloneSaysWhenNoProgramTookTheFile)
    {
        PrivateSessionBus xdgUtils({},
            { "xdg-open", "xdg-mime", "sh", "sed", "grep", "egrep", "awk", "cut", "tr", "head",
                "cat", "basename", "dirname", "readlink", "which", "file", "cp" });
        for (const char* name : { "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                 "GNOME_DESKTOP_SESSION_ID", "BROWSER" })
            xdgUtils.Set(name, "");
        if (QStandardPaths::findExecutable("xdg-open").isEmpty())
            GTEST_SKIP() << "xdg-open is not installed (xdg-utils)";
        for (const char* name : { "XDG_DATA_DIRS", "XDG_CONFIG_DIRS" })
            xdgUtils.Set(name, none.Path());
        xdgUtils.Set("XDG_DATA_HOME", data.Path());
        xdgUtils.Set("DISPLAY", ":99");
        data.Write(
            "applications/mimeapps.list", "[Default Applications]\ntext/plain=viewer.desktop\n");
        for (const QByteArray content : { "text", "\x01\x02\x03" }) {
            pictures.Write("a.picture", content);
            QFile::remove(pictures.File("seen"));
            std::optional<bool> opened;
            shell.OpenDocument(pictures.File("a.picture"), [&](bool took) { opened = took; });
            EXPECT_TRUE(QTest::qWaitFor([&] { return opened.has_value(); }, 20000));
            EXPECT_EQ(opened, content == "text");
            EXPECT_EQ(pictures.Read("seen"), content == "text" ? "text" : "");
        }
    }

} // namespace
} // namespace gb::test
