#include "formats/dib_rle.h"

#include <algorithm>

namespace gb::formats {

namespace {

    enum class Escape : quint8 { EndOfLine = 0, EndOfBitmap = 1, Delta = 2 };

    // Where the next pixel goes; y counts stored rows, bottom-up unless the header said otherwise.
    class RleCursor {
    public:
        RleCursor(QImage& image, bool topDown)
            : image_(image)
            , topDown_(topDown)
        {
            SelectRow();
        }

        bool InPicture() const { return y_ < image_.height(); }
        // Draws `count` pixels whose palette indices `index(i)` gives, clipped at the right edge.
        template <typename IndexOf>
        void Draw(qint64 count, const DibPalette& palette, IndexOf index)
        {
            const qint64 drawn = std::clamp<qint64>(image_.width() - x_, 0, count);
            for (qint64 i = 0; i < drawn; ++i)
                line_[x_ + i] = palette[index(i)];
            x_ += count;
            pixels_ += drawn;
        }
        void NextLine() { Move(-x_, 1); }
        void Move(qint64 dx, qint64 dy)
        {
            x_ += dx;
            y_ += dy;
            if (dy != 0)
                SelectRow();
        }
        qint64 Pixels() const { return pixels_; }

    private:
        void SelectRow()
        {
            if (InPicture())
                line_ = reinterpret_cast<QRgb*>(
                    image_.scanLine(topDown_ ? int(y_) : image_.height() - 1 - int(y_)));
        }

        QImage& image_;
        bool topDown_;
        QRgb* line_ = nullptr;
        qint64 x_ = 0, y_ = 0, pixels_ = 0;
    };

} // namespace

qint64 DrawRle(
    const ByteView& stream, bool nibbles, bool topDown, const DibPalette& palette, QImage& image)
{
    RleCursor cursor(image, topDown);
    qint64 at = 0;
    while (stream.Fits(at, 2) && cursor.InPicture()) {
        const quint8 count = stream.U8(at), code = stream.U8(at + 1);
        at += 2;
        if (count > 0) { // an encoded run: one index, or two nibbles taking turns
            cursor.Draw(count, palette, [nibbles, code](qint64 i) {
                return nibbles ? (i % 2 ? code & 15 : code >> 4) : code;
            });
        } else if (code == quint8(Escape::EndOfLine)) {
            cursor.NextLine();
        } else if (code == quint8(Escape::EndOfBitmap)) {
            break;
        } else if (code == quint8(Escape::Delta)) {
            if (!stream.Fits(at, 2))
                break;
            cursor.Move(stream.U8(at), stream.U8(at + 1));
            at += 2;
        } else { // absolute: `code` indices as they are, padded to a 16-bit boundary
            const qint64 bytes = nibbles ? (code + 1) / 2 : code;
            const qint64 present = nibbles ? 2 * std::min<qint64>(bytes, stream.Size() - at)
                                           : std::min<qint64>(bytes, stream.Size() - at);
            cursor.Draw(std::min<qint64>(code, present), palette, [&stream, at, nibbles](qint64 i) {
                return nibbles ? stream.U8(at + i / 2) >> (i % 2 ? 0 : 4) & 15 : stream.U8(at + i);
            });
            at += (bytes + 1) / 2 * 2;
        }
    }
    return cursor.Pixels();
}

} // namespace gb::formats
