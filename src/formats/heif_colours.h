#pragma once

#include <QColorSpace>

struct heif_image_handle;

namespace gb::formats {

// The colour space a HEIF or AVIF picture names by colour codes (an 'nclx' box, which phones
// write instead of an ICC profile), for the pictures whose numbers mean other colours than sRGB's:
// primaries (as numbered in ITU-T H.273) such as Display P3's (12), BT.2020's (9), DCI-P3's (11)
// or those of old television (5, 6, 7, 22), or another curve than sRGB's. The curve is taken as
// sRGB's for sRGB itself (13), the BT.709 family (1, 6, 14, 15) and when unnamed (2): a picture
// carries those numbers meant for a screen. Gamma 2.2 (4), 2.8 (5) and linear light (8) are
// honoured, with BT.709's primaries (1, sRGB's, also taken when unnamed) too. An invalid space
// (the numbers shown as they stand) for sRGB, and for curves Qt cannot express, among them the
// high dynamic range curves PQ (16) and HLG (18), which would need tone mapping first.
QColorSpace ColourCodeSpace(int primaries, int curve);

// The same for the colour codes of the image behind `handle`; invalid when it has none.
QColorSpace ColourCodeSpace(const heif_image_handle* handle);

} // namespace gb::formats
