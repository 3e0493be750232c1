#include "platform/ini_profile.h"

#include "formats/ini_document.h"
#include "platform/careful_file.h"

#include <QFileInfo>
#include <algorithm>
#include <cerrno>

namespace gb::platform {

namespace {

    constexpr qint64 kCopyChunkBytes = 64 * 1024;

    // Reads one byte past the limit so the parser can tell a file that ends exactly there from
    // one that goes on, and never reads more than that however large the file is. Only a regular
    // file is read: a FIFO put in the settings file's place would block until some writer came,
    // and a device never ends.
    std::optional<formats::IniDocument> ReadDocument(const QString& file)
    {
        const OpenedFile in = OpenRegularFile(file);
        const qint64 wanted
            = std::min<qint64>(in.info.st_size, formats::IniDocument::kMaxParsedBytes) + 1;
        QByteArray bytes;
        if (!in.Ok() || ReadAt(in.fd.Get(), 0, wanted, bytes) != 0)
            return std::nullopt;
        return formats::IniDocument::Parse(bytes);
    }

    // Copies what lies past the first `from` bytes of `file` (what a document over the parse
    // limit never read) in pieces, so that nothing is lost and nothing is held whole in memory.
    // 0 or an errno.
    int CopyUnparsedTail(const QString& file, qint64 from, int outFd)
    {
        if (!QFileInfo::exists(file))
            return 0;
        const OpenedFile in = OpenRegularFile(file);
        if (!in.Ok())
            return in.error != 0 ? in.error : EINVAL;
        QByteArray piece;
        for (qint64 at = from;; at += piece.size()) {
            piece.clear();
            if (const int error = ReadAt(in.fd.Get(), at, kCopyChunkBytes, piece); error != 0)
                return error;
            if (piece.isEmpty())
                return 0;
            if (const int error = WriteAll(outFd, piece.constData(), piece.size()); error != 0)
                return error;
        }
    }

    // Replaced whole, flushed to the disk before and after the rename: on a full disk or after a
    // power cut the old settings are still there, never an emptied file.
    bool SaveDocument(const formats::IniDocument& doc, const QString& file)
    {
        const QByteArray bytes = doc.Serialize();
        return ReplaceAtomically(file, Durability::UserData, [&](int fd) {
            const int error = WriteAll(fd, bytes.constData(), bytes.size());
            return error != 0 ? error : CopyUnparsedTail(file, doc.ParsedBytes(), fd);
        }) == 0;
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
