#pragma once

#include "formats/byte_source.h"
#include "formats/loaded_picture.h"

#include <optional>

namespace gb::formats {

// Whether the file is a camera RAW file that LibRaw reads, from its headers only. The types with
// a signature of their own (Olympus ORF, Panasonic RW2, Fujifilm RAF, Canon CR3 and CRW, Sigma
// X3F, Minolta MRW) are known by it; a TIFF-headed file (Nikon NEF, Sony ARW, Canon CR2, DNG,
// Pentax PEF …) only when its directories hold a sensor's data (FindTiffSensorData) and LibRaw
// reads it, so that a plain TIFF, from a scanner, an editor or a multispectral or thermal camera
// LibRaw knows by its maker, stays with the TIFF reader.
bool IsCameraRaw(ByteSource& source);
// Whether the first bytes may be a camera RAW file's: a RAW signature or a TIFF's head. Only then
// is IsCameraRaw worth its reads.
bool MayBeCameraRaw(const QByteArray& head);

// The picture of a camera RAW file, upright as the camera held it. The camera's largest embedded
// preview serves when it is at least twice the size the picture gets fitted into
// `options.reduceFor` (a preview of another shape, a 4:3 one with black bands for a 3:2 picture,
// cut to the picture's shape), and for a request at full size (a slide show's) when it is at least
// the size developing gives, half the picture's; else LibRaw develops the sensor data, at half
// size, unless the file's directories name only some of the sensor's strips or tiles. A JPEG
// preview is decoded reduced; the natural size is that of the developed picture. Only the headers
// and the preview are read when the preview serves. nullopt when LibRaw refuses the file or the
// picture would not fit the decode budget; `readFailed` is then set if a read of `source` failed,
// so the file is unreadable, not damaged. Memory running out, in LibRaw or here, throws
// std::bad_alloc (as IsCameraRaw may): the decode entry tells it apart from a file that is no
// picture.
std::optional<LoadedPicture> DecodeRaw(
    ByteSource& source, const PictureOptions& options, bool& readFailed);

} // namespace gb::formats
