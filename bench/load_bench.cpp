// How long the main window takes from "open this folder" to a shown grid, measured on the real
// window with the real services, the way a user meets it. Prints one line per measurement
// ("glimmerbox-load cold ms_total=... files=...") for the scripts beside it to pick up.
//
//   glimmerbox_load_bench [--rounds N] [--no-embedded] [--all-types] [--warm] [--scroll]
//                         [--interact] [--size PIXELS] [--sort name|date] FOLDER
//   glimmerbox_load_bench --make-small N DIR
#include "browser/frm_thumbs.h"
#include "browser/thumb_grid.h"
#include "browser/tile_store.h"
#include "interactions.h"
#include "module1/module1.h"
#include "module1/settings.h"
#include "module1/tasks.h"
#include "small_pictures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <sys/resource.h>
#include <vector>

namespace {

using gb::browser::frmThumbs;

constexpr int ActivationTimeoutMs = 60 * 1000;
constexpr int LoadTimeoutMs = 60 * 60 * 1000; // a hundred thousand files on a slow disk
constexpr int ScrollSteps = 50;

struct Options {
    int rounds = 3;
    bool embedded = true;
    bool everyType = false;
    bool warm = false;
    bool scroll = false;
    bool interact = false;
    int thumbnailSize = 64; // one of Settings::kThumbnailSizes
    gb::app::Settings::SortOrder sortOrder = gb::app::Settings::SortOrder::Name;
    QString folder;
    int makeSmall = 0;
    QString error;
};

struct Round {
    double loadMs = 0;
    // The longest the window's event loop was kept from a 5 ms timer during the load: what a
    // click, a key or a repaint may have had to wait at worst.
    double worstEventWaitMs = 0;
    int files = 0;
    std::vector<double> scrollMs;
    QString scrollMethod;
    QSize gridSize;
    double peakRssMb = 0; // once loaded and scrolled
    std::optional<gb::bench::InteractionTimes> interactions;
};

const char* Usage()
{
    return "usage: glimmerbox_load_bench [--rounds N] [--no-embedded] [--all-types] [--warm] "
           "[--scroll] [--interact] [--size PIXELS] [--sort name|date] FOLDER\n"
           "       glimmerbox_load_bench --make-small N DIR\n"
           "  cold rounds (the default) each start with an empty thumbnail cache; --warm fills\n"
           "  the cache with one untimed load first. --scroll also times repainting the grid\n"
           "  after moving the scroll bar a page. --interact times Select All, the selection, the\n"
           "  slide show and rename windows and Delete in the last round: it DELETES the "
           "pictures.\n"
           "  --size and --sort are written into the settings file the window reads: the\n"
           "  thumbnail size (64, 96, 128, 192 or 256) and the order of the cells.\n";
}

int PositiveNumber(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value > 0 ? value : 0;
}

int ThumbnailSize(const QString& text, QString& error)
{
    const int size = PositiveNumber(text);
    if (std::ranges::find(gb::app::Settings::kThumbnailSizes, size)
        == std::end(gb::app::Settings::kThumbnailSizes))
        error = QStringLiteral("no thumbnail size \"%1\"").arg(text);
    return size;
}

gb::app::Settings::SortOrder SortOrder(const QString& text, QString& error)
{
    if (text == QLatin1String("date"))
        return gb::app::Settings::SortOrder::DateTaken;
    if (text != QLatin1String("name"))
        error = QStringLiteral("no sort order \"%1\"").arg(text);
    return gb::app::Settings::SortOrder::Name;
}

Options ParseOptions(QStringList args)
{
    Options options;
    args.removeFirst();
    while (!args.isEmpty() && options.error.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QLatin1String("--rounds") && !args.isEmpty())
            options.rounds = PositiveNumber(args.takeFirst());
        else if (arg == QLatin1String("--make-small") && !args.isEmpty())
            options.makeSmall = PositiveNumber(args.takeFirst());
        else if (arg == QLatin1String("--no-embedded"))
            options.embedded = false;
        else if (arg == QLatin1String("--all-types"))
            options.everyType = true;
        else if (arg == QLatin1String("--warm"))
            options.warm = true;
        else if (arg == QLatin1String("--scroll"))
            options.scroll = true;
        else if (arg == QLatin1String("--interact"))
            options.interact = true;
        else if (arg == QLatin1String("--size") && !args.isEmpty())
            options.thumbnailSize = ThumbnailSize(args.takeFirst(), options.error);
        else if (arg == QLatin1String("--sort") && !args.isEmpty())
            options.sortOrder = SortOrder(args.takeFirst(), options.error);
        else if (!arg.startsWith(QLatin1String("--")) && options.folder.isEmpty())
            options.folder = arg;
        else
            options.error = QStringLiteral("unexpected argument \"%1\"").arg(arg);
    }
    if (options.error.isEmpty() && (options.rounds == 0 || options.folder.isEmpty()))
        options.error = QStringLiteral("a folder and a positive --rounds/--make-small count");
    return options;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// User and system time of the whole process so far.
double CpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double PeakRssMb()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // Linux counts in KiB
}

