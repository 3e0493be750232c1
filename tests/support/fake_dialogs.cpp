#include "support/fake_dialogs.h"

namespace gb::test {

int FakeDialogs::MsgBox(QWidget*, const QString& prompt, int style, const QString& title)
{
    messages.push_back({ prompt, style, title });
    if (msgBoxAnswers.empty())
        return platform::MsgBoxResult::Ok;
    const int answer = msgBoxAnswers.front();
    msgBoxAnswers.pop_front();
    return answer;
}

QString FakeDialogs::BrowseForFolder(QWidget*, const QString& title, const QString& initialFolder)
{
    folderRequests.push_back({ title, initialFolder });
    if (folderAnswers.empty())
        return {};
    QString answer = folderAnswers.front();
    folderAnswers.pop_front();
    return answer;
}

QString FakeDialogs::SaveAs(QWidget*, const QString& proposedPath, const QString& pattern)
{
    saveRequests.push_back({ proposedPath, pattern });
    if (saveAnswers.empty())
        return {};
    QString answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

} // namespace gb::test
