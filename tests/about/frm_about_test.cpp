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
        for (const auto& close : closers) {
            const auto body = [&](QDialog&) {
                EXPECT_EQ(window.windowTitle(), "About Glimmerbox");
                EXPECT_EQ(title->text(), "Glimmerbox");
                EXPECT_EQ(version->text(), "Version 1.0.3");
                EXPECT_TRUE(ok->hasFocus() && ok->isDefault());
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
            RunModal([&] { return &window; }, body, [&] { window.ShowModal(); });
            EXPECT_EQ(okClicks.count(), &close - closers + 1);
        }
        EXPECT_EQ(s.dialogs.messages.size(), 3u); // no tool was recorded: each click said so
    }

} // namespace
} // namespace gb::test