// Runs the event loop until `signal` fires; false when `timeoutMs` passed first.
template <typename Signal> bool WaitFor(frmThumbs& window, Signal signal, int timeoutMs)
{
    QEventLoop loop;
    bool fired = false;
    QObject::connect(&window, signal, &loop, [&] {
        fired = true;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return fired;
}

void PrepareSettings(gb::app::Module1& module1, const Options& options)
{
    // The settings file may be the one beside the executable, kept from an earlier run: its
    // remembered folder would be loaded on activation, before and around the timed load.
    gb::app::Settings settings(module1);
    settings.SetLastPath(QString());
    if (!settings.SetUseEmbeddedThumbnails(options.embedded)
        || !settings.SetThumbnailSize(options.thumbnailSize)
        || !settings.SetCellSortOrder(options.sortOrder))
        std::fprintf(stderr, "warning: could not write the settings file %s\n",
            qPrintable(module1.IniPath()));
}

std::optional<double> TimeLoad(frmThumbs& window, const QString& folder, double& worstWaitMs)
{
    QElapsedTimer timer;
    qint64 finishedNs = -1;
    QTimer probe;
    QElapsedTimer sinceProbe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        worstWaitMs
            = std::max(worstWaitMs, static_cast<double>(sinceProbe.nsecsElapsed()) / 1e6 - 5);
        sinceProbe.restart();
    });
    sinceProbe.start();
    probe.start(5);
    const QMetaObject::Connection connection = QObject::connect(
        &window, &frmThumbs::LoadFinished, &window, [&] { finishedNs = timer.nsecsElapsed(); });
    timer.start();
    const bool opened = window.LoadFolder(folder);
    if (opened && finishedNs < 0)
        WaitFor(window, &frmThumbs::LoadFinished, LoadTimeoutMs);
    QObject::disconnect(connection);
    if (!opened || finishedNs < 0)
        return std::nullopt;
    return static_cast<double>(finishedNs) / 1e6;
}

int VisibleCells(const frmThumbs& window)
{
    const auto& cells = window.Cells();
    return static_cast<int>(std::count_if(
        cells.begin(), cells.end(), [](const gb::browser::ThumbCell& c) { return c.Visible; }));
}

// One page down per step, back to the top at the end, each step timed until the grid has
// repainted. A window that is not exposed (hidden, minimised) is never repainted, so there the
// grid is rendered into a pixmap instead, which runs the same painting code.
void TimeScrolling(frmThumbs& window, Round& round)
{
    QScrollBar& bar = window.ScrollBar();
    QWidget& grid = window.Grid();
    QCoreApplication::processEvents(); // nothing queued from the load may land in a step
    const QWindow* handle = window.windowHandle();
    const bool exposed = handle && handle->isExposed() && grid.isVisible();
    round.scrollMethod = exposed ? QStringLiteral("repaint") : QStringLiteral("grab");
    round.gridSize = grid.size();
    const auto paint = [&grid, exposed] {
        if (exposed)
            grid.repaint();
        else
            (void)grid.grab();
    };
    for (int i = 0; i < ScrollSteps; ++i) {
        const int next = bar.value() + bar.pageStep();
        QElapsedTimer timer;
        timer.start();
        bar.setValue(next > bar.maximum() ? bar.minimum() : next);
        paint();
        // Pictures parked on the disk come back from a worker: the step ends with the page whole.
        while (!window.Tiles().IsSettled()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            paint();
        }
        round.scrollMs.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
}

// One load on services of its own, so that a cold round really starts with the cache empty.
// Leaving the scope also waits for the thumbnails the load hands to the cache writer.
std::optional<Round> RunRound(const Options& options, const QString& cacheHome, bool last)
{
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome));
    gb::platform::LinuxPlatform linuxPlatform;
    gb::bench::InteractionServices services(linuxPlatform);
    gb::app::Module1 module1(services.Services());
    // Gone after the window, before the services: what the window left on a lane (the thumbnails
    // it hands the cache writer as it closes) may use them until it ends.
    struct LanesDone {
        ~LanesDone()
        {
            if (!gb::app::WaitForLanes(std::chrono::seconds(60))) {
                std::fprintf(stderr, "error: work on a lane still runs after a minute\n");
                std::_Exit(1);
            }
        }
    } lanesDone;
    PrepareSettings(module1, options);
    module1.SetEveryPictureType(options.everyType, false);
    frmThumbs window(module1);
    window.show();
    if (!WaitFor(window, &frmThumbs::FirstActivationDone, ActivationTimeoutMs)) {
        std::fprintf(stderr, "error: the window never finished its first activation\n");
        return std::nullopt;
    }
    double worstWaitMs = 0;
    const std::optional<double> ms = TimeLoad(window, options.folder, worstWaitMs);
    if (!ms) {
        std::fprintf(stderr, "error: could not load %s\n", qPrintable(options.folder));
        return std::nullopt;
    }
    Round round;
    round.loadMs = *ms;
    round.worstEventWaitMs = worstWaitMs;
    round.files = VisibleCells(window);
    if (options.scroll)
        TimeScrolling(window, round);
    round.peakRssMb = PeakRssMb();
    if (options.interact && last)
        round.interactions = gb::bench::TimeInteractions(window, services);
    return round;
}

