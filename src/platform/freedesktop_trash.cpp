#include "platform/freedesktop_trash.h"

#include "platform/linux_file_operations.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace gb::platform {

namespace {

    std::optional<struct stat> LinkStat(const QByteArray& path)
    {
        struct stat info { };
        if (::lstat(path.constData(), &info) != 0)
            return std::nullopt;
        return info;
    }

    // A folder of ours for the trash: made 0700 when missing; an existing one must be a real
    // folder (not a link someone planted) that we own.
    bool UsableFolder(const QByteArray& path)
    {
        if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
            return false;
        const auto info = LinkStat(path);
        return info && S_ISDIR(info->st_mode) && info->st_uid == ::getuid();
    }

    // The highest folder above `folder` still on `device`: the top of its mount.
    QByteArray MountTop(QByteArray folder, dev_t device)
    {
        while (folder != "/") {
            const QByteArray parent
                = QFile::encodeName(QFileInfo(QFile::decodeName(folder)).path());
            const auto info = LinkStat(parent);
            if (!info || info->st_dev != device)
                break;
            folder = parent;
        }
        return folder;
    }

    struct TrashPlace {
        QByteArray folder; // the trash: its files/ and info/ inside
        QByteArray recordedPath; // what its record says the file's path was
    };

    std::optional<TrashPlace> TrashFor(const QByteArray& file, dev_t device)
    {
        const QByteArray dataHome = QFile::encodeName(
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
        QDir().mkpath(QFile::decodeName(dataHome));
        const auto home = LinkStat(dataHome);
        if (home && home->st_dev == device) {
            const QByteArray trash = dataHome + "/Trash";
            if (!UsableFolder(trash))
                return std::nullopt;
            return TrashPlace { trash, file };
        }
        const QByteArray folder = QFile::encodeName(QFileInfo(QFile::decodeName(file)).path());
        const QByteArray top = MountTop(folder, device);
        const QByteArray uid = QByteArray::number(::getuid());
        const QByteArray relative
            = top == "/" ? file.mid(1) : file.mid(top.size() + 1); // the record is relative to top
        const auto shared = LinkStat(top + "/.Trash");
        if (shared && S_ISDIR(shared->st_mode) && (shared->st_mode & S_ISVTX)
            && UsableFolder(top + "/.Trash/" + uid))
            return TrashPlace { top + "/.Trash/" + uid, relative };
        if (UsableFolder(top + "/.Trash-" + uid))
            return TrashPlace { top + "/.Trash-" + uid, relative };
        return std::nullopt;
    }

    FileError NoTrash()
    {
        return { FileErrorNumber::PathFileAccessError,
            "Path/File access error (there is no Trash on its disk)", FileSide::Original, {}, {} };
    }

    // Claims a free NAME.trashinfo in `info` for `name` ("photo.jpg", "photo.2.jpg" …) and
    // returns its descriptor, with the name taken.
    int ClaimRecord(const QByteArray& info, const QString& name, QByteArray& taken)
    {
        const QFileInfo parts(name);
        const QString stem = parts.completeBaseName(), suffix = parts.suffix();
        for (int n = 1; n < 10000; ++n) {
            QString candidate = name;
            if (n > 1)
                candidate = stem + u'.' + QString::number(n)
                    + (suffix.isEmpty() ? QString() : u'.' + suffix);
            taken = QFile::encodeName(candidate);
            const int fd = ::open((info + '/' + taken + ".trashinfo").constData(),
                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd >= 0 || errno != EEXIST)
                return fd;
        }
        errno = EEXIST;
        return -1;
    }

} // namespace

QByteArray TrashInfoText(const QByteArray& path, const QDateTime& when)
{
    return "[Trash Info]\nPath=" + QUrl::toPercentEncoding(QString::fromUtf8(path), "/")
        + "\nDeletionDate=" + when.toString(Qt::ISODate).left(19).toLatin1() + "\n";
}

FileError MoveToFreedesktopTrash(const QString& path)
{
    const QByteArray file = QFile::encodeName(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    const auto info = LinkStat(file);
    if (!info)
        return LinuxFileOperations::FromErrno(errno, FileSide::Original);
    const std::optional<TrashPlace> place = TrashFor(file, info->st_dev);
    if (!place || !UsableFolder(place->folder + "/files") || !UsableFolder(place->folder + "/info"))
        return NoTrash();
    QByteArray name;
    const int record = ClaimRecord(place->folder + "/info", QFileInfo(path).fileName(), name);
    if (record < 0)
        return LinuxFileOperations::FromErrno(errno, FileSide::Original);
    const QByteArray recordPath = place->folder + "/info/" + name + ".trashinfo";
    const QByteArray text = TrashInfoText(place->recordedPath, QDateTime::currentDateTime());
    const bool written = ::write(record, text.constData(), size_t(text.size())) == text.size()
        && ::fsync(record) == 0;
    ::close(record);
    if (!written
        || ::rename(file.constData(), (place->folder + "/files/" + name).constData()) != 0) {
        const int error = written ? errno : EIO;
        ::unlink(recordPath.constData());
        return error == EXDEV ? NoTrash()
                              : LinuxFileOperations::FromErrno(error, FileSide::Original);
    }
    return {};
}

} // namespace gb::platform
