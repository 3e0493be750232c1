#pragma once

#include "platform/file_operations.h"

#include <QByteArray>
#include <QString>

class QDateTime;

namespace gb::platform {

// Moves a file into the desktop's Trash as the freedesktop.org Trash specification lays out, so
// that file managers list it and can put it back: the home trash ($XDG_DATA_HOME/Trash) for a
// file on the same file system, else the trash at the top of the file's own mount
// ($topdir/.Trash/$uid when an administrator made a sticky $topdir/.Trash, else
// $topdir/.Trash-$uid). The file is only ever renamed, never copied: one whose mount has no trash
// we may use stays where it is, and the error says so. The record of where it came from
// (info/NAME.trashinfo) is written first, under a name claimed exclusively, and removed again
// when the file cannot follow.
FileError MoveToFreedesktopTrash(const QString& path);

// The text of a trash record: the file's path (absolute, or relative to the trash's mount) with
// every byte but unreserved ones and '/' escaped, and the local time it was trashed.
QByteArray TrashInfoText(const QByteArray& path, const QDateTime& when);

} // namespace gb::platform
