#pragma once

#include "platform/dialogs.h"

namespace gb::platform {

// Dialogs on Qt's own message box and folder picker.
class QtDialogs : public IDialogs {
public:
    int MsgBox(QWidget* owner, const QString& prompt, int style, const QString& title) override;
    QString BrowseForFolder(
        QWidget* owner, const QString& title, const QString& initialFolder) override;
    QString SaveAs(QWidget* owner, const QString& proposedPath, const QString& pattern) override;
};

} // namespace gb::platform
