#include "platform/linux_scratch_space.h"

#include "platform/careful_file.h"
#include "platform/file_descriptor.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace gb::platform {

namespace {

    class LinuxScratchFile : public IScratchFile {
    public:
        explicit LinuxScratchFile(FileDescriptor fd)
            : fd_(std::move(fd))
        {
        }

        int WriteAt(qint64 offset, const QByteArray& bytes) override
        {
            const char* data = bytes.constData();
            qint64 left = bytes.size();
            while (left > 0) {
                const ssize_t written = ::pwrite(fd_.Get(), data, size_t(left), off_t(offset));
                if (written < 0 && errno == EINTR)
                    continue;
                if (written <= 0)
                    return written < 0 ? errno : ENOSPC;
                data += written;
                left -= written;
                offset += written;
            }
            return 0;
        }

        int ReadAt(qint64 offset, qint64 length, QByteArray& into) override
        {
            const qsizetype before = into.size();
            const int error = platform::ReadAt(fd_.Get(), offset, length, into);
            if (error != 0 || into.size() - before == length)
                return error;
            into.truncate(before); // the file ends before the bytes asked for
            return EIO;
        }

    private:
        FileDescriptor fd_;
    };

    QString DefaultFolder()
    {
        const QString tmpdir = qEnvironmentVariable("TMPDIR");
        if (!tmpdir.isEmpty())
            return tmpdir;
        const QFileInfo varTmp(QStringLiteral("/var/tmp"));
        return varTmp.isDir() && varTmp.isWritable() ? varTmp.filePath() : QStringLiteral("/tmp");
    }

} // namespace

LinuxScratchSpace::LinuxScratchSpace(QString folder)
    : folder_(folder.isEmpty() ? DefaultFolder() : std::move(folder))
{
}

std::unique_ptr<IScratchFile> LinuxScratchSpace::Create(int& error) const
{
    const QByteArray folder = QFile::encodeName(folder_);
    FileDescriptor fd(::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (!fd.Valid() && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        QByteArray name = folder + "/.glimmerbox-scratch-XXXXXX";
        fd.Reset(::mkostemp(name.data(), O_CLOEXEC));
        if (fd.Valid())
            ::unlink(name.constData());
    }
    error = fd.Valid() ? 0 : errno;
    return fd.Valid() ? std::make_unique<LinuxScratchFile>(std::move(fd)) : nullptr;
}

} // namespace gb::platform
