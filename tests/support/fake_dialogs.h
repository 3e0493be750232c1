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
        QString title, initialFolder;
    };
    struct SaveRequest {
        QString proposedPath, pattern;
    };

    int MsgBox(QWidget*, const QString& prompt, int style, const QString& title) override
    {
        messages.push_back({ prompt, style, title });
        return Next(msgBoxAnswers, platform::MsgBoxResult::Ok);
    }
    QString BrowseForFolder(QWidget*, const QString& title, const QString& initialFolder) override
    {
        folderRequests.push_back({ title, initialFolder });
        return Next(folderAnswers, QString());
    }
    QString SaveAs(QWidget*, const QString& proposedPath, const QString& pattern) override
    {
        saveRequests.push_back({ proposedPath, pattern });
        return Next(saveAnswers, QString());
    }

    // Answers used in order; when a queue runs dry, message boxes answer OK and the folder
    // picker and Save As are cancelled.
    std::deque<int> msgBoxAnswers;
    std::deque<QString> folderAnswers;
    std::deque<QString> saveAnswers;
    std::vector<MessageBox> messages;
    std::vector<FolderRequest> folderRequests;
    std::vector<SaveRequest> saveRequests;

private:
    template <typename T> static T Next(std::deque<T>& answers, T dry)
    {
        if (!answers.empty()) {
            dry = std::move(answers.front());
            answers.pop_front();
        }
        return dry;
    }
};

} // namespace gb::test
