#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <optional>
#include <thread>
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

// Milliseconds to run `decode(index)` once for each of `count` files on as many threads as the
// machine has cores, as the program decodes; nothing when one returned false.
template <typename Decode> std::optional<double> TimeOnEveryCore(size_t count, Decode decode)
{
    QElapsedTimer timer;
    timer.start();
    std::atomic<size_t> next { 0 };
    std::atomic<bool> failed { false };
    std::vector<std::thread> workers;
    for (unsigned i = 0; i < std::max(1u, std::thread::hardware_concurrency()); ++i)
        workers.emplace_back([&] {
            for (size_t at; (at = next++) < count;) {
                if (!decode(at))
                    failed = true;
            }
        });
    for (std::thread& worker : workers)
        worker.join();
    return failed ? std::nullopt : std::optional(double(timer.nsecsElapsed()) / 1e6);
}

} // namespace gb::bench
