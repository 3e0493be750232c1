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

    int MsgBox(QWidget* owner, const QString& prompt, int style, const QString& title) override;
    QString BrowseForFolder(
        QWidget* owner, const QString& title, const QString& initialFolder) override;

    // Answers used in order; when a queue runs dry, message boxes answer OK and the folder
    // picker is cancelled.
    std::deque<int> msgBoxAnswers;
    std::deque<QString> folderAnswers;

    std::vector<MessageBox> messages;
    std::vector<FolderRequest> folderRequests;
};

} // namespace gb::test
