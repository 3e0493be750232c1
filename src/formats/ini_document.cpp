#include "formats/ini_document.h"

#include <QByteArrayView>

namespace gb::formats {

namespace {

    constexpr QByteArrayView kUtf8Bom("\xEF\xBB\xBF");

    bool IsBlank(char c) { return c == ' ' || c == '\t'; }

    qsizetype SkipBlanks(QByteArrayView text, qsizetype from)
    {
        while (from < text.size() && IsBlank(text[from]))
            ++from;
        return from;
    }

    // Structure is found on bytes, not decoded text: every marker ("[", "]", "=", ";") is ASCII,
    // and UTF-8 never uses ASCII bytes inside a multi-byte sequence, so byte offsets are exact
    // even when the line holds invalid UTF-8.
    QString DecodeTrimmed(QByteArrayView text)
    {
        qsizetype first = SkipBlanks(text, 0);
        qsizetype last = text.size();
        while (last > first && IsBlank(text[last - 1]))
            --last;
        return QString::fromUtf8(text.sliced(first, last - first));
    }

    QString TrimmedName(const QString& name)
    {
        qsizetype first = 0;
        qsizetype last = name.size();
        while (first < last && (name[first] == u' ' || name[first] == u'\t'))
            ++first;
        while (last > first && (name[last - 1] == u' ' || name[last - 1] == u'\t'))
            --last;
        return name.sliced(first, last - first);
    }

    QString WithoutLineBreaks(QString text)
    {
        text.replace(u'\r', u' ');
        text.replace(u'\n', u' ');
        return text;
    }

    // Quotes let a value keep blanks at its ends, so one matching pair is not part of the value.
    QString WithoutQuotes(const QString& value)
    {
        if (value.size() < 2)
            return value;
        const QChar open = value.front();
        if ((open == u'"' || open == u'\'') && value.back() == open)
            return value.sliced(1, value.size() - 2);
        return value;
    }

    bool NamesMatch(const QString& a, const QString& b)
    {
        return QString::compare(a, b, Qt::CaseInsensitive) == 0;
    }

} // namespace

IniDocument IniDocument::Parse(const QByteArray& bytes)
{
    IniDocument doc;
    QByteArrayView text(bytes);
    if (text.size() > kMaxParsedBytes) {
        const qsizetype lastEnd = text.first(kMaxParsedBytes).lastIndexOf('\n');
        text = text.first(lastEnd + 1);
    }
    doc.parsedBytes_ = text.size();
    if (text.startsWith(kUtf8Bom)) {
        doc.hasBom_ = true;
        text = text.sliced(kUtf8Bom.size());
    }
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        QByteArrayView line = text.sliced(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        doc.lines_.push_back(ParseLine(line.toByteArray()));
        start = end + 1;
    }
    return doc;
}

QByteArray IniDocument::Serialize() const
{
    qsizetype size = hasBom_ ? kUtf8Bom.size() : 0;
    for (const Line& line : lines_)
        size += line.raw.size() + 1;
    QByteArray out;
    out.reserve(size);
    if (hasBom_)
        out.append(kUtf8Bom);
    for (const Line& line : lines_) {
        out += line.raw;
        out += '\n';
    }
    return out;
}

std::optional<QString> IniDocument::Value(const QString& section, const QString& key) const
{
    const auto header = FindSection(TrimmedName(section));
    if (!header)
        return std::nullopt;
    const auto at = FindKey(*header, TrimmedName(key));
    if (!at)
        return std::nullopt;
    return WithoutQuotes(lines_[*at].value);
}

void IniDocument::SetValue(const QString& section, const QString& key, const QString& value)
{
    const QString sectionName = TrimmedName(WithoutLineBreaks(section));
    const QString keyName = TrimmedName(WithoutLineBreaks(key));
    const QString cleanValue = WithoutLineBreaks(value);

    const auto header = FindSection(sectionName);
    if (!header) {
        lines_.push_back(ParseLine('[' + sectionName.toUtf8() + ']'));
        lines_.push_back(MakeKeyLine(keyName, cleanValue));
        modified_ = true;
        return;
    }
    if (const auto at = FindKey(*header, keyName)) {
        // Everything up to the value stays as the file spelt it, including the key's case and
        // the blanks around "=".
        Line& line = lines_[*at];
        QByteArray raw = line.raw.first(line.valueStart) + cleanValue.toUtf8();
        if (raw != line.raw) {
            line = ParseLine(std::move(raw));
            modified_ = true;
        }
        return;
    }
    // After the last entry rather than at the section's end, so the new key does not land
    // below blank lines or comments that introduce the next section.
    size_t insertAt = *header + 1;
    const size_t end = SectionEnd(*header);
    for (size_t i = insertAt; i < end; ++i) {
        if (lines_[i].kind == LineKind::Key)
            insertAt = i + 1;
    }
    lines_.insert(
        lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), MakeKeyLine(keyName, cleanValue));
    modified_ = true;
}

