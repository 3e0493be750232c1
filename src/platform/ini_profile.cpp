#include "platform/ini_profile.h"

#include "platform/ini_document.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace gb::platform {

namespace {

    // Reads one byte past the limit so the parser can tell a file that ends exactly there from
    // one that goes on, and never reads more than that however large the file is.
    std::optional<IniDocument> ReadDocument(const QString& file)
    {
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly))
            return std::nullopt;
        const QByteArray bytes = in.read(IniDocument::kMaxParsedBytes + 1);
        if (in.error() != QFileDevice::NoError)
            return std::nullopt;
        return IniDocument::Parse(bytes);
    }

    bool SaveDocument(const IniDocument& doc, const QString& file)
    {
        QSaveFile out(file);
        if (!out.open(QIODevice::WriteOnly))
            return false;
        const QByteArray bytes = doc.Serialize();
        if (out.write(bytes) != bytes.size()) {
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
    std::optional<IniDocument> doc
        = QFileInfo::exists(file) ? ReadDocument(file) : std::optional(IniDocument());
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
