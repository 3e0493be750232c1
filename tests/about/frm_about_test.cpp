#include "about_harness.h"

#include <QFrame>
#include <QLabel>
#include <QSignalSpy>

namespace gb::test {
namespace {

    TEST(AboutWindow, LoadFillsCaptionTitleAndVersionAndOkCloses)
    {
        AboutHarness h;
        EXPECT_EQ(h.Get<QLabel>("lblVersion")->text(), "Version 1.0");
        h.WhileOpen([&] {
            EXPECT_EQ(h.window.windowTitle(), "About Glimmerbox");
            QLabel* title = h.Get<QLabel>("lblTitle");
            EXPECT_EQ(title->text(), "Glimmerbox");
            EXPECT_TRUE(title->font().bold());
            EXPECT_GT(title->font().pointSizeF(), h.Get<QLabel>("lblVersion")->font().pointSizeF());
            EXPECT_EQ(h.Get<QLabel>("lblVersion")->text(), "Version 1.0.3");
            EXPECT_TRUE(h.Get<QLabel>("lblDescription")->text().contains("photo management"));
            EXPECT_EQ(
                h.Get<QLabel>("Label1")->palette().color(QPalette::WindowText), QColor(Qt::blue));
            QFrame* line = h.Get<QFrame>("Line1");
            ASSERT_NE(line, nullptr);
            EXPECT_EQ(line->frameShape(), QFrame::HLine);
            EXPECT_EQ(line->frameShadow(), QFrame::Sunken);
            EXPECT_EQ(h.Get<QPushButton>("cmdSysInfo")->text(), "&System Info...");
            EXPECT_EQ(h.window.minimumSize(), h.window.maximumSize());

            QPushButton* ok = h.Get<QPushButton>("cmdOK");
            EXPECT_EQ(ok->text(), "OK");
            EXPECT_TRUE(ok->isDefault());
            EXPECT_TRUE(ok->hasFocus());
            QTest::keyClick(ok, Qt::Key_Tab);
            EXPECT_TRUE(h.Get<QPushButton>("cmdSysInfo")->hasFocus());
            ok->click();
            EXPECT_FALSE(h.window.isVisible());
        });
        EXPECT_TRUE(h.dialogs.messages.empty());
        EXPECT_TRUE(h.shell.started.isEmpty());
    }

    TEST(AboutWindow, EnterAndEscBothActAsOkAndEveryShowingReloads)
    {
        AboutHarness h;
        QSignalSpy okClicks(h.Get<QPushButton>("cmdOK"), &QPushButton::clicked);
        h.WhileOpen([&] {
            h.Get<QLabel>("lblVersion")->setText("stale");
            h.window.setWindowTitle("stale");
            QTest::keyClick(&h.window, Qt::Key_Escape);
            EXPECT_FALSE(h.window.isVisible());
        });
        EXPECT_EQ(okClicks.count(), 1);
        h.WhileOpen([&] {
            EXPECT_EQ(h.Get<QLabel>("lblVersion")->text(), "Version 1.0.3");
            EXPECT_EQ(h.window.windowTitle(), "About Glimmerbox");
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            EXPECT_FALSE(h.window.isVisible());
        });
        EXPECT_EQ(okClicks.count(), 2);
    }

    TEST(AboutWindow, SystemInfoStartsTheToolOrExplainsAndStaysOpen)
    {
        AboutHarness h;
        h.WhileOpen([&] {
            h.Get<QPushButton>("cmdSysInfo")->click();
            EXPECT_EQ(h.UnavailableMessages(), 1);
            EXPECT_TRUE(h.shell.started.isEmpty());
            EXPECT_TRUE(h.window.isVisible());

            h.SetToolPath(platform::Registry::REG_SZ, RegistryText("hardinfo"));
            h.Get<QPushButton>("cmdSysInfo")->click();
            EXPECT_EQ(h.shell.started, QStringList({ "hardinfo" }));
            EXPECT_EQ(h.UnavailableMessages(), 1);
            EXPECT_TRUE(h.window.isVisible());
            h.Get<QPushButton>("cmdOK")->click();
        });
        EXPECT_EQ(h.registry.OpenHandles(), 0);
    }

} // namespace
} // namespace gb::test
