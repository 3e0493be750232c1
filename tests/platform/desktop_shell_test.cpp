#include "platform/desktop_shell.h"

#include <QDesktopServices>
#include <QObject>
#include <QUrl>
#include <gtest/gtest.h>

namespace gb::test {
namespace {

    // Stands in for the desktop's handler of file addresses.
    class FileOpener : public QObject {
        Q_OBJECT
    public:
        Q_INVOKABLE void Open(const QUrl& url) { opened << url; }
        QList<QUrl> opened;
    };

    TEST(DesktopShell, HandsAFileToTheDesktopAndNothingWhenThereIsNoAddress)
    {
        FileOpener opener;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &opener, "Open");
        platform::DesktopShell shell;
        EXPECT_TRUE(shell.OpenDocument(QStringLiteral("/photos/a:b.jpg")));
        EXPECT_FALSE(shell.OpenDocument(QString()));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        EXPECT_EQ(opener.opened, QList { QUrl::fromLocalFile(QStringLiteral("/photos/a:b.jpg")) });
    }

} // namespace
} // namespace gb::test

#include "desktop_shell_test.moc"