void IniDocument::RemoveKey(const QString& section, const QString& key)
{
    const auto header = FindSection(TrimmedName(section));
    if (!header)
        return;
    const QString keyName = TrimmedName(key);
    const size_t end = SectionEnd(*header);
    EraseLines([&](size_t index, const Line& line) {
        return index > *header && index < end && line.kind == LineKind::Key
            && NamesMatch(line.name, keyName);
    });
}

void IniDocument::RemoveSection(const QString& section)
{
    const QString sectionName = TrimmedName(section);
    bool inside = false;
    EraseLines([&](size_t, const Line& line) {
        if (line.kind == LineKind::Section)
            inside = NamesMatch(line.name, sectionName);
        return inside;
    });
}

// One pass that keeps order, so a file with thousands of duplicates costs linear time; the
// predicate sees the lines in file order and may keep state between them.
template <typename Predicate> void IniDocument::EraseLines(Predicate shouldErase)
{
    size_t kept = 0;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (shouldErase(i, lines_[i])) {
            modified_ = true;
            continue;
        }
        if (kept != i)
            lines_[kept] = std::move(lines_[i]);
        ++kept;
    }
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(kept), lines_.end());
}

IniDocument::Line IniDocument::ParseLine(QByteArray raw)
{
    Line line;
    line.raw = std::move(raw);
    const QByteArrayView text(line.raw);
    const qsizetype first = SkipBlanks(text, 0);
    if (first == text.size() || text[first] == ';')
        return line;
    if (text[first] == '[') {
        // The last "]" closes the header, so a name may itself contain "]". Without one the
        // line is not a header and may still be read as an entry.
        const qsizetype close = text.lastIndexOf(']');
        if (close > first) {
            line.kind = LineKind::Section;
            line.name = DecodeTrimmed(text.sliced(first + 1, close - first - 1));
            return line;
        }
    }
    const qsizetype equals = text.indexOf('=', first);
    if (equals < 0)
        return line;
    line.kind = LineKind::Key;
    line.name = DecodeTrimmed(text.sliced(first, equals - first));
    line.valueStart = SkipBlanks(text, equals + 1);
    line.value = DecodeTrimmed(text.sliced(line.valueStart));
    return line;
}

IniDocument::Line IniDocument::MakeKeyLine(const QString& key, const QString& value)
{
    return ParseLine(key.toUtf8() + '=' + value.toUtf8());
}

std::optional<size_t> IniDocument::FindSection(const QString& section) const
{
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == LineKind::Section && NamesMatch(lines_[i].name, section))
            return i;
    }
    return std::nullopt;
}

size_t IniDocument::SectionEnd(size_t header) const
{
    size_t end = header + 1;
    while (end < lines_.size() && lines_[end].kind != LineKind::Section)
        ++end;
    return end;
}

std::optional<size_t> IniDocument::FindKey(size_t header, const QString& key) const
{
    for (size_t i = header + 1; i < lines_.size() && lines_[i].kind != LineKind::Section; ++i) {
        if (lines_[i].kind == LineKind::Key && NamesMatch(lines_[i].name, key))
            return i;
    }
    return std::nullopt;
}

} // namespace gb::formats
