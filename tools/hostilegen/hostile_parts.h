#pragma once

#include "hostilegen/hostile_corpus.h"

#include <QImage>
#include <initializer_list>

// The corpus is assembled from one part per file family; each appends its files in a fixed order.
namespace gb::tools {

// Where a truncated copy ends, and what loading it must do.
struct Cut {
    qsizetype keep; // bytes kept; negative counts back from the end
    HostileOutcome expected;
    const char* where; // for README.txt: what the cut leaves out
};

// The intact file (which must load), a zero-byte one (which must fail) and one copy per cut,
// named "<stem>-intact.<ext>", "<stem>-empty.<ext>" and "<stem>-cut-<bytes>.<ext>".
void AddCuts(QList<HostileFile>& corpus, const QString& stem, const QString& extension,
    const QByteArray& intact, const QString& what, std::initializer_list<Cut> cuts);

// A small picture with distinct quadrants and a gradient, the same on every run.
QImage TestCard(int width, int height);

// A fixed pseudo-random byte stream (a 32-bit LCG), so "noise" is the same on every run.
QByteArray Noise(qsizetype size, quint32 seed);

void AddBitmapFiles(QList<HostileFile>& corpus); // .bmp, .dib, .rle
void AddIconFiles(QList<HostileFile>& corpus); // .ico, .cur
void AddGifFiles(QList<HostileFile>& corpus);
void AddJpegFiles(QList<HostileFile>& corpus);
void AddExifFiles(QList<HostileFile>& corpus);
void AddMetafileFiles(QList<HostileFile>& corpus); // .wmf, .emf
void AddDecoderVariants(QList<HostileFile>& corpus); // unusual but valid bitmaps and icons

} // namespace gb::tools
