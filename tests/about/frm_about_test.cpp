#include "about/frm_about.h"
#include "support/test_services.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace gb::test {
namespace {

    // Runs `show` (a modal showing of `window`) and `body` inside it once the window is on
    // screen; closes the window if the body left it open.
    int WhileModal(
        QDialog& window, const std::function<int()>& show, const std::function<void()>& body)
    {
        QTimer::singleShot(0, &window, [&] {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
            body();
            if (window.isVisible())
                window.done(QDialog::Rejected);
        });
        return show();
    }

    TEST(AboutWindow, EveryShowingFillsTheTextsSystemInfoKeepsItOpenAndOkEnterOrEscClose)
    {
        TestServices s;
        about::frmAbout window(s.module1);
        auto* ok = window.findChild<QPushButton*>("cmdOK");
        auto* sysInfo = window.findChild<QPushButton*>("cmdSysInfo");
        auto* title = window.findChild<QLabel*>("lblTitle");
        auto* version = window.findChild<QLabel*>("lblVersion");
        QSignalSpy okClicks(ok, &QPushButton::clicked);
        const std::function<void()> closers[] = { [&] { QTest::keyClick(&window, Qt::Key_Escape); },
            [&] { QTest::keyClick(ok, Qt::Key_Return); }, // OK has the focus
            [&] { ok->click(); } };
        const auto show = [&] { return window.ShowModal(); };
        for (const auto& close : closers) {
            WhileModal(window, show, [&] {
                EXPECT_EQ(window.windowTitle(), "About Glimmerbox");
                EXPECT_EQ(title->text(), "Glimmerbox");
                EXPECT_TRUE(title->font().bold());
                EXPECT_EQ(version->text(), "Version 1.0.3");
                EXPECT_TRUE(ok->hasFocus());
                EXPECT_TRUE(ok->isDefault());
                version->setText("stale");
                window.setWindowTitle("stale");
                // Neither another key nor Esc with a modifier closes it, nor System Info.
                QTest::keyClick(&window, Qt::Key_A);
                QTest::keyClick(&window, Qt::Key_Escape, Qt::ShiftModifier);
                QTest::keyClick(ok, Qt::Key_Tab);
                EXPECT_TRUE(sysInfo->hasFocus());
                QTest::keyClick(sysInfo, Qt::Key_Space);
                EXPECT_TRUE(window.isVisible());
                ok->setFocus();
                close();
                EXPECT_FALSE(window.isVisible());
            });
            EXPECT_EQ(okClicks.count(), &close - closers + 1);
        }
        // No tool was recorded: each System Info click said so. Now there is one.
        EXPECT_EQ(s.dialogs.messages.size(), 3u);
        s.registry.SetValue(platform::Registry::HKEY_LOCAL_MACHINE,
            "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", platform::Registry::REG_SZ,
            "hardinfo");
        WhileModal(window, show, [&] { sysInfo->click(); });
        EXPECT_EQ(s.shell.started, QStringList({ "hardinfo" }));
        EXPECT_EQ(s.dialogs.messages.size(), 3u);
    }

} // namespace
} // namespace gb::test
