#include "about/frm_about.h"
#include "support/test_services.h"

#include <QFrame>
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

    struct AboutHarness : TestServices {
        void WhileOpen(const std::function<void()>& body)
        {
            WhileModal(
                window, [&] { return window.ShowModal(); }, body);
        }
        template <typename T> T* Get(const char* name) { return window.findChild<T*>(name); }
        about::frmAbout window { module1 };
    };

    TEST(AboutWindow, EveryShowingFillsTheTextsAndOkEnterOrPlainEscClose)
    {
        AboutHarness h;
        QPushButton* ok = h.Get<QPushButton>("cmdOK");
        QSignalSpy okClicks(ok, &QPushButton::clicked);
        const std::function<void()> closers[]
            = { [&] { QTest::keyClick(&h.window, Qt::Key_Escape); },
                  [&] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); },
                  [&] { ok->click(); } };
        for (const auto& close : closers) {
            h.WhileOpen([&] {
                EXPECT_EQ(h.window.windowTitle(), "About Glimmerbox");
                EXPECT_EQ(h.Get<QLabel>("lblTitle")->text(), "Glimmerbox");
                EXPECT_EQ(h.Get<QLabel>("lblVersion")->text(), "Version 1.0.3");
                EXPECT_TRUE(ok->hasFocus());
                EXPECT_TRUE(ok->isDefault());
                h.Get<QLabel>("lblVersion")->setText("stale");
                h.window.setWindowTitle("stale");
                // Neither another key nor Esc with a modifier closes it.
                QTest::keyClick(&h.window, Qt::Key_A);
                QTest::keyClick(&h.window, Qt::Key_Escape, Qt::ShiftModifier);
                EXPECT_TRUE(h.window.isVisible());
                close();
                EXPECT_FALSE(h.window.isVisible());
            });
            EXPECT_EQ(okClicks.count(), &close - closers + 1);
        }
    }

    TEST(AboutWindow, LooksAsDesignedAndSystemInfoStartsTheToolOrExplainsAndStaysOpen)
    {
        AboutHarness h;
        h.WhileOpen([&] {
            QLabel* title = h.Get<QLabel>("lblTitle");
            EXPECT_TRUE(title->font().bold());
            EXPECT_GT(title->font().pointSizeF(), h.Get<QLabel>("lblVersion")->font().pointSizeF());
            EXPECT_EQ(
                h.Get<QLabel>("Label1")->palette().color(QPalette::WindowText), QColor(Qt::blue));
            EXPECT_EQ(h.Get<QFrame>("Line1")->frameShadow(), QFrame::Sunken);
            EXPECT_EQ(h.window.minimumSize(), h.window.maximumSize());
            QPushButton* sysInfo = h.Get<QPushButton>("cmdSysInfo");
            EXPECT_EQ(sysInfo->text(), "&System Info...");
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            EXPECT_TRUE(sysInfo->hasFocus());

            QTest::keyClick(sysInfo, Qt::Key_Space);
            EXPECT_EQ(h.dialogs.messages.size(), 1u);
            h.registry.SetValue(platform::Registry::HKEY_LOCAL_MACHINE,
                "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", platform::Registry::REG_SZ,
                "hardinfo");
            sysInfo->click();
            EXPECT_EQ(h.shell.started, QStringList({ "hardinfo" }));
            EXPECT_EQ(h.dialogs.messages.size(), 1u);
            EXPECT_TRUE(h.window.isVisible());
        });
    }

} // namespace
} // namespace gb::test
