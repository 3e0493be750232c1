#pragma once

#include <QString>
#include <QStringList>

namespace gb::browser {

// The picture files of one folder: regular files matching the program's nine image patterns
// (any letter case), no dot files, folders, devices, FIFOs, sockets or broken links, sorted by
// name ignoring case.
class FileList {
public:
    static const QStringList& Patterns();

    // Points the list at `folder`; Refresh lists it. False (and nothing changed) when the folder
    // does not exist or cannot be read.
    bool SetPath(const QString& folder);
    QString Path() const { return path_; }

    // Lists the folder again, so the list reflects what is there now.
    void Refresh();

    int ListCount() const { return static_cast<int>(names_.size()); }
    QString List(int index) const { return names_.value(index); }

private:
    QString path_;
    QStringList names_;
};

} // namespace gb::browser
