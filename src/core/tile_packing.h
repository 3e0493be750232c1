#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace gb::core {

// Lossless packing of a tile's pixels. A folder of 100,000 pictures keeps every tile in memory,
// and at three bytes a pixel they alone would need 850 MB; packed, grainy photographs take about
// 30 % of that. The colours are decorrelated (green, red - green, blue - green), each plane is
// predicted from its decoded neighbours the way JPEG-LS does and each plane's prediction errors
// get a Huffman code of their own (see HuffmanCode). Packing costs a few tens of microseconds a
// tile, so that it adds little to decoding the picture; unpacking about as much again.
QByteArray PackPixels(const QImage& picture);

// The RGB888 picture of `size` that PackPixels packed into `packed`; a null image when `packed`
// is not such a picture.
QImage UnpackPixels(const QByteArray& packed, QSize size);

} // namespace gb::core
