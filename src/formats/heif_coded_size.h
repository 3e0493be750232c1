#pragma once

#include <QByteArray>
#include <QSize>
#include <optional>

namespace gb::formats {

// The size of the frame a HEIF or AVIF picture's coded data decodes to, whatever its stored size
// ('ispe') says: the decoder reserves memory for the larger of the two. Each reads only the bytes
// it is given, bit by bit with every read checked; nullopt when they hold no size or are cut short.

// From an AV1 bitstream (an 'av1C' box's configuration OBUs, or the head of an item's data): the
// largest frame its first sequence header allows (max_frame_width_minus_1 + 1 ...).
std::optional<QSize> Av1CodedSize(const QByteArray& obus);

// From the body of an 'hvcC' box: the luma size its first sequence parameter set gives
// (pic_width_in_luma_samples, pic_height_in_luma_samples).
std::optional<QSize> HevcCodedSize(const QByteArray& hvcC);

} // namespace gb::formats
