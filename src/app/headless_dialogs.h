#pragma once

#include "platform/dialogs.h"

#include <QTextStream>

namespace gb::app {

// Dialogs for unattended runs (contact sheet, screenshot): messages go to standard error and
// every question takes its safe answer (No, Cancel); the folder picker is cancelled.
class HeadlessDialogs : public platform::IDialogs {
public:
    int MsgBox(QWidget* owner, const QString& prompt, int style, const QString& title) override;
    QString BrowseForFolder(
        QWidget* owner, const QString& title, const QString& initialFolder) override;
    QString SaveAs(QWidget* owner, const QString& proposedPath, const QString& pattern) override;
};

} // namespace gb::app
