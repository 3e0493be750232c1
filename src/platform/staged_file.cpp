#include "platform/staged_file.h"

#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace gb::platform {

namespace {

    // Marks a temporary file as ours; six random letters or digits follow. The name starts with a
    // dot, so file browsers hide it while it grows, and never ends as the target does, so no
    // reader takes it for the real file.
    constexpr char kTempMark[] = ".glimmerbox-";
    constexpr qsizetype kTempMarkSize = sizeof(kTempMark) - 1;
    constexpr qsizetype kTempTagSize = 6;
    constexpr char kTagLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    // As many tries as mkstemp makes before it gives up on finding a free temporary name.
    constexpr int kTempNameTries = 100;
    // A file still being written changes all the time; one untouched for an hour was left by a
    // crash. An hour, not a minute: a copy may stall that long on a network share whose clock
    // is not ours either.
    constexpr time_t kLeftoverSeconds = 60 * 60;

    QByteArray NameOf(const QByteArray& path) { return path.mid(path.lastIndexOf('/') + 1); }

    QByteArray FolderOf(const QByteArray& path)
    {
        const qsizetype slash = path.lastIndexOf('/');
        if (slash < 0)
            return QByteArrayLiteral(".");
        return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
    }

    QByteArray RandomTag()
    {
        QByteArray tag(kTempTagSize, Qt::Uninitialized);
        for (char& c : tag)
            c = kTagLetters[QRandomGenerator::global()->bounded(int(sizeof(kTagLetters) - 1))];
        return tag;
    }

    // Exactly the names Create makes: a dot, at least one character, the mark, the tag.
    bool IsTempName(const QByteArray& name)
    {
        const qsizetype markAt = name.size() - kTempTagSize - kTempMarkSize;
        if (!name.startsWith('.') || markAt < 2 || name.mid(markAt, kTempMarkSize) != kTempMark)
            return false;
        const QByteArray tag = name.right(kTempTagSize);
        return std::all_of(tag.begin(), tag.end(),
            [](char c) { return c != '\0' && std::strchr(kTagLetters, c) != nullptr; });
    }

    // The whole file, as Create locks it and a sweep asks after it.
    struct flock WholeFile(short type)
    {
        struct flock whole { };
        whole.l_type = type;
        whole.l_whence = SEEK_SET;
        return whole;
    }

    // True when the file system keeps locks and nobody holds one on the file; false when
    // somebody does or it cannot tell.
    bool NobodyWrites(int folderFd, const char* name)
    {
        const FileDescriptor file(
            ::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct flock probe = WholeFile(F_WRLCK);
        return file.Valid() && ::fcntl(file.Get(), F_OFD_GETLK, &probe) == 0
            && probe.l_type == F_UNLCK;
    }

    bool IsOursAndAbandoned(int folderFd, const char* name, time_t now)
    {
        struct stat info { };
        return ::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode)
            && info.st_uid == ::geteuid()
            && (info.st_mtim.tv_sec < now - kLeftoverSeconds || NobodyWrites(folderFd, name));
    }

} // namespace

StagedFile::~StagedFile() { Discard(); }

// The file is unlocked only once it is gone (or cannot go), so no sweep takes it meanwhile.
int StagedFile::Discard()
{
    if (name_.isEmpty())
        return 0;
    const int error = ::unlinkat(folder_.Get(), name_.constData(), 0) == 0 ? 0 : errno;
    name_.clear();
    fd_.Reset();
    lock_.Reset();
    return error;
}

// The folder is opened with O_PATH, which needs no read permission, just as creating a file
// needs none. The target's name is shortened where needed to keep the temporary one within
// NAME_MAX.
int StagedFile::Create(const QByteArray& target, Durability durability, std::optional<mode_t> mode)
{
    durability_ = durability;
    const QByteArray name = NameOf(target);
    if (name.isEmpty() || name == "." || name == ".." || target.contains('\0'))
        return EINVAL;
    folder_.Reset(::open(FolderOf(target).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder_.Valid())
        return errno;
    struct stat replaced { };
    if (!mode && durability == Durability::Cache)
        mode = 0600;
    else if (!mode && ::stat(target.constData(), &replaced) == 0)
        mode = replaced.st_mode & 07777 & ~mode_t(S_ISUID | S_ISGID);
    mode_ = mode;
    // A new file of the user's is made as any program makes one: the umask decides who may read.
    const mode_t createMode = mode ? 0600 : 0666;
    const qsizetype room = NAME_MAX - 1 - kTempMarkSize - kTempTagSize;
    for (int tries = 0; tries < kTempNameTries; ++tries) {
        const QByteArray tempName = '.' + name.left(room) + kTempMark + RandomTag();
        fd_.Reset(::openat(folder_.Get(), tempName.constData(),
            O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, createMode));
        if (fd_.Valid()) {
            name_ = tempName;
            // Best effort: where the file system keeps no locks, a sweep goes by age alone.
            struct flock whole = WholeFile(F_WRLCK);
            if (::fcntl(fd_.Get(), F_OFD_SETLK, &whole) == 0)
                lock_.Reset(::fcntl(fd_.Get(), F_DUPFD_CLOEXEC, 0));
            return 0;
        }
        if (errno != EEXIST)
            break;
    }
    return errno;
}

// File systems that cannot store Unix permissions (FAT on a memory card) refuse fchmod, which
// must not cost the user the file; some cannot flush (EINVAL), which does not undo a complete
// write.
int StagedFile::Finish()
{
    if (mode_ && ::fchmod(fd_.Get(), *mode_) != 0 && errno != EPERM && errno != EOPNOTSUPP)
        return errno;
    if (durability_ == Durability::UserData && ::fsync(fd_.Get()) != 0 && errno != EINVAL)
        return errno;
    if (::close(fd_.Release()) != 0 && errno != EINTR)
        return errno;
    return 0;
}

int StagedFile::Place(const QByteArray& target)
{
    if (::renameat(folder_.Get(), name_.constData(), AT_FDCWD, target.constData()) != 0)
        return errno;
    Placed();
    return 0;
}

// A folder that cannot be synced (some network file systems) does not undo a complete write.
void StagedFile::Placed()
{
    name_.clear();
    lock_.Reset();
    if (durability_ != Durability::UserData)
        return;
    const FileDescriptor folder(::openat(folder_.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Valid())
        ::fsync(folder.Get());
}

// Only regular files of this user's are touched, never through a link. A file whose copy is still
// at work is locked (see Create) or, where locks are not kept, younger than an hour.
void StagedFile::RemoveLeftovers(int folderFd)
{
    const int fd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::fdopendir(fd), ::closedir);
    if (!folder) {
        ::close(fd);
        return;
    }
    const time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(folder.get())) {
        if (IsTempName(QByteArray(entry->d_name)) && IsOursAndAbandoned(fd, entry->d_name, now))
            ::unlinkat(fd, entry->d_name, 0);
    }
}

} // namespace gb::platform
