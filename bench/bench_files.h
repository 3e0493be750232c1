#pragma once

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace gb::bench {

// "[--rounds N] FILE...": how many rounds to time and each file's bytes, read once, so that
// what is timed is the decode and not the disk.
struct BenchFiles {
    int rounds = 3;
    QStringList paths;
    std::vector<QByteArray> bytes;
};

// Says what is wrong on stderr and returns nothing when the arguments or a file will not do.
inline std::optional<BenchFiles> ReadBenchFiles(QStringList args, const char* program)
{
    BenchFiles files;
    if (args.size() > 1 && args.first() == QLatin1String("--rounds")) {
        files.rounds = std::max(1, args.at(1).toInt());
        args = args.mid(2);
    }
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: %s [--rounds N] FILE...\n", program);
        return std::nullopt;
    }
    for (const QString& path : args) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return std::nullopt;
        }
        files.bytes.push_back(file.readAll());
    }
    files.paths = args;
    return files;
}

} // namespace gb::bench
