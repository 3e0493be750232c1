#pragma once

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <vector>

namespace gb::test {

struct CorpusEntry {
    QString name, expected; // expected: loads, fails or either
};

// The file lines of the corpus's README.txt, in its order: name, expected outcome, description.
inline std::vector<CorpusEntry> ReadHostileCorpus(const QString& folder)
{
    QFile readme(QDir(folder).filePath("README.txt"));
    EXPECT_TRUE(readme.open(QIODevice::ReadOnly)) << qPrintable(readme.fileName());
    std::vector<CorpusEntry> entries;
    static const QRegularExpression line(R"(^(\S+)\s+(loads|fails|either)\s)");
    for (const QByteArray& text : readme.readAll().split('\n')) {
        const QRegularExpressionMatch match = line.match(QString::fromUtf8(text));
        if (match.hasMatch())
            entries.push_back({ match.captured(1), match.captured(2) });
    }
    return entries;
}

} // namespace gb::test
