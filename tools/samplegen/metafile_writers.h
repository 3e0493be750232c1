#pragma once

#include "writers/byte_packer.h"

#include <QByteArray>
#include <QList>
#include <QRect>

namespace gb::tools {

// Builds a Windows metafile record by record; placeable when given units per inch.
class WmfWriter {
public:
    explicit WmfWriter(QRect box = {}, int unitsPerInch = 0);
    // params: the record's bytes after its size and function, padded to whole words.
    WmfWriter& AddRaw(quint16 function, const QByteArray& params);
    WmfWriter& Add(quint16 function, const QList<qint32>& words)
    {
        return AddRaw(function, Words(words));
    }
    // The file with its header and the EOF record.
    QByteArray Finish(int objects) const;

private:
    QRect box_;
    int unitsPerInch_;
    QByteArray records_;
    quint32 largest_ = 3;
};

// Builds an enhanced metafile; the frame is in 0.01 mm, the reference device 96 DPI. The bounds,
// in device pixels, are the frame's size from the origin unless given.
class EmfWriter {
public:
    explicit EmfWriter(QRect frame, QRect bounds = {});
    EmfWriter& AddRaw(quint32 type, const QByteArray& params);
    EmfWriter& Add(quint32 type, const QList<qint32>& dwords)
    {
        return AddRaw(type, Dwords(dwords));
    }
    // EXTCREATEFONTINDIRECTW into `slot`: a negative height is the characters', a positive one
    // the cell's; charset is the LOGFONT's (2: SYMBOL_CHARSET).
    EmfWriter& Font(
        qint32 slot, qint32 height, const QString& face, qint32 weight = 400, qint32 charset = 0);
    // EXTTEXTOUTW: the text at (x, y) with the current alignment, unclipped.
    EmfWriter& Text(qint32 x, qint32 y, const QString& text);
    QByteArray Finish(int handles) const;

private:
    QRect frame_, bounds_;
    QByteArray records_;
    quint32 count_ = 1;
};

// The samples in samples/: a small house drawn with a few of each kind of record.
QByteArray WriteSampleWmf();
QByteArray WriteSampleEmf();

} // namespace gb::tools
