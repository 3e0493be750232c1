#include "formats/reduced_size.h"

#include <algorithm>
#include <cmath>

namespace gb::formats {

QSize ReducedSize(QSize stored, QSize upright, QSize box)
{
    if (!box.isValid() || box.isEmpty() || upright.isEmpty())
        return stored;
    const QSize twice = upright.scaled(box, Qt::KeepAspectRatio) * 2;
    const double scale = std::max(
        double(twice.width()) / upright.width(), double(twice.height()) / upright.height());
    if (scale >= 1)
        return stored;
    return QSize(std::max(1, int(std::ceil(stored.width() * scale))),
        std::max(1, int(std::ceil(stored.height() * scale))));
}

bool CoversTwiceTheTile(QSize size, QSize upright, QSize box)
{
    if (size.isEmpty() || upright.isEmpty() || box.isEmpty())
        return false;
    const QSize fitted = upright.scaled(box, Qt::KeepAspectRatio);
    const qint64 skew
        = qint64(size.width()) * upright.height() - qint64(size.height()) * upright.width();
    return size.width() >= 2 * fitted.width() && size.height() >= 2 * fitted.height()
        && qAbs(skew) <= 2 * qint64(std::max(upright.width(), upright.height()));
}

} // namespace gb::formats
