#include "platform/file_picture_loader.h"

#include "formats/byte_source.h"
#include "formats/date_taken.h"
#include "formats/picture_decoder.h"
#include "formats/picture_log.h"
#include "platform/careful_file.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace gb::platform {

namespace {

    // Reads each starting where the last ended, this many in a row: a decoder streaming the file.
    constexpr int kStreamingReads = 8;

    // An open regular file, read where the decoder asks. A decode asks for what it needs (a head,
    // the top rows of a picture, a camera's preview), so the kernel reads no more ahead: on a
    // share that would cross the network too, often as much again. A decoder streaming the file
    // gets the read-ahead back, lest each of its small reads cost a round trip.
    class FileByteSource : public formats::ByteSource {
    public:
        explicit FileByteSource(const OpenedFile& file)
            : file_(file)
        {
            ::posix_fadvise(file_.fd.Get(), 0, 0, POSIX_FADV_RANDOM);
        }
        qint64 Size() const override { return file_.info.st_size; }

        // A read that comes back short of the size the file had when it was opened means it
        // shrank; one whose file was rewritten in place meanwhile may be half old and half new.
        bool Read(qint64 offset, qint64 length, QByteArray& into) override
        {
            if (offset < 0 || length < 0)
                return false;
            const qint64 expected = std::min(length, std::max<qint64>(0, Size() - offset));
            const qsizetype before = into.size();
            FollowStreaming(offset, expected);
            if (const int error = ReadAt(file_.fd.Get(), offset, expected, into); error != 0) {
                error_ = error;
                return false;
            }
            return into.size() - before == expected && Unchanged();
        }
        // The errno of the read that failed, if one did.
        int Error() const { return error_; }

    private:
        // Gives the read-ahead back once the reads follow one another as a stream's do.
        void FollowStreaming(qint64 offset, qint64 length)
        {
            inARow_ = offset == lastEnd_ ? inARow_ + 1 : 0;
            lastEnd_ = offset + length;
            if (inARow_ == kStreamingReads)
                ::posix_fadvise(file_.fd.Get(), 0, 0, POSIX_FADV_NORMAL);
        }

        bool Unchanged() const
        {
            struct stat now { };
            return ::fstat(file_.fd.Get(), &now) == 0 && now.st_size == file_.info.st_size
                && now.st_mtim.tv_sec == file_.info.st_mtim.tv_sec
                && now.st_mtim.tv_nsec == file_.info.st_mtim.tv_nsec;
        }

        const OpenedFile& file_;
        int error_ = 0;
        qint64 lastEnd_ = -1;
        int inARow_ = 0;
    };

} // namespace

std::optional<LoadedPicture> FilePictureLoader::LoadPicture(
    const QString& path, const PictureOptions& options, LoadFailure* failure, int* error) const
{
    LoadFailure why = LoadFailure::Unreadable;
    std::optional<LoadedPicture> picture;
    const OpenedFile file = OpenRegularFile(path);
    int readError = file.error;
    if (file.Ok()) {
        FileByteSource source(file);
        picture = formats::DecodePicture(source, options, why);
        readError = source.Error();
    } else {
        qCInfo(formats::lcPictures, "%s: not opened: %s", qUtf8Printable(path),
            file.error ? std::strerror(file.error) : "not a regular file");
    }
    if (why != LoadFailure::None)
        qCInfo(formats::lcPictures, "%s: %s", qUtf8Printable(path), formats::Describe(why));
    if (failure)
        *failure = why;
    if (error)
        *error = why == LoadFailure::Unreadable ? readError : 0;
    return picture;
}

std::optional<qint64> FilePictureLoader::DateTaken(const QString& path) const
{
    const OpenedFile file = OpenRegularFile(path);
    if (!file.Ok())
        return std::nullopt;
    FileByteSource source(file);
    return formats::ReadDateTaken(source);
}

} // namespace gb::platform
