#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace gb::formats {

// An INI text that remembers every line it was read from, so that changing one value rewrites
// only that line and leaves comments, blank lines, unknown lines and their order alone.
//
// Reading follows the classic profile-string rules: "[Name]" starts a section, "key=value" is
// an entry, names compare case-insensitively, the first section and the first key of a name win,
// lines starting with ";" are comments and lines without "=" are ignored. Lines before the first
// section belong to no section and are never read.
class IniDocument {
public:
    // Anything past this is treated as absent: a settings file never grows this large, so a
    // bigger one is junk we must not spend memory on. The cut falls on the last line end before
    // the limit, so no half line is read.
    static constexpr qsizetype kMaxParsedBytes = 1024 * 1024;

    IniDocument() = default;

    // Never fails: bytes that are not UTF-8 decode to U+FFFD for comparison but are written back
    // unchanged, and lines that fit no rule are kept as they are.
    static IniDocument Parse(const QByteArray& bytes);
    // Lines end in "\n" whatever they ended in when parsed.
    QByteArray Serialize() const;

    // The value with blanks around it removed and one pair of matching quotes stripped.
    std::optional<QString> Value(const QString& section, const QString& key) const;

    // Line breaks in any argument would split the line and corrupt the file, so each "\r" and
    // "\n" is stored as a blank.
    void SetValue(const QString& section, const QString& key, const QString& value);
    // Removes every entry named `key` in the first section named `section`, so that no older
    // duplicate surfaces once the first is gone.
    void RemoveKey(const QString& section, const QString& key);
    // Removes every section named `section` with all its lines, duplicates included, for the
    // same reason.
    void RemoveSection(const QString& section);

    // True once an edit has changed a line; lets the caller skip rewriting an unchanged file.
    bool IsModified() const { return modified_; }

    // How many bytes at the start of the parsed input the lines cover, byte order mark included:
    // all of it, unless it ran past kMaxParsedBytes. A rewrite of the file must carry the rest
    // over unchanged, or what was never read would be lost.
    qsizetype ParsedBytes() const { return parsedBytes_; }

private:
    enum class LineKind { Other, Section, Key };

    struct Line {
        QByteArray raw; // as read, without the line end
        LineKind kind = LineKind::Other;
        QString name; // section or key name, blanks trimmed
        QString value; // key lines: the text after "=", blanks trimmed, quotes kept
        qsizetype valueStart = 0; // key lines: byte offset in `raw` where the value begins
    };

    static Line ParseLine(QByteArray raw);
    static Line MakeKeyLine(const QString& key, const QString& value);
    std::optional<size_t> FindSection(const QString& section) const;
    size_t SectionEnd(size_t header) const;
    std::optional<size_t> FindKey(size_t header, const QString& key) const;
    template <typename Predicate> void EraseLines(Predicate shouldErase);

    std::vector<Line> lines_;
    bool hasBom_ = false;
    bool modified_ = false;
    qsizetype parsedBytes_ = 0;
};

} // namespace gb::formats
