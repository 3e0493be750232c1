#include "browser/file_list.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace gb::browser {

const QStringList& FileList::Patterns()
{
    // Phones and many programs name their JPEGs ".jpeg" or ".jpe"; they are listed with ".jpg".
    static const QStringList kPatterns { "*.bmp", "*.dib", "*.rle", "*.gif", "*.jpg", "*.jpeg",
        "*.jpe", "*.wmf", "*.emf", "*.ico", "*.cur" };
    return kPatterns;
}

bool FileList::SetPath(const QString& folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir() || !info.isReadable() || !info.isExecutable())
        return false;
    path_ = QDir::cleanPath(info.absoluteFilePath());
    names_.clear();
    return true;
}

void FileList::Refresh()
{
    names_.clear();
    if (path_.isEmpty())
        return;
    // QDir::Files without QDir::System leaves out devices, FIFOs, sockets and broken links;
    // without QDir::Hidden it leaves out dot files. Matching ignores case by default. A link
    // to a device, FIFO or socket still gets through, so what each entry resolves to is checked
    // too: only a regular file is a picture file.
    QDir dir(path_, QString(), QDir::NoSort, QDir::Files);
    dir.setNameFilters(Patterns());
    for (const QFileInfo& entry : dir.entryInfoList()) {
        if (entry.isFile())
            names_.push_back(entry.fileName());
    }
    // Case-insensitive by name, then by exact spelling so that "a.jpg" and "A.jpg" keep a
    // stable order.
    std::sort(names_.begin(), names_.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
}

} // namespace gb::browser
