// Every file of the hostile corpus (tests/data/hostile) through the picture loader, each in a
// process of its own: a crash kills only the probe, a hang is killed by the watchdog, and the
// kernel reports each file's peak memory on its own.
#include "support/temp_folder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSize>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace gb::platform {
namespace {

    const QString kCorpus = QStringLiteral(GLIMMERBOX_HOSTILE_CORPUS);
    // A hang detector, not a speed limit: sanitizer builds are many times slower.
    constexpr int kWatchdogMs = 30000;
    constexpr long kPeakLimitKb = 512L * 1024;
    constexpr qint64 kDecodedLimitBytes = qint64(256) * 1024 * 1024;
    const QStringList kModes { "plain", "thumbnail", "embedded", "icon" };

    struct CorpusEntry {
        QString name;
        QString expected; // loads, fails or either
    };

    // The file lines of README.txt: name, expected outcome, description.
    std::vector<CorpusEntry> ReadReadme()
    {
        QFile readme(QDir(kCorpus).filePath("README.txt"));
        EXPECT_TRUE(readme.open(QIODevice::ReadOnly));
        std::vector<CorpusEntry> entries;
        static const QRegularExpression line(R"(^(\S+)\s+(loads|fails|either)\s)");
        for (const QByteArray& text : readme.readAll().split('\n')) {
            const QRegularExpressionMatch match = line.match(QString::fromUtf8(text));
            if (match.hasMatch())
                entries.push_back({ match.captured(1), match.captured(2) });
        }
        return entries;
    }

    struct ProbeRun {
        bool hung = false;
        int status = 0; // as wait4 reports it
        long peakKb = 0;
        qint64 ms = 0;
        QByteArray output;
        QByteArray errors;
    };

    // The environment of this process, but with AddressSanitizer parking few freed blocks: its
    // quarantine is the sanitizer's memory, not the loader's.
    std::vector<QByteArray> ProbeEnvironment()
    {
        std::vector<QByteArray> env;
        QByteArray asan = "ASAN_OPTIONS=quarantine_size_mb=16";
        for (char** each = environ; *each; ++each) {
            const QByteArray entry(*each);
            if (entry.startsWith("ASAN_OPTIONS="))
                asan = entry + ":quarantine_size_mb=16";
            else
                env.push_back(entry);
        }
        env.push_back(asan);
        return env;
    }

    // Waits for `pid` to end, killing it once the watchdog runs out.
    void Reap(pid_t pid, ProbeRun& run)
    {
        // Through syscall(): Debian 12's <sys/pidfd.h> lacks the extern "C" that C++ needs.
        const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
        if (pidfd >= 0) {
            pollfd ended { pidfd, POLLIN, 0 };
            run.hung = ::poll(&ended, 1, kWatchdogMs) == 0;
            ::close(pidfd);
        }
        if (run.hung)
            ::kill(pid, SIGKILL);
        rusage usage {};
        while (::wait4(pid, &run.status, 0, &usage) < 0 && errno == EINTR) { }
        run.peakKb = usage.ru_maxrss;
    }

