#pragma once

#include <QString>

class QWidget;

namespace gb::platform {

// Message box styles and answers, numbered as the classic message box API numbers them.
namespace MsgBoxStyle {
    inline constexpr int OkOnly = 0;
    inline constexpr int OkCancel = 1;
    inline constexpr int YesNo = 4;
    inline constexpr int Critical = 16;
    inline constexpr int Question = 32;
    inline constexpr int Exclamation = 48;
    inline constexpr int Information = 64;
}
namespace MsgBoxResult {
    inline constexpr int Ok = 1;
    inline constexpr int Cancel = 2;
    inline constexpr int Yes = 6;
    inline constexpr int No = 7;
}

// Modal dialogs. Everything is asked on the user-interface thread, so the pickers are handed
// only places already seen to answer: they look at nothing else first.
class IDialogs {
public:
    virtual ~IDialogs() = default;
    // Shows `prompt` with the buttons and icon of `style`; returns the answer (MsgBoxResult).
    virtual int MsgBox(QWidget* owner, const QString& prompt, int style, const QString& title) = 0;
    // Lets the user pick a folder, opening at `initialFolder`.
    // Returns the chosen folder, or "" when cancelled.
    virtual QString BrowseForFolder(
        QWidget* owner, const QString& title, const QString& initialFolder)
        = 0;
    // The Save As dialog, proposing `proposedPath` and offering the one file type `pattern`
    // (such as "*.jpg"). It asks before replacing an existing file. Returns the chosen path, or
    // "" when cancelled.
    virtual QString SaveAs(QWidget* owner, const QString& proposedPath, const QString& pattern) = 0;
};

} // namespace gb::platform
