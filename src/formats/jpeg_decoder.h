#pragma once

#include "formats/loaded_picture.h"

#include <QByteArray>
#include <QSize>
#include <optional>

namespace gb::formats {

struct JpegRequest {
    // When valid and not empty, only a picture fitting this box is needed: libjpeg then scales
    // by the factor JpegReduction() chooses while decoding.
    QSize reduceFor;
    // Turns the picture upright as its Exif orientation says (an embedded thumbnail takes the
    // main picture's orientation instead).
    bool upright = true;
    // Pictures larger than this on either side, as stored, are refused before decoding.
    int maxSide = 65535;
};

// libjpeg scales by 1/2, 1/4 or 1/8 while decoding. The strongest reduction that still leaves
// twice the size the picture gets when fitted into the box.
int JpegReduction(QSize upright, QSize box);

// Decodes a whole JPEG in memory straight into RGB32 rows, pixel for pixel as Qt's JPEG reader
// does (also for a file cut short, which shows grey where its data ends). The pixels are
// reserved from the shared decode budget first; a picture of more than the budget's total is
// refused, as is anything libjpeg cannot read, or a progressive file of absurdly many scans.
std::optional<LoadedPicture> DecodeJpeg(const QByteArray& bytes, const JpegRequest& request = {});

// A stored picture turned upright for an Exif orientation.
QImage Upright(QImage stored, int orientation);

} // namespace gb::formats
