// Every file of the hostile corpus (tests/data/hostile) through the picture loader, each in a
// process of its own: a crash kills only the probe, a hang is killed by the watchdog, and each
// file's peak memory is that of its own process.
#include "support/hostile_corpus.h"
#include "support/temp_folder.h"

#include <QProcess>
#include <QSet>
#include <QSize>
#include <gtest/gtest.h>
#include <iostream>
#include <map>

namespace gb::platform {
namespace {

    const QString kCorpus = QStringLiteral(GLIMMERBOX_HOSTILE_CORPUS);
    // A hang detector, not a speed limit: sanitizer builds are many times slower.
    constexpr int kWatchdogMs = 30000;
    constexpr long kPeakLimitKb = 512L * 1024;
    constexpr qint64 kDecodedLimitBytes = qint64(256) * 1024 * 1024;
    const QStringList kModes { "plain", "thumbnail", "embedded", "icon" };

    struct Load {
        bool ok = false;
        QSize image, natural;
    };

    // Runs the probe on `file` and checks that it ended by itself, within the memory budget, with
    // one sane line per mode; returns the peak in KB.
    long CheckProbe(const QString& file, const QString& expected)
    {
        QProcess probe;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // AddressSanitizer parking few freed blocks: its quarantine is not the loader's memory.
        const QString asan = env.value("ASAN_OPTIONS");
        env.insert("ASAN_OPTIONS", (asan.isEmpty() ? "" : asan + ":") + "quarantine_size_mb=16");
        probe.setProcessEnvironment(env);
        probe.start(QStringLiteral(GLIMMERBOX_PICTURE_PROBE), { file });
        const std::string name = QFileInfo(file).fileName().toStdString();
        if (!probe.waitForFinished(kWatchdogMs)) {
            probe.kill();
            probe.waitForFinished();
            ADD_FAILURE() << name << " still loading after " << kWatchdogMs << " ms";
            return 0;
        }
        EXPECT_TRUE(probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0)
            << name << " ended the loader\n"
            << probe.readAllStandardError().right(2000).toStdString();
        std::map<QString, Load> loads;
        long peakKb = -1;
        static const QRegularExpression line(
            R"(^(\w+) (?:(fail)|ok (\d+)x(\d+) (\d+)x(\d+)|(\d+))$)");
        for (const QByteArray& text : probe.readAllStandardOutput().split('\n')) {
            const QRegularExpressionMatch m = line.match(QString::fromLatin1(text));
            const auto size
                = [&](int at) { return QSize(m.captured(at).toInt(), m.captured(at + 1).toInt()); };
            if (m.hasMatch() && m.captured(1) == "peak")
                peakKb = m.captured(7).toLong();
            else if (m.hasMatch())
                loads[m.captured(1)] = { m.captured(2).isEmpty(), size(3), size(5) };
        }
        EXPECT_TRUE(peakKb >= 0 && peakKb < kPeakLimitKb)
            << name << " peaked at " << peakKb << " KB";
        EXPECT_EQ(loads.size(), size_t(kModes.size())) << name;
        for (const auto& [mode, load] : loads) {
            const std::string where = name + " (" + mode.toStdString() + ")";
            if (expected != "either")
                EXPECT_EQ(load.ok, expected == "loads")
                    << where << " must " << expected.toStdString();
            // A real picture within the decoding limit, never larger than the picture's own size.
            if (load.ok)
                EXPECT_TRUE(!load.image.isEmpty() && load.image.width() <= load.natural.width()
                    && load.image.height() <= load.natural.height()
                    && qint64(load.image.width()) * load.image.height() * 4 <= kDecodedLimitBytes)
                    << where;
        }
        return peakKb;
    }

    TEST(HostileCorpus, ReadmeListsEveryFileAndEachKindHasItsCutCopies)
    {
        QSet<QString> listed;
        for (const test::CorpusEntry& entry : test::ReadHostileCorpus(kCorpus))
            listed << entry.name;
        const QDir folder(kCorpus);
        QSet<QString> present;
        qint64 bytes = 0;
        for (const QFileInfo& file : folder.entryInfoList(QDir::Files)) {
            bytes += file.size();
            present << file.fileName();
        }
        present.remove("README.txt");
        EXPECT_EQ(listed, present);
        EXPECT_GT(present.size(), 150);
        EXPECT_LT(bytes, 300 * 1024);
        for (const char* stem :
            { "bmp", "dib", "rle8", "gif", "jpeg", "ico", "cur", "wmf", "emf" }) {
            EXPECT_GE(folder.entryList({ QString("%1-cut-*").arg(stem) }).size(), 3) << stem;
            EXPECT_EQ(folder.entryList({ QString("%1-empty.*").arg(stem) }).size(), 1) << stem;
        }
    }

    // The committed corpus is what the generator makes now, to the byte.
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
        const std::vector<test::CorpusEntry> entries = test::ReadHostileCorpus(kCorpus);
        ASSERT_FALSE(entries.empty());
        std::pair<long, QString> hungriest;
        for (const test::CorpusEntry& entry : entries)
            hungriest = std::max(hungriest,
                std::pair(
                    CheckProbe(QDir(kCorpus).filePath(entry.name), entry.expected), entry.name));
        // Reported, not asserted: how much the worst file takes on this machine.
        std::cout << "[ corpus   ] " << entries.size() << " files; largest peak "
                  << hungriest.second.toStdString() << " " << hungriest.first / 1024 << " MB\n";
    }

    // Sparse files larger than the memory budget that are no picture or only start like one, as a
    // disk image or video renamed on a phone dump: only their first bytes are read to tell what
    // they are, and JPEGs and bitmaps are decoded as they stream in, never from a copy in memory.
    TEST(HostileCorpus, OversizedFilesStayWithinTheMemoryBudget)
    {
        test::TempFolder scratch;
        for (const auto& [name, head] :
            { std::pair("zeros.jpg", ""), std::pair("jpeg-then-zeros.jpg", "\xff\xd8\xff\xe0"),
                std::pair("bitmap-then-zeros.bmp", "BM") }) {
            scratch.Write(name, head);
            ASSERT_TRUE(QFile::resize(scratch.File(name), qint64(600) << 20));
            CheckProbe(scratch.File(name), "fails");
            QFile::remove(scratch.File(name));
        }
    }

} // namespace
} // namespace gb::platform
