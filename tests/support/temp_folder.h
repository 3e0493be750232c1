#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace gb::test {

// The whole file, or nothing when it cannot be read.
inline QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A scratch folder that disappears with the test.
class TempFolder {
public:
    TempFolder() { EXPECT_TRUE(dir_.isValid()); }
    QString Path() const { return dir_.path(); }
    QString File(const QString& name) const { return QDir(dir_.path()).filePath(name); }
    void Write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(File(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    QByteArray Read(const QString& name) const { return ReadAll(File(name)); }

private:
    QTemporaryDir dir_;
};

} // namespace gb::test
