// Every file of the hostile corpus (tests/data/hostile) through the picture loader, each in a
// process of its own: a crash kills only the probe, a hang is killed by the watchdog, and each
// file's peak memory is that of its own process.
#include "support/hostile_corpus.h"
#include "support/temp_folder.h"

#include <QProcess>
#include <gtest/gtest.h>
#include <iostream>

namespace gb::platform {
namespace {

    const QString kCorpus = QStringLiteral(GLIMMERBOX_HOSTILE_CORPUS);
    // A hang detector, not a speed limit: sanitizer builds are many times slower.
    constexpr int kWatchdogMs = 30000;
    constexpr long kPeakLimitKb = 512L * 1024;
    constexpr qint64 kDecodedLimitBytes = qint64(256) * 1024 * 1024;
    const QStringList kModes { "plain", "thumbnail", "embedded", "icon" };

    // Runs the probe on `file` and checks that it ended by itself, within the memory budget, with
    // one sane line per mode; returns its peak memory in KB.
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
            << probe.readAllStandardError().right(2000).data();
        const QString out = QString::fromLatin1(probe.readAllStandardOutput());
        const auto match = [&out](const QString& pattern) {
            return QRegularExpression(pattern, QRegularExpression::MultilineOption).match(out);
        };
        for (const QString& mode : kModes) {
            const auto m = match(QString(R"(^%1 (?:fail|ok (\d+)x(\d+) (\d+)x(\d+))$)").arg(mode));
            const std::string where = name + " (" + mode.toStdString() + ")";
            EXPECT_TRUE(m.hasMatch()) << where << " is missing";
            const bool ok = m.capturedLength(1) > 0;
            EXPECT_TRUE(expected == "either" || ok == (expected == "loads"))
                << where << " must " << expected.toStdString();
            // A real picture within the decoding limit, never larger than the picture's own size.
            const qint64 w = m.captured(1).toInt(), h = m.captured(2).toInt();
            EXPECT_TRUE(!ok
                || (w > 0 && h > 0 && w <= m.captured(3).toInt() && h <= m.captured(4).toInt()
                    && w * h * 4 <= kDecodedLimitBytes))
                << where;
        }
        const long peakKb = match(R"(^peak (\d+)$)").captured(1).toLong();
        EXPECT_TRUE(peakKb > 0 && peakKb < kPeakLimitKb)
            << name << " peaked at " << peakKb << " KB";
        return peakKb;
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
