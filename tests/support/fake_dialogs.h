#pragma once

#include "platform/dialogs.h"

#include <QStringList>
#include <deque>
#include <vector>

namespace gb::test {

// Dialogs that answer from scripted queues and record everything they were asked.
class FakeDialogs : public platform::IDialogs {
public:
    struct MessageBox {
        QString prompt;
        int style;
        QString title;
    };
    struct FolderRequest {
        QString title;
        QString initialFolder;
    };
    struct SaveRequest {
        QString proposedPath;
        QString pattern;
    };

    int MsgBox(QWidget* owner, const QString& prompt, int style, const QString& title) override;
    QString BrowseForFolder(
        QWidget* owner, const QString& title, const QString& initialFolder) override;
    QString SaveAs(QWidget* owner, const QString& proposedPath, const QString& pattern) override;

    // Answers used in order; when a queue runs dry, message boxes answer OK and the folder
    // picker is cancelled.
    std::deque<int> msgBoxAnswers;
    std::deque<QString> folderAnswers;
    std::deque<QString> saveAnswers; // dry: cancelled

    std::vector<MessageBox> messages;
    std::vector<FolderRequest> folderRequests;
    std::vector<SaveRequest> saveRequests;
};

} // namespace gb::test
