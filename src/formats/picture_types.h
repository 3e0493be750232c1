#pragma once

#include "formats/byte_source.h"
#include "formats/loaded_picture.h"

#include <QByteArray>
#include <QStringList>
#include <optional>

namespace gb::formats {

// How much of a file must be read before its decoder starts.
enum class ReadPolicy {
    // All of it. A file larger than the whole-read limit is refused.
    Whole,
    // All of it up to the limit; a larger one is decoded by Qt's reader as it streams in, so a
    // huge file never sits in memory.
    WholeOrStream,
    // As far as its headers say its pixels go: a bitmap may be followed by anything.
    BitmapHeaders,
    // Nothing: the decoder reads what it needs through the byte source, so of a camera RAW file
    // only the headers and the preview are read, not the sensor data, and of a HEIC for a tile
    // only its boxes and its stored thumbnail.
    OnDemand,
};

// One type of picture: how its first bytes are told apart, and who decodes it.
// The table's rows name their fields; those a row leaves out are null or empty.
struct PictureType {
    const char* name = nullptr; // as tools and tests call it
    // Whether the head of a file is of this type, or may be when `matchesSource` has the last
    // word from the file itself (a camera RAW file has a TIFF's head, as a scanner's TIFF has).
    bool (*matches)(const QByteArray& head) = nullptr;
    // Decodes the bytes read; when null, Qt's reader named `qtReader` does.
    std::optional<LoadedPicture> (*decode)(const QByteArray& bytes, const PictureOptions& options)
        = nullptr;
    // The Qt reader the type needs, if any: the one that decodes it (or that `decode` calls, and
    // that streams a WholeOrStream file too large to read whole). The type is shown only where
    // Qt has that reader.
    const char* qtReader = nullptr;
    ReadPolicy read = ReadPolicy::Whole;
    // Shown only when every picture type is asked for: the file name patterns it is listed
    // under then. Empty for the classic types, which are always shown.
    QStringList everyTypePatterns {};
    // For OnDemand types: told apart and decoded through the source; `readFailed` set when a
    // read of it failed.
    bool (*matchesSource)(ByteSource& source) = nullptr;
    std::optional<LoadedPicture> (*decodeSource)(
        ByteSource& source, const PictureOptions& options, bool& readFailed)
        = nullptr;
    // Tried first when a thumbnail is asked for and embedded ones may be used: a smaller copy of
    // the picture the file stores, read through the source on demand. nullopt, `readFailed`
    // unset, when there is none to use: the file is then read and decoded as `read` says.
    std::optional<LoadedPicture> (*decodeStoredThumbnail)(
        ByteSource& source, const PictureOptions& options, bool& readFailed)
        = nullptr;
};

// The type the first bytes of a file (up to 64 KB), or for some types its headers read through
// `source`, say it is; null for none we show. The name never decides: a JPEG named .gif is a JPEG.
const PictureType* FindPictureType(const QByteArray& head, ByteSource& source);
// Whether the type's decoder is present: Qt's WebP and TIFF readers come with plugins that
// may not be installed.
bool IsAvailable(const PictureType& type);
// The file name patterns of the types shown only when every type is, and whose decoder is here.
QStringList EveryTypePatterns();

} // namespace gb::formats
