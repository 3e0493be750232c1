#pragma once

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <vector>

namespace gb::test {

struct CorpusEntry {
    QString name;
    QString expected; // loads, fails or either
};

// The file lines of the hostile corpus's README.txt: name, expected outcome, description.
inline std::vector<CorpusEntry> ReadHostileCorpus(const QString& folder)
{
    QFile readme(QDir(folder).filePath(QStringLiteral("README.txt")));
    std::vector<CorpusEntry> entries;
    if (!readme.open(QIODevice::ReadOnly))
        return entries;
    static const QRegularExpression line(QStringLiteral(R"(^(\S+)\s+(loads|fails|either)\s)"));
    for (const QByteArray& text : readme.readAll().split('\n')) {
        const QRegularExpressionMatch match = line.match(QString::fromUtf8(text));
        if (match.hasMatch())
            entries.push_back({ match.captured(1), match.captured(2) });
    }
    return entries;
}

} // namespace gb::test
