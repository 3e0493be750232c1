#pragma once

#include "support/temp_folder.h"

#include <QByteArray>

namespace gb::test {

// The home Trash in a folder of the test's own ($XDG_DATA_HOME/Trash), for this program and for
// daemons a session bus started afterwards starts, which take the environment it began in.
struct PrivateTrash {
    PrivateTrash() { qputenv("XDG_DATA_HOME", data.Path().toUtf8()); }
    ~PrivateTrash()
    {
        saved.isNull() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", saved);
    }
    PrivateTrash(const PrivateTrash&) = delete;
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    TempFolder data;
};

} // namespace gb::test
