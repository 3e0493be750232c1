#include "platform/ini_profile.h"

#include "formats/ini_document.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gb::platform {

namespace {

    constexpr qint64 kCopyChunkBytes = 64 * 1024;

    // Opens only a regular file: a FIFO put in the settings file's place would block the open
    // until some writer came, and a device never ends. The check is made on the descriptor,
    // which is opened without waiting, so that nothing swapped in after a look at the path counts.
    bool OpenRegularFile(const QString& file, QFile& in)
    {
        const int fd
            = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return false;
        struct stat info { };
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)
            || !in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            return false;
        }
        return true;
    }

    // Reads one byte past the limit so the parser can tell a file that ends exactly there from
    // one that goes on, and never reads more than that however large the file is.
    std::optional<formats::IniDocument> ReadDocument(const QString& file)
    {
        QFile in;
        if (!OpenRegularFile(file, in))
            return std::nullopt;
        const QByteArray bytes = in.read(formats::IniDocument::kMaxParsedBytes + 1);
        if (in.error() != QFileDevice::NoError)
            return std::nullopt;
        return formats::IniDocument::Parse(bytes);
    }

    // Copies what lies past the first `from` bytes of `file` (what a document over the parse
    // limit never read) in pieces, so that nothing is lost and nothing is held whole in memory.
    bool CopyUnparsedTail(const QString& file, qint64 from, QSaveFile& out)
    {
        if (!QFileInfo::exists(file))
            return true;
        QFile in;
        if (!OpenRegularFile(file, in) || !in.seek(from))
            return false;
        while (!in.atEnd()) {
            const QByteArray piece = in.read(kCopyChunkBytes);
            if (piece.isEmpty() || out.write(piece) != piece.size())
                return false;
        }
        return in.error() == QFileDevice::NoError;
    }

    // Unbuffered, because QSaveFile::commit() ignores a failure to write out what is still
    // buffered: on a full disk a settings file smaller than the buffer was replaced by an empty
    // one. Unbuffered, every failed write is seen and the old file stays.
    bool SaveDocument(const formats::IniDocument& doc, const QString& file)
    {
        QSaveFile out(file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray bytes = doc.Serialize();
        if (out.write(bytes) != bytes.size() || !CopyUnparsedTail(file, doc.ParsedBytes(), out)) {
            out.cancelWriting();
            return false;
        }
        return out.commit();
    }

    QString WithoutTrailingSpaces(const QString& text)
    {
        qsizetype size = text.size();
        while (size > 0 && text[size - 1] == u' ')
            --size;
        return text.first(size);
    }

    // Cut like a fixed-size buffer would, but never between the halves of a surrogate pair.
    QString FittedToBuffer(const QString& text, int bufferSize)
    {
        if (bufferSize <= 1)
            return QString();
        const qsizetype room = bufferSize - 1;
        if (text.size() <= room)
            return text;
        const qsizetype size = text[room - 1].isHighSurrogate() ? room - 1 : room;
        return text.first(size);
    }

} // namespace

QString IniProfile::GetString(const QString& section, const QString& key,
    const QString& defaultValue, int bufferSize, const QString& file) const
{
    std::optional<QString> value;
    if (const auto doc = ReadDocument(file))
        value = doc->Value(section, key);
    return FittedToBuffer(value ? *value : WithoutTrailingSpaces(defaultValue), bufferSize);
}

bool IniProfile::WriteString(const QString& section, const std::optional<QString>& key,
    const std::optional<QString>& value, const QString& file)
{
    // A file that is there but cannot be read is not rewritten: what it holds would be lost.
    std::optional<formats::IniDocument> doc
        = QFileInfo::exists(file) ? ReadDocument(file) : std::optional(formats::IniDocument());
    if (!doc)
        return false;
    if (!key)
        doc->RemoveSection(section);
    else if (!value)
        doc->RemoveKey(section, *key);
    else
        doc->SetValue(section, *key, *value);
    // Removing what is not there leaves a missing file missing and an existing one untouched.
    if (!doc->IsModified())
        return true;
    return SaveDocument(*doc, file);
}

} // namespace gb::platform
