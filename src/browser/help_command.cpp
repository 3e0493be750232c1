#include "browser/help_command.h"

#include "module1/module1.h"
#include "platform/app_info.h"
#include "platform/dialogs.h"

#include <QFileInfo>
#include <QUrl>

namespace gb::browser {

void ShowHelp(app::Module1& module1, QWidget* owner)
{
    platform::IDialogs& dialogs = module1.Services().dialogs;
    const QUrl page(module1.Services().appInfo.HelpSite() + "/GBHelp/toc.htm");
    // Pages installed with the program need no connection, so only a web site is announced.
    if (page.isLocalFile()) {
        if (QFileInfo(page.toLocalFile()).isFile())
            module1.OpenDocument(owner, page.toString());
        else
            dialogs.MsgBox(owner,
                "The Glimmerbox Help pages were not found:\n" + page.toLocalFile(),
                platform::MsgBoxStyle::Information, "Glimmerbox");
        return;
    }
    const int answer = dialogs.MsgBox(owner,
        "All Help Documentation for Glimmerbox is On-Line.\n"
        "You must be connected to the internet to access Glimmerbox Help",
        platform::MsgBoxStyle::OkCancel, QString());
    if (answer == platform::MsgBoxResult::Ok)
        module1.OpenDocument(owner, page.toString());
}

} // namespace gb::browser
