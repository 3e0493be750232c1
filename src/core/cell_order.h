#pragma once

#include <QString>
#include <QtGlobal>

namespace gb::core {

// File names in the order a folder is listed: ignoring case, then by exact spelling so that
// "a.jpg" and "A.jpg" keep a stable order.
bool NameBefore(const QString& a, const QString& b);

// The order cells are kept in, which every command follows.
struct CellOrder {
    bool byTime = false; // by when the picture was taken, else by name
    bool reverse = false; // either order backwards
};

// What a cell is sorted on: its file's name and, in time order, its time (when the picture was
// taken, else when the file was last changed; milliseconds since the epoch).
struct SortKey {
    qint64 time = 0;
    QString name;
};

// Whether `a` comes before `b`; equal times fall back on the names.
bool SortsBefore(const SortKey& a, const SortKey& b, CellOrder order);

} // namespace gb::core
