#include "formats/metafile_loader.h"

#include "formats/decode_budget.h"
#include "formats/emf_player.h"
#include "formats/wmf_player.h"

#include <QPainter>
#include <cmath>

namespace gb::formats {

namespace {

    // A header can ask for any size; no side of the picture gets more than this.
    constexpr double kMaxSide = 8192;

    std::optional<QSize> NaturalSize(QSizeF size)
    {
        if (!(size.width() > 0 && size.height() > 0) || !std::isfinite(size.width())
            || !std::isfinite(size.height()))
            return std::nullopt;
        const double longest = std::max(size.width(), size.height());
        if (longest > kMaxSide)
            size *= kMaxSide / longest;
        return QSize(qMax(1, qRound(size.width())), qMax(1, qRound(size.height())));
    }

    // A thumbnail needs no more than twice the size it is shown at.
    QSize RenderSize(QSize natural, const PictureOptions& options)
    {
        if (!options.reduceFor.isValid() || options.reduceFor.isEmpty())
            return natural;
        const QSize fitted = natural.scaled(options.reduceFor, Qt::KeepAspectRatio) * 2;
        if (fitted.width() >= natural.width() || fitted.height() >= natural.height())
            return natural;
        return fitted.expandedTo(QSize(1, 1));
    }

    // What one bitmap embedded in the picture may take once decoded (MetafileDib's limit). The
    // bitmaps are decoded one at a time while the canvas is drawn on.
    constexpr qint64 kBitmapAllowance = qint64(64) << 20;

    // A canvas that would not fit into the decoding budget beside a bitmap is drawn smaller,
    // which a picture made of lines and shapes allows.
    QSize FitBudget(QSize size, qint64 maxBytes)
    {
        const qint64 bytes = qint64(size.width()) * size.height() * 4;
        if (bytes <= maxBytes)
            return size;
        const double scale = std::sqrt(double(maxBytes) / double(bytes));
        return QSize(qMax(1, int(size.width() * scale)), qMax(1, int(size.height() * scale)));
    }

    template <typename Player, typename Header>
    std::optional<LoadedPicture> Render(
        const ByteView& file, const Header& header, const PictureOptions& options)
    {
        const auto natural = NaturalSize(header.naturalSize);
        if (!natural)
            return std::nullopt;
        DecodeBudget& budget = DecodeBudget::Shared();
        const QSize size
            = FitBudget(RenderSize(*natural, options), budget.Total() - kBitmapAllowance);
        const auto reservation
            = budget.Reserve(qint64(size.width()) * size.height() * 4 + kBitmapAllowance);
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        if (!reservation || image.isNull())
            return std::nullopt;
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        const bool played = Player::Play(file, header, painter, QSizeF(image.size()));
        painter.end();
        if (!played)
            return std::nullopt;
        return LoadedPicture { image, *natural };
    }

} // namespace

bool MetafileLoader::IsMetafile(const QByteArray& bytes)
{
    const ByteView file(bytes);
    return WmfPlayer::IsWmf(file) || EmfPlayer::IsEmf(file);
}

std::optional<LoadedPicture> MetafileLoader::Load(
    const QByteArray& bytes, const PictureOptions& options)
{
    const ByteView file(bytes);
    if (EmfPlayer::IsEmf(file)) {
        const auto header = EmfPlayer::ReadHeader(file);
        return header ? Render<EmfPlayer>(file, *header, options) : std::nullopt;
    }
    if (WmfPlayer::IsWmf(file)) {
        const auto header = WmfPlayer::ReadHeader(file);
        return header ? Render<WmfPlayer>(file, *header, options) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace gb::formats
