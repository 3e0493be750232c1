#include "about/frm_about.h"
#include "support/modal_runner.h"
#include "support/test_services.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace gb::test {
namespace {

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
        const auto find = [&] { return &window; };
        const auto show = [&] { window.ShowModal(); };
        for (const auto& close : closers) {
            const auto body = [&](QDialog&) {
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
            };
            RunModal(find, body, show);
            EXPECT_EQ(okClicks.count(), &close - closers + 1);
        }
        // No tool was recorded: each System Info click said so. Now there is one.
        EXPECT_EQ(s.dialogs.messages.size(), 3u);
        s.registry.SetValue(platform::Registry::HKEY_LOCAL_MACHINE,
            "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", platform::Registry::REG_SZ,
            "hardinfo");
        RunModal(
            find, [&](QDialog&) { sysInfo->click(), ok->click(); }, show);
        EXPECT_EQ(s.shell.started, QStringList({ "hardinfo" }));
        EXPECT_EQ(s.dialogs.messages.size(), 3u);
    }

} // namespace
} // namespace gb::test
