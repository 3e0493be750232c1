#pragma once

#include <QString>
#include <QStringList>
#include <algorithm>

namespace gb::platform {
class IFileOperations;
}

namespace gb::browser {

// What one reading of a folder found. `folder` is empty when the folder cannot be opened, and
// `whyNot` then ends the sentence that says so ("it does not exist").
struct FolderListing {
    QString folder; // absolute and clean
    QString pictureToFocus; // the picture file the request named, when it named one
    QStringList names;
    QString whyNot;
    // What failed was named as a picture file, which is not there: not a folder to speak of.
    bool missingPicture = false;
    bool remote = false; // on a network or user-space file system
    // Pictures left out because their types show only when every type is asked for, and those
    // types by extension (upper case, in order of first appearance).
    int hiddenCount = 0;
    QStringList hiddenTypes = {};
    bool Opened() const { return !folder.isEmpty(); }
};

// The picture files of one folder: regular files matching the program's nine image patterns,
// or with `everyType` also those of the other types it decodes (any letter case), no dot files,
// folders, devices, FIFOs, sockets or broken links, sorted by name ignoring case.
class FileList {
public:
    static const QStringList& Patterns(bool everyType = false);

    // What to accept as the folder to read.
    enum class Accept {
        Folder, // a folder that can be read, else nothing is listed
        FolderOrPicture, // as Folder, or a regular file: its folder, with the file to focus
        Anything, // list whatever is there (a folder gone since is simply empty)
    };
    // Reads `path` from the disk. On a slow or stalled share this may take any time, so it never
    // runs on the window's thread.
    static FolderListing Read(
        const QString& path, Accept accept, bool everyType, const platform::IFileOperations& files);

    // Takes what a reading of this list's folder found.
    void Take(const FolderListing& listing);
    QString Path() const { return path_; }
    // Turns the names round: the last first.
    void Reverse() { std::reverse(names_.begin(), names_.end()); }

    int ListCount() const { return static_cast<int>(names_.size()); }
    QString List(int index) const { return names_.value(index); }

private:
    QString path_;
    QStringList names_;
};

} // namespace gb::browser
