#include "platform/careful_file.h"

#include "platform/staged_file.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gb::platform {

namespace {

    // As many links as the system follows before it gives up (ELOOP).
    constexpr int kMaxLinks = 40;

} // namespace

OpenedFile OpenRegularFile(const QString& path)
{
    OpenedFile file;
    const QByteArray native = QFile::encodeName(path);
    // An embedded NUL would silently cut the path short and name some other file.
    if (native.isEmpty() || native.contains('\0')) {
        file.error = native.isEmpty() ? ENOENT : EINVAL;
        return file;
    }
    if (::stat(native.constData(), &file.info) != 0) {
        file.error = errno;
        return file;
    }
    if (!S_ISREG(file.info.st_mode))
        return file;
    file.fd.Reset(::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!file.fd.Valid())
        file.error = errno;
    else if (::fstat(file.fd.Get(), &file.info) != 0)
        file.error = errno;
    if (file.error != 0 || !S_ISREG(file.info.st_mode))
        file.fd.Reset();
    return file;
}

int ReadAt(int fd, qint64 offset, qint64 length, QByteArray& into)
{
    if (offset < 0 || length < 0)
        return EINVAL;
    const qsizetype start = into.size();
    into.resize(start + length);
    qint64 done = 0;
    while (done < length) {
        const ssize_t got
            = ::pread(fd, into.data() + start + done, size_t(length - done), offset + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            into.resize(start);
            return error;
        }
        if (got == 0)
            break;
        done += got;
    }
    into.resize(start + done);
    return 0;
}

int ReadAll(int fd, qint64 limit, QByteArray& into)
{
    into.clear();
    const int error = ReadAt(fd, 0, limit + 1, into);
    if (error == 0 && into.size() <= limit)
        return 0;
    into.clear();
    return error != 0 ? error : EFBIG;
}

int WriteAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return ENOSPC;
        data += written;
        size -= written;
    }
    return 0;
}

QByteArray ReplacementTarget(const QString& path, int& error)
{
    QFileInfo info(path);
    for (int links = 0; links < kMaxLinks && info.isSymLink(); ++links)
        info.setFile(info.symLinkTarget());
    const QByteArray target = QFile::encodeName(info.filePath());
    error = ::access(target.constData(), W_OK) != 0 && errno == EACCES ? EACCES : 0;
    return target;
}

int ReplaceAtomically(const QString& path, const QByteArray& bytes, Durability durability)
{
    return ReplaceAtomically(path, durability,
        [&bytes](int fd) { return WriteAll(fd, bytes.constData(), bytes.size()); });
}

int ReplaceAtomically(
    const QString& path, Durability durability, const std::function<int(int fd)>& fill)
{
    int error = 0;
    const QByteArray target = ReplacementTarget(path, error);
    StagedFile staged;
    if (error == 0)
        error = staged.Create(target, durability);
    if (error == 0)
        error = fill(staged.Fd());
    if (error == 0)
        error = staged.Finish();
    if (error == 0)
        error = staged.Place(target);
    return error;
}

int MakePrivateFolders(const QByteArray& folder)
{
    struct stat info { };
    if (::stat(folder.constData(), &info) == 0)
        return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT)
        return errno;
    const qsizetype slash = folder.lastIndexOf('/');
    if (slash > 0)
        if (const int error = MakePrivateFolders(folder.left(slash)); error != 0)
            return error;
    if (::mkdir(folder.constData(), 0700) != 0) {
        // Another thread may have made it just now.
        const int error = errno;
        return error == EEXIST && ::stat(folder.constData(), &info) == 0 && S_ISDIR(info.st_mode)
            ? 0
            : error;
    }
    // The umask may have taken bits away; the folder must be exactly 0700.
    return ::chmod(folder.constData(), 0700) == 0 ? 0 : errno;
}

} // namespace gb::platform