void PrintRound(const char* mode, int index, const Round& round)
{
    std::printf("glimmerbox-load-round %s round=%d ms_total=%.1f ms_per_image=%.3f files=%d "
                "worst_event_wait_ms=%.1f\n",
        mode, index, round.loadMs, round.loadMs / std::max(1, round.files), round.files,
        round.worstEventWaitMs);
    std::fflush(stdout);
}

void PrintSummary(const char* mode, const Options& options, const std::vector<Round>& rounds)
{
    std::vector<double> totals;
    std::vector<double> scrolls;
    for (const Round& round : rounds) {
        totals.push_back(round.loadMs);
        scrolls.insert(scrolls.end(), round.scrollMs.begin(), round.scrollMs.end());
    }
    const double median = Median(totals);
    const int files = rounds.back().files;
    std::printf("glimmerbox-load %s ms_total=%.1f ms_per_image=%.3f peak_rss_mb=%.1f files=%d "
                "rounds=%zu embedded=%d size=%d cpu_s=%.1f stat=median\n",
        mode, median, median / std::max(1, files), rounds.back().peakRssMb, files, rounds.size(),
        options.embedded ? 1 : 0, options.thumbnailSize, CpuSeconds());
    if (options.scroll) {
        std::printf("glimmerbox-scroll %s median_ms=%.2f max_ms=%.2f steps=%zu method=%s "
                    "grid=%dx%d\n",
            mode, Median(scrolls), *std::max_element(scrolls.begin(), scrolls.end()),
            scrolls.size(), qPrintable(rounds.back().scrollMethod), rounds.back().gridSize.width(),
            rounds.back().gridSize.height());
    }
    if (const auto& times = rounds.back().interactions) {
        std::printf(
            "glimmerbox-interact %s select_all_ms=%.1f untick_ms=%.1f selected_files_ms=%.1f "
            "slideshow_open_ms=%.1f rename_open_ms=%.1f rename_step_median_ms=%.3f "
            "rename_step_max_ms=%.2f rename_steps=%zu peak_rss_mb=%.1f\n",
            mode, times->selectAllMs, times->untickMs, times->selectedFilesMs,
            times->slideShowOpenMs, times->renameOpenMs, Median(times->renameStepMs),
            times->renameStepMs.empty()
                ? 0.0
                : *std::max_element(times->renameStepMs.begin(), times->renameStepMs.end()),
            times->renameStepMs.size(), times->peakRssMb);
    }
}

int RunBench(const Options& options)
{
    const char* mode = options.warm ? "warm" : "cold";
    QTemporaryDir sharedCache;
    if (!sharedCache.isValid())
        return 1;
    if (options.warm && !RunRound(options, sharedCache.path(), false))
        return 1;
    std::vector<Round> rounds;
    for (int i = 1; i <= options.rounds; ++i) {
        QTemporaryDir freshCache;
        const QString cacheHome = options.warm ? sharedCache.path() : freshCache.path();
        std::optional<Round> round = RunRound(options, cacheHome, i == options.rounds);
        if (!round)
            return 1;
        PrintRound(mode, i, *round);
        rounds.push_back(std::move(*round));
    }
    PrintSummary(mode, options, rounds);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Settings land beside the executable when its folder is writable, else here: never in the
    // user's own settings.
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));

    const QStringList args = QCoreApplication::arguments();
    if (args.contains(QLatin1String("--help"))) {
        std::printf("%s", Usage());
        return 0;
    }
    const Options options = ParseOptions(args);
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "glimmerbox_load_bench: %s\n%s", qPrintable(options.error), Usage());
        return 2;
    }
    if (options.makeSmall > 0) {
        const int written = gb::bench::WriteSmallPictures(options.makeSmall, options.folder);
        std::printf("glimmerbox-make-small files=%d dir=%s\n", written, qPrintable(options.folder));
        return written == options.makeSmall ? 0 : 1;
    }
    return RunBench(options);
}
