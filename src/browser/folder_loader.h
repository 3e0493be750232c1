#pragma once

#include "browser/file_list.h"
#include "browser/made_tile.h"
#include "browser/thumb_cell.h"
#include "core/cell_order.h"
#include "module1/busy_pointer.h"
#include "platform/file_operations.h"

#include <QColor>
#include <QFont>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace gb::app {
class Module1;
}

namespace gb::browser {

class CellModel;
class FolderWatcher;
class ThumbnailCacheWriter;
class ThumbnailPipeline;
class UnreadableFiles;

// Loads folders into the cell model and owns where a load is: listing the folder, then making
// one cell per picture in list order. Every step that touches the disk runs on the storage
// lane; the results come back to the window's thread as they are ready, so the window repaints
// and answers whatever the storage does. A new load or Close() may come at any time: what runs
// is then dropped, and the newest request wins.
class FolderLoader : public QObject {
    Q_OBJECT
public:
    // Why a folder is loaded, which decides what a folder that cannot be opened gets.
    enum class Purpose {
        Start, // named on the command line: explained, then another is chosen
        Show, // loaded, not remembered
        Remember, // loaded and remembered as the last folder
        Refresh, // the folder shown, again: one gone since is simply empty
    };
    // How the cells look, which their tiles and captions are made for.
    struct Look {
        QColor buttonFace; // around each tile, and what transparent pixels show
        qreal pixelRatio = 1; // the screen's device pixels to a logical pixel
        QFont captionFont;
    };

    FolderLoader(app::Module1& module1, CellModel& model, QObject* parent = nullptr);
    // Waits for files still being read for tiles.
    ~FolderLoader() override;

    // Starts loading `path`; false when the loader is closed.
    bool Start(const QString& path, Purpose purpose, const Look& look);
    // Loads the folder shown again, as it is now.
    void Refresh(const Look& look) { Start(filHidden.Path(), Purpose::Refresh, look); }
    // Drops what runs; no load starts any more.
    void Close();

    bool IsLoading() const { return state_ == State::Listing || state_ == State::Loading; }
    // The folder has been read and its cells are being made: those there already are its own.
    bool IsMakingCells() const { return state_ == State::Loading; }
    bool IsClosed() const { return state_ == State::Closed; }
    // Some load was asked for since the loader was made.
    bool HasStarted() const { return request_ != 0; }
    Purpose CurrentPurpose() const { return purpose_; }
    // The folder's listing as last read, and the folder its cells are of (ending in '/').
    const FileList& Listing() const { return filHidden; }
    QString SourcePath() const { return SourcePath_; }
    int MadeCells() const { return madeCells_; }
    // What the person is told of the files the last load could not read ("" when none).
    QString UnreadableText() const;

Q_SIGNALS:
    // The folder could not be opened (not for a refresh); nothing changed. The listing's `whyNot`
    // ends the sentence that says so ("it does not exist").
    void OpenFailed(const gb::browser::FolderListing& listing);
    // The folder was read: its cells are about to be made.
    void Listed(const gb::browser::FolderListing& listing);
    // The cells are being made: the old ones are gone, none of the new ones is there yet.
    void Began();
    // The load now waits for the file at `index` of the listing.
    void Stepped(int index);
    // Every listed file has been taken (also when there was none).
    void Finished();
    // The folder watched changed, and the cells with it (ticks kept).
    void Updated();

private:
    enum class State {
        Idle, // no load runs
        Listing, // the folder is being read
        Loading, // its cells are being made
        Closed, // no load starts any more
    };
    void Take(quint64 request, const FolderListing& listing);
    void MakeCells(bool remote);
    void TakeTiles();
    // A cell for the file `name` as read for its tile.
    ThumbCell MakeCell(const QString& name, MadeTile& made) const;
    // Follows the folder's changes once its cells are made, when the person asked for it.
    void Watch();
    void watcher_Changed(const platform::FolderChanges& changes);
    void StartUpdates();
    void TakeUpdates();
    // Where a cell of this key goes among those made, in time order.
    int PlaceFor(const core::SortKey& key) const;
    void End();
    void Retire();

    app::Module1& module1_;
    CellModel& model_;
    FileList filHidden;
    QString SourcePath_;
    State state_ = State::Idle;
    Purpose purpose_ = Purpose::Show;
    Look look_;
    quint64 request_ = 0; // counts loads started, so a result can tell it was overtaken
    bool everyType_ = false; // the load lists and shows every picture type
    core::CellOrder order_; // what the cells are sorted by
    CellGeometry geometry_; // the cells' size this load makes them at
    int takenTiles_ = 0; // files of the listing whose tile (or failure) has come in
    int madeCells_ = 0;
    std::optional<app::BusyPointer> busy_; // while a load runs
    std::shared_ptr<UnreadableFiles> unreadable_; // of the load whose cells are made
    // Before the pipelines: their workers write to it, and they go first.
    std::unique_ptr<ThumbnailCacheWriter> cacheWriter_;
    std::unique_ptr<ThumbnailPipeline> pipeline_;
    // Stopped pipelines whose workers are still busy (a read that has not returned yet).
    std::vector<std::unique_ptr<ThumbnailPipeline>> retired_;
    // Watching the folder shown, as a person may ask: files changed are read again through the
    // same maker as the load's, a batch at a time.
    bool watch_ = false;
    bool remote_ = false;
    std::function<MadeTile(const QString&)> decode_;
    std::unique_ptr<FolderWatcher> watcher_;
    std::unique_ptr<ThumbnailPipeline> updates_;
    QStringList updating_; // the names updates_ reads, in its order
    int updatesTaken_ = 0;
    QStringList changed_; // names changed while a batch was read
};

} // namespace gb::browser
