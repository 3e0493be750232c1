#pragma once

#include <QString>

namespace gb::core {

// The text after the last "." of a path's file name, in its own case; "" when there is none.
QString GetExtensionName(const QString& path);

// A path split at its last separator: the folder keeps the separator, the name is the rest.
struct SplitPath {
    QString folder;
    QString name;
};
SplitPath SplitAtLastSeparator(const QString& path);

// Whether a batch start text is a number (only digits can be typed; empty is not a number).
bool IsBatchNumber(const QString& text);

// Whether `name` can only name a file directly inside a folder: not empty, no separator, no
// NUL (the system would cut the name there), and not "." or "..", which name folders.
bool IsPlainFileName(const QString& name);

// The number after `counter`: its value plus one, as decimal text without leading zeros
// ("007" -> "8", "09" -> "10").
QString NextBatchCounter(const QString& counter);

// destination + separator + common name + counter + "." + extension. A destination that
// already ends in a separator keeps a single one.
QString BatchTarget(const QString& destination, const QString& commonName, const QString& counter,
    const QString& extension);

} // namespace gb::core