    ProbeRun RunProbe(const QString& file, const test::TempFolder& scratch)
    {
        const QByteArray probe = GLIMMERBOX_PICTURE_PROBE;
        const QByteArray path = QFile::encodeName(file);
        const QByteArray out = QFile::encodeName(scratch.File("out.txt"));
        const QByteArray err = QFile::encodeName(scratch.File("err.txt"));
        // Output goes to files, not pipes: a probe flooding a full pipe would look like a hang.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        for (const auto& [fd, name] : { std::pair(1, out), std::pair(2, err) })
            posix_spawn_file_actions_addopen(
                &actions, fd, name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<QByteArray> env = ProbeEnvironment();
        std::vector<char*> envp;
        for (QByteArray& entry : env)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        char* argv[] = { const_cast<char*>(probe.constData()), const_cast<char*>(path.constData()),
            nullptr };

        ProbeRun run;
        QElapsedTimer timer;
        timer.start();
        pid_t pid = 0;
        const int spawned
            = ::posix_spawn(&pid, probe.constData(), &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(spawned, 0) << "cannot start " << probe.constData();
        if (spawned != 0)
            return run;
        Reap(pid, run);
        run.ms = timer.elapsed();
        run.output = scratch.Read("out.txt");
        run.errors = scratch.Read("err.txt").right(2000);
        return run;
    }

    struct Load {
        bool ok = false;
        QSize image;
        QSize natural;
    };

    // One "<mode> ok WxH WxH" or "<mode> fail" line per mode, keyed by mode.
    std::map<QString, Load> ParseLoads(const QByteArray& output)
    {
        std::map<QString, Load> loads;
        static const QRegularExpression line(R"(^(\w+) (?:(fail)|ok (\d+)x(\d+) (\d+)x(\d+))$)");
        for (const QByteArray& text : output.split('\n')) {
            const QRegularExpressionMatch m = line.match(QString::fromLatin1(text));
            if (!m.hasMatch())
                continue;
            const auto size
                = [&](int at) { return QSize(m.captured(at).toInt(), m.captured(at + 1).toInt()); };
            loads[m.captured(1)] = { m.captured(2).isEmpty(), size(3), size(5) };
        }
        return loads;
    }

    void CheckRun(const CorpusEntry& entry, const ProbeRun& run)
    {
        const std::string name = entry.name.toStdString();
        ASSERT_FALSE(run.hung) << name << " still loading after " << kWatchdogMs << " ms";
        ASSERT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0)
            << name << " ended the loader: "
            << (WIFSIGNALED(run.status) ? strsignal(WTERMSIG(run.status)) : "non-zero exit") << "\n"
            << run.errors.toStdString();
        EXPECT_LT(run.peakKb, kPeakLimitKb) << name << " peaked at " << run.peakKb / 1024 << " MB";
        const std::map<QString, Load> loads = ParseLoads(run.output);
        ASSERT_EQ(loads.size(), size_t(kModes.size())) << name << ":\n" << run.output.toStdString();
        for (const QString& mode : kModes) {
            const std::string where = name + " (" + mode.toStdString() + ")";
            ASSERT_TRUE(loads.count(mode)) << where << " is missing";
            const Load& load = loads.at(mode);
            if (entry.expected != "either") {
                EXPECT_EQ(load.ok, entry.expected == "loads")
                    << where << " must " << entry.expected.toStdString().substr(0, 4);
            }
            if (!load.ok)
                continue;
            // A real picture within the decoding limit, never larger than the picture's own size.
            EXPECT_FALSE(load.image.isEmpty() || load.natural.isEmpty()) << where;
            EXPECT_LE(qint64(load.image.width()) * load.image.height() * 4, kDecodedLimitBytes)
                << where;
            EXPECT_TRUE(load.image.width() <= load.natural.width()
                && load.image.height() <= load.natural.height())
                << where;
        }
    }

    TEST(HostileCorpus, ReadmeListsEveryFileAndTheCorpusStaysSmall)
    {
        const std::vector<CorpusEntry> entries = ReadReadme();
        QSet<QString> listed;
        for (const CorpusEntry& entry : entries)
            listed << entry.name;
        EXPECT_EQ(listed.size(), qsizetype(entries.size())) << "a name is listed twice";
        const QDir folder(kCorpus);
        QSet<QString> present;
        qint64 bytes = 0;
        for (const QFileInfo& file : folder.entryInfoList(QDir::Files)) {
            bytes += file.size();
            if (file.fileName() != "README.txt")
                present.insert(file.fileName());
        }
        EXPECT_EQ(listed, present);
        EXPECT_GT(present.size(), 150);
        EXPECT_LT(bytes, 300 * 1024);
        // Every kind of picture the program lists has its zero-byte file and its cut copies.
        for (const char* stem :
            { "bmp", "dib", "rle8", "gif", "jpeg", "ico", "cur", "wmf", "emf" }) {
            EXPECT_GE(folder.entryList({ QString("%1-cut-*").arg(stem) }).size(), 3) << stem;
            EXPECT_EQ(folder.entryList({ QString("%1-empty.*").arg(stem) }).size(), 1) << stem;
        }
    }

    // The committed corpus is what the generator makes now, to the byte: it has not drifted from
    // its source, and a second run of the generator gives the same files.
    TEST(HostileCorpus, GeneratorRebuildsTheCommittedFilesByteForByte)
    {
        test::TempFolder fresh;
        QProcess generator;
        generator.start(QStringLiteral(GLIMMERBOX_HOSTILEGEN), { fresh.Path() });
        ASSERT_TRUE(generator.waitForFinished(60000));
        ASSERT_EQ(generator.exitCode(), 0) << generator.readAllStandardError().toStdString();
        const QDir committed(kCorpus);
        const QStringList made = QDir(fresh.Path()).entryList(QDir::Files);
        EXPECT_EQ(made, committed.entryList(QDir::Files));
        for (const QString& name : made) {
            QFile original(committed.filePath(name));
            ASSERT_TRUE(original.open(QIODevice::ReadOnly)) << name.toStdString();
            EXPECT_TRUE(original.readAll() == fresh.Read(name))
                << name.toStdString() << " differs; regenerate with glimmerbox_hostilegen";
        }
    }

    TEST(HostileCorpus, EveryFileLoadsOrFailsCleanlyWithinTheMemoryBudget)
    {
        test::TempFolder scratch;
        const std::vector<CorpusEntry> entries = ReadReadme();
        ASSERT_FALSE(entries.empty());
        std::pair<qint64, QString> slowest, hungriest; // ms or KB, and the file
        for (const CorpusEntry& entry : entries) {
            const ProbeRun run = RunProbe(QDir(kCorpus).filePath(entry.name), scratch);
            CheckRun(entry, run);
            slowest = std::max(slowest, std::pair(run.ms, entry.name));
            hungriest = std::max(hungriest, std::pair(qint64(run.peakKb), entry.name));
        }
        // Reported, not asserted: how long and how much the worst files take on this machine.
        std::cout << "[ corpus   ] " << entries.size() << " files, four loads each; slowest "
                  << slowest.second.toStdString() << " " << slowest.first << " ms; largest peak "
                  << hungriest.second.toStdString() << " " << hungriest.first / 1024 << " MB\n";
    }

    // Files larger than the memory budget that are no picture, or only start like one: a disk
    // image or video renamed on a phone dump. They are sparse, so they cost no disk space.
    // Only the first bytes are read to tell what a file is, and JPEGs and bitmaps are decoded
    // from the file as they stream in, never from a copy of it in memory.
    TEST(HostileCorpus, OversizedFilesStayWithinTheMemoryBudget)
    {
        test::TempFolder scratch;
        const struct {
            const char* name;
            QByteArray head;
        } files[] = { { "zeros.jpg", {} }, { "jpeg-then-zeros.jpg", "\xff\xd8\xff\xe0" },
            { "bitmap-then-zeros.bmp", "BM" } };
        for (const auto& f : files) {
            scratch.Write(f.name, f.head);
            ASSERT_TRUE(QFile::resize(scratch.File(f.name), qint64(600) << 20));
            const ProbeRun run = RunProbe(scratch.File(f.name), scratch);
            CheckRun({ f.name, "fails" }, run);
            QFile::remove(scratch.File(f.name));
        }
    }

} // namespace
} // namespace gb::platform
