#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The hostile picture corpus of tests/data/hostile: files that are cut short, lie about their
// size, point outside themselves or are not what their name says. Built in memory, always to the
// same bytes, so the committed folder can be checked against a fresh build.
namespace gb::tools {

// What loading a file of the corpus must end in. Most hostile files may go either way as long as
// the load ends cleanly; some can only fail, and the intact bases of the cuts must load.
enum class HostileOutcome { Loads, Fails, Either };

struct HostileFile {
    QString name; // ASCII, no blanks: one word in README.txt
    QByteArray bytes;
    HostileOutcome expected = HostileOutcome::Either;
    QString what; // one line for README.txt
};

// Every file, in README order.
QList<HostileFile> BuildHostileCorpus();

// README.txt: a header, then one line per file: name, outcome word, description.
QByteArray HostileCorpusReadme(const QList<HostileFile>& corpus);

// "loads", "fails" or "either", as README.txt spells them.
QString OutcomeWord(HostileOutcome outcome);

} // namespace gb::tools
