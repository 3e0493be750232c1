// Every file of tests/data/hostile, as the corpus lists them, through the picture loader, each in
// a process of its own: a crash kills only the probe, a hang the watchdog kills, and each peak of
// memory is its own.
#include "hostilegen/hostile_corpus.h"
#include "samplegen/image_writers.h"
#include "support/temp_folder.h"

#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace gb::platform {
namespace {

    const QString kCorpus = QStringLiteral(GLIMMERBOX_HOSTILE_CORPUS);
    // A hang detector, not a speed limit: sanitizer builds are many times slower.
    constexpr int kWatchdogMs = 30000;
    constexpr long kPeakLimitKb = 512L * 1024;
    constexpr qint64 kDecodedLimitBytes = qint64(256) * 1024 * 1024;

    // The probe must end by itself, within the memory budget, with one sane line per mode.
    void CheckProbe(const QString& file, const QString& expected)
    {
        QProcess probe;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // AddressSanitizer's quarantine of freed blocks is not the loader's memory.
        env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":quarantine_size_mb=16");
        probe.setProcessEnvironment(env);
        const bool png = file.endsWith(".png");
        probe.start(QStringLiteral(GLIMMERBOX_PICTURE_PROBE),
            png ? QStringList { "--every-type", file } : QStringList { file });
        const std::string name = QFileInfo(file).fileName().toStdString();
        if (!probe.waitForFinished(kWatchdogMs)) {
            probe.kill();
            probe.waitForFinished();
            ADD_FAILURE() << name << " still loading after " << kWatchdogMs << " ms";
            return;
        }
        EXPECT_TRUE(probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0)
            << name << " ended the loader\n"
            << probe.readAllStandardError().right(2000).data();
        const QString out = QString::fromLatin1(probe.readAllStandardOutput());
        const auto match = [&out](const QString& pattern) {
            return QRegularExpression(pattern, QRegularExpression::MultilineOption).match(out);
        };
        for (const QString mode : { "plain", "thumbnail", "embedded", "icon" }) {
            const auto m = match(
                QString(R"(^%1 (?:fail not-a-picture|ok (\d+)x(\d+) (\d+)x(\d+) [0-9a-f]{8})$)")
                    .arg(mode));
            const std::string where = name + " (" + mode.toStdString() + ")";
            const bool ok = m.capturedLength(1) > 0;
            EXPECT_TRUE(m.hasMatch() && (expected == "either" || ok == (expected == "loads")))
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
    }

    TEST(HostileCorpus, EveryFileLoadsOrFailsCleanlyWithinTheMemoryBudget)
    {
        for (const tools::HostileFile& file : tools::BuildHostileCorpus())
            CheckProbe(QDir(kCorpus).filePath(file.name), tools::OutcomeWord(file.expected));
    }

    // 600 MB files named like pictures (a disk image renamed on a phone dump) are read only as
    // far as telling what they are; JPEGs stream, bitmaps are read as far as their headers say.
    TEST(HostileCorpus, OversizedFilesStayWithinTheMemoryBudget)
    {
        test::TempFolder scratch;
        for (const auto& [name, head, expected] : { std::tuple("zeros.jpg", QByteArray(), "fails"),
                 std::tuple("jpeg-then-zeros.jpg", QByteArray("\xff\xd8\xff\xe0"), "fails"),
                 std::tuple("bitmap-then-zeros.bmp", QByteArray("BM"), "fails"),
                 std::tuple("1x1-bitmap-then-zeros.bmp", tools::WriteDib({}), "loads") }) {
            scratch.Write(name, head);
            ASSERT_TRUE(QFile::resize(scratch.File(name), qint64(600) << 20));
            CheckProbe(scratch.File(name), expected);
        }
    }

} // namespace
} // namespace gb::platform
