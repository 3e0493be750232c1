// Writes the hostile picture corpus and its README.txt. Usage: glimmerbox_hostilegen OUTDIR
// (tests/data/hostile in the source tree). The same bytes come out on every run.
#include "hostilegen/hostile_corpus.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>
#include <QSet>
#include <cstdio>

namespace {

bool WriteFile(const QDir& folder, const QString& name, const QByteArray& bytes)
{
    QSaveFile file(folder.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: glimmerbox_hostilegen OUTDIR\n");
        return 2;
    }
    QDir folder(args[1]);
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(args[1]));
        return 1;
    }
    const QList<gb::tools::HostileFile> corpus = gb::tools::BuildHostileCorpus();
    QSet<QString> written { QStringLiteral("README.txt") };
    qsizetype total = 0;
    for (const gb::tools::HostileFile& file : corpus) {
        if (written.contains(file.name)) {
            std::fprintf(stderr, "two files named %s\n", qPrintable(file.name));
            return 1;
        }
        if (!WriteFile(folder, file.name, file.bytes))
            return 1;
        written.insert(file.name);
        total += file.bytes.size();
    }
    if (!WriteFile(folder, QStringLiteral("README.txt"), gb::tools::HostileCorpusReadme(corpus)))
        return 1;
    // Files the generator no longer makes are left alone, but named, so they can be removed.
    for (const QString& name : folder.entryList(QDir::Files)) {
        if (!written.contains(name))
            std::fprintf(stderr, "not made by this generator: %s\n", qPrintable(name));
    }
    std::printf("%lld files, %lld bytes in %s\n", static_cast<long long>(corpus.size()),
        static_cast<long long>(total), qPrintable(folder.absolutePath()));
    return 0;
}
