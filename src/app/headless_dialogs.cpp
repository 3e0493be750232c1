#include "app/headless_dialogs.h"

#include <cstdio>

namespace gb::app {

int HeadlessDialogs::MsgBox(QWidget*, const QString& prompt, int style, const QString& title)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(prompt));
    switch (style & 0x7) {
    case platform::MsgBoxStyle::OkCancel:
        return platform::MsgBoxResult::Cancel;
    case platform::MsgBoxStyle::YesNo:
        return platform::MsgBoxResult::No;
    default:
        return platform::MsgBoxResult::Ok;
    }
}

QString HeadlessDialogs::BrowseForFolder(QWidget*, const QString&, const QString&) { return {}; }

QString HeadlessDialogs::SaveAs(QWidget*, const QString&, const QString&) { return {}; }

} // namespace gb::app
