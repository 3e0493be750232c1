#include "browser/file_list.h"

#include "core/cell_order.h"

#include "formats/picture_types.h"
#include "platform/file_operations.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

namespace gb::browser {

namespace {

    // The picture files of `listing`'s folder, and those of the types not asked for, counted
    // from the same reading: a share is read once.
    void ReadPictureNames(FolderListing& listing, bool everyType)
    {
        // QDir::Files without QDir::System leaves out devices, FIFOs, sockets and broken links;
        // without QDir::Hidden it leaves out dot files. Matching ignores case by default. A link
        // to a device, FIFO or socket still gets through, so what each entry resolves to is
        // checked too: only a regular file is a picture file.
        static const QSet<QString> kClassicTypes = [] {
            QSet<QString> types;
            for (const QString& pattern : FileList::Patterns(false))
                types.insert(pattern.mid(2)); // "*.jpg"
            return types;
        }();
        QStringList& names = listing.names;
        QDir dir(listing.folder, QString(), QDir::NoSort, QDir::Files);
        dir.setNameFilters(FileList::Patterns(true));
        for (const QFileInfo& entry : dir.entryInfoList()) {
            if (!entry.isFile())
                continue;
            if (everyType || kClassicTypes.contains(entry.suffix().toLower())) {
                names.push_back(entry.fileName());
                continue;
            }
            ++listing.hiddenCount;
            const QString type = entry.suffix().toUpper();
            if (!listing.hiddenTypes.contains(type))
                listing.hiddenTypes.push_back(type);
        }
        std::sort(names.begin(), names.end(), core::NameBefore);
    }

    QString WhyNotAFolder(const QFileInfo& info)
    {
        if (!info.exists())
            return QStringLiteral("it does not exist");
        if (!info.isDir())
            return QStringLiteral("it is not a folder");
        return QStringLiteral("it cannot be read");
    }

} // namespace

const QStringList& FileList::Patterns(bool everyType)
{
    // Phones and many programs name their JPEGs ".jpeg" or ".jpe"; they are listed with ".jpg".
    static const QStringList kPatterns { "*.bmp", "*.dib", "*.rle", "*.gif", "*.jpg", "*.jpeg",
        "*.jpe", "*.wmf", "*.emf", "*.ico", "*.cur" };
    // The types listed only when every picture type is shown, where their decoder is installed
    // (formats/picture_types.cpp keeps them with their signatures).
    static const QStringList kEveryPattern = kPatterns + formats::EveryTypePatterns();
    return everyType ? kEveryPattern : kPatterns;
}

FolderListing FileList::Read(
    const QString& path, Accept accept, bool everyType, const platform::IFileOperations& files)
{
    FolderListing listing;
    if (path.isEmpty()) {
        listing.whyNot = QStringLiteral("no folder was named");
        return listing;
    }
    QFileInfo info(path);
    if (accept == Accept::FolderOrPicture && info.isFile()) {
        listing.pictureToFocus = info.fileName();
        info = QFileInfo(info.absolutePath());
    }
    if (accept != Accept::Anything
        && (!info.isDir() || !info.isReadable() || !info.isExecutable())) {
        listing.whyNot = WhyNotAFolder(info);
        // The file manager hands over a picture, which may have gone since.
        listing.missingPicture = accept == Accept::FolderOrPicture && !info.exists()
            && QDir::match(Patterns(true), info.fileName());
        return listing;
    }
    listing.folder = QDir::cleanPath(info.absoluteFilePath());
    ReadPictureNames(listing, everyType);
    listing.remote = files.StorageKindOf(listing.folder) == platform::StorageKind::Remote;
    return listing;
}

void FileList::Take(const FolderListing& listing)
{
    path_ = listing.folder;
    names_ = listing.names;
}

} // namespace gb::browser
