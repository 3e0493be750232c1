#include "core/batch_naming.h"

namespace gb::core {

SplitPath SplitAtLastSeparator(const QString& path)
{
    const qsizetype cut = path.lastIndexOf(u'/');
    return { path.left(cut + 1), path.mid(cut + 1) };
}

QString GetExtensionName(const QString& path)
{
    const QString name = SplitAtLastSeparator(path).name;
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

bool IsBatchNumber(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

bool IsPlainFileName(const QString& name)
{
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(QChar(0))
        && name != QLatin1String(".") && name != QLatin1String("..");
}

QString NextBatchCounter(const QString& counter)
{
    // Digits only and at most a few of them, but count in 64 bits so that a long run of
    // retries past taken names can never wrap around.
    bool ok = false;
    const qulonglong value = counter.toULongLong(&ok);
    return QString::number(ok ? value + 1 : 1);
}

QString BatchTarget(const QString& destination, const QString& commonName, const QString& counter,
    const QString& extension)
{
    QString folder = destination;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder + commonName + counter + u'.' + extension;
}

} // namespace gb::core
