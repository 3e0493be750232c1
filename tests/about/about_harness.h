#pragma once

#include "about/frm_about.h"
#include "about/sys_info.h"
#include "support/test_services.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

namespace gb::test {

inline const QString ToolPathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline const QString ToolFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline const QString Unavailable = "System Information Is Unavailable At This Time";

// A registry string as the system stores it: UTF-8 with a terminating NUL.
inline QByteArray RegistryText(const QString& text) { return text.toUtf8() + '\0'; }

// The About window on the test services, with an empty registry.
struct AboutHarness : TestServices {
    void SetToolPath(std::uint32_t type, const QByteArray& data)
    {
        registry.SetValue(platform::Registry::HKEY_LOCAL_MACHINE, ToolPathKey, "PATH", type, data);
    }
    void SetToolFolder(const QString& folder)
    {
        registry.SetValue(platform::Registry::HKEY_LOCAL_MACHINE, ToolFolderKey, "MSINFO",
            platform::Registry::REG_SZ, RegistryText(folder));
    }
    // The message boxes that said the tool is unavailable, checking how they were shown.
    int UnavailableMessages() const
    {
        int count = 0;
        for (const FakeDialogs::MessageBox& box : dialogs.messages) {
            EXPECT_EQ(box.prompt, Unavailable);
            EXPECT_EQ(box.style, platform::MsgBoxStyle::OkOnly);
            EXPECT_EQ(box.title, "Glimmerbox");
            ++count;
        }
        return count;
    }

    // Opens the window modally and runs `body` inside it; the body must close the window.
    void WhileOpen(const std::function<void()>& body)
    {
        QTimer::singleShot(0, &window, [&] {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
            body();
            if (window.isVisible()) {
                ADD_FAILURE() << "the About window is still open";
                window.done(0);
            }
        });
        window.ShowModal();
    }

    template <typename T> T* Get(const char* name)
    {
        return window.findChild<T*>(QString::fromLatin1(name));
    }

    about::frmAbout window { module1 };
};

} // namespace gb::test
