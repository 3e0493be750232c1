#pragma once

#include "platform/linux_platform.h"
#include "platform/services.h"

#include <QtGlobal>

#include <memory>
#include <vector>

namespace gb::browser {
class frmThumbs;
}

namespace gb::bench {

// What a user does with a loaded folder, each timed through the real window: Select All,
// handing the selection over, the slide show and the rename window opening on it, stepping the
// rename window to the end, and the unticking after Delete. Delete really deletes the folder's
// pictures, so this comes last.
struct InteractionTimes {
    double selectAllMs = 0; // until the window is idle again
    double selectedFilesMs = 0; // GetSelectedFiles, median of several calls
    double slideShowOpenMs = 0; // from the toolbar button to the running show
    double renameOpenMs = 0;
    std::vector<double> renameStepMs; // each Next click, repaint included
    double untickMs = 0; // from the last deleted file to the reload starting
    double peakRssMb = 0; // after all of it
};

// Services for the window under measurement: the real ones, except that a question is always
// answered Yes (a Delete must go through) and every deletion is clocked.
class InteractionServices {
public:
    explicit InteractionServices(platform::LinuxPlatform& real);
    ~InteractionServices();
    platform::Services& Services() { return services_; }
    qint64 LastDeletionNs() const;

private:
    class Dialogs;
    class Files;
    std::unique_ptr<Dialogs> dialogs_;
    std::unique_ptr<Files> files_;
    platform::Services services_;
};

InteractionTimes TimeInteractions(browser::frmThumbs& window, const InteractionServices& services);

} // namespace gb::bench
