#include "browser/folder_loader.h"

#include "browser/cell_model.h"
#include "browser/folder_watcher.h"
#include "browser/thumbnail_cache_writer.h"
#include "browser/thumbnail_pipeline.h"
#include "browser/tile_maker.h"
#include "browser/unreadable_files.h"
#include "core/caption_fit.h"
#include "module1/module1.h"
#include "module1/settings.h"
#include "module1/tasks.h"
#include "platform/file_operations.h"

#include <QDir>
#include <QFontMetrics>
#include <QHash>
#include <algorithm>

namespace gb::browser {

namespace {

    // On a share every request pays a round trip: this many files are read at once there, so
    // the link stays busy. Decoding stays one per core whatever runs (the loader sees to that).
    constexpr int kRemoteReadsInFlight = 16;

} // namespace

FolderLoader::FolderLoader(app::Module1& module1, CellModel& model, QObject* parent)
    : QObject(parent)
    , module1_(module1)
    , model_(model)
    , cacheWriter_(std::make_unique<ThumbnailCacheWriter>(module1.Services().thumbnails))
{
}

FolderLoader::~FolderLoader()
{
    watcher_.reset();
    updates_.reset();
    pipeline_.reset();
    retired_.clear();
}

bool FolderLoader::Start(const QString& path, Purpose purpose, const Look& look)
{
    if (IsClosed())
        return false;
    Retire();
    cacheWriter_->Release(); // what the dropped load made is not made again
    purpose_ = purpose;
    look_ = look;
    state_ = State::Listing;
    const quint64 request = ++request_;
    if (!busy_)
        busy_.emplace();
    // Listing and decoding agree on the types, whatever is switched while the load runs.
    everyType_ = module1_.EveryPictureType();
    app::Settings settings(module1_);
    geometry_ = { settings.ThumbnailSize() };
    order_ = { settings.CellSortOrder() == app::Settings::SortOrder::DateTaken,
        settings.SortReverse() };
    watch_ = settings.WatchFolder();
    const FileList::Accept accept = purpose == Purpose::Refresh ? FileList::Accept::Anything
        : purpose == Purpose::Start                             ? FileList::Accept::FolderOrPicture
                                                                : FileList::Accept::Folder;
    app::Run(
        app::Lane::Storage, this,
        [path, accept, everyType = everyType_, &files = module1_.Services().files] {
            return FileList::Read(path, accept, everyType, files);
        },
        [this, request](const FolderListing& listing) { Take(request, listing); });
    return true;
}

void FolderLoader::Take(quint64 request, const FolderListing& listing)
{
    if (request != request_ || state_ != State::Listing)
        return;
    if (!listing.Opened() && purpose_ != Purpose::Refresh) {
        End();
        Q_EMIT OpenFailed(listing);
        return;
    }
    if (purpose_ != Purpose::Refresh)
        filHidden.Take(listing);
    else // the folder as it is now; one gone since lists nothing
        filHidden.Take({ filHidden.Path(), {}, listing.names, {} });
    // In name order the files are read in the order their cells stay in.
    if (order_.reverse && !order_.byTime)
        filHidden.Reverse();
    Q_EMIT Listed(listing);
    if (request == request_ && state_ == State::Listing)
        MakeCells(listing.remote);
}

// Starts making the cells of the folder's listing; they come in through TakeTiles.
void FolderLoader::MakeCells(bool remote)
{
    state_ = State::Loading;
    model_.SetGeometry(geometry_);
    model_.Reset();
    SourcePath_ = filHidden.Path();
    if (!SourcePath_.isEmpty() && !SourcePath_.endsWith(u'/'))
        SourcePath_ += u'/';
    madeCells_ = takenTiles_ = 0;
    const int listed = filHidden.ListCount();
    // A frame for every file until its cell comes, so a grid shown meanwhile stays in place.
    model_.SetFrameCount(listed);
    Q_EMIT Began();
    QStringList paths;
    paths.reserve(listed);
    for (int i = 0; i < listed; ++i)
        paths.push_back(SourcePath_ + filHidden.List(i));
    const bool embedded = app::Settings(module1_).UseEmbeddedThumbnails();
    cacheWriter_->Hold();
    const platform::Services& services = module1_.Services();
    // Each task holds its own copy of the maker, so no worker reaches into the window; the
    // pipeline waits for its workers before the cache writer can go.
    unreadable_ = std::make_shared<UnreadableFiles>();
    const TileMaker maker(services.pictures, services.thumbnails, *cacheWriter_,
        { embedded, look_.buttonFace, look_.pixelRatio, remote, everyType_, geometry_.tileSide,
            order_.byTime },
        unreadable_);
    const app::Courier courier(this);
    remote_ = remote;
    decode_ = [maker, byTime = order_.byTime, &files = services.files](const QString& path) {
        MadeTile made = maker.Make(path);
        // A file that does not say when its picture was taken is sorted by its last change: the
        // maker has it wherever it looked the file up in the cache, and here is the rest. To the
        // second, as the cache's key and Exif dates have it: equal seconds go by name alike.
        if (byTime && made.tile && !made.takenMs) {
            if (const auto stamp = files.StampOf(path))
                made.takenMs = stamp->modifiedSeconds * 1000;
        }
        return made;
    };
    pipeline_ = std::make_unique<ThumbnailPipeline>(
        std::move(paths), decode_, [courier, this] { courier.Send([this] { TakeTiles(); }); },
        remote ? kRemoteReadsInFlight : 0);
    if (listed == 0) {
        End();
        cacheWriter_->Release();
        Watch();
        Q_EMIT Finished();
    } else {
        Q_EMIT Stepped(0);
    }
}

void FolderLoader::TakeTiles()
{
    if (state_ != State::Loading || !pipeline_)
        return;
    const quint64 request = request_;
    const int listed = filHidden.ListCount();
    for (MadeTile& made : pipeline_->TakeReady()) {
        const int index = takenTiles_++;
        if (made.tile) {
            model_.Append(MakeCell(filHidden.List(index), made));
            ++madeCells_;
        } else { // its frame goes, the later ones move up
            model_.SetFrameCount(listed - takenTiles_);
        }
        if (takenTiles_ < listed)
            Q_EMIT Stepped(takenTiles_);
        // Whoever watches the progress may have started another load, or closed the window.
        if (request_ != request || state_ != State::Loading)
            return;
    }
    if (takenTiles_ == listed) {
        // Any later date may come before every cell made, so in date order the cells come in
        // the listing's order and are sorted once all are in: putting each in its place would
        // move the rest every time.
        if (order_.byTime) {
            model_.Sort([this](const ThumbCell& a, const ThumbCell& b) {
                return core::SortsBefore({ a.Taken, a.Tag }, { b.Taken, b.Tag }, order_);
            });
        }
        End();
        cacheWriter_->Release();
        Watch();
        Q_EMIT Finished();
    }
}

ThumbCell FolderLoader::MakeCell(const QString& name, MadeTile& made) const
{
    const QFontMetrics metrics(look_.captionFont);
    return { name,
        core::FitCaption(name, geometry_.Cell().width(),
            [&metrics](const QString& text) { return metrics.horizontalAdvance(text); }),
        name, 0, std::move(*made.tile), true, order_.byTime ? made.takenMs.value_or(0) : 0 };
}

void FolderLoader::Watch()
{
    if (!watch_ || remote_ || SourcePath_.isEmpty())
        return;
    if (auto watch = module1_.Services().files.WatchFolder(SourcePath_)) {
        watcher_ = std::make_unique<FolderWatcher>(std::move(watch), nullptr);
        connect(watcher_.get(), &FolderWatcher::Changed, this, &FolderLoader::watcher_Changed);
    }
}

// Files made, removed, renamed or rewritten are read again, each cell put in its place; the
// others stay as they are, ticks and all. Too many changes to list read the folder again.
void FolderLoader::watcher_Changed(const platform::FolderChanges& changes)
{
    if (IsLoading() || IsClosed())
        return;
    if (changes.overflowed) {
        Refresh(look_);
        return;
    }
    const QStringList& patterns = FileList::Patterns(everyType_);
    for (const QString& name : changes.names) {
        if (!name.startsWith(u'.') && QDir::match(patterns, name) && !changed_.contains(name))
            changed_ << name;
    }
    if (!updates_ && !changed_.isEmpty())
        StartUpdates();
}

void FolderLoader::StartUpdates()
{
    updating_ = std::exchange(changed_, {});
    updatesTaken_ = 0;
    QStringList paths;
    for (const QString& name : updating_)
        paths << SourcePath_ + name;
    const app::Courier courier(this);
    updates_ = std::make_unique<ThumbnailPipeline>(
        std::move(paths), decode_, [courier, this] { courier.Send([this] { TakeUpdates(); }); });
}

void FolderLoader::TakeUpdates()
{
    if (!updates_)
        return;
    std::vector<MadeTile> ready = updates_->TakeReady();
    const QStringList names = updating_.mid(updatesTaken_, qsizetype(ready.size()));
    updatesTaken_ += int(ready.size());
    // The old cells of the names read go first, in one pass over the cells, keeping their ticks.
    QHash<QString, int> ticks;
    for (const QString& name : names)
        ticks.insert(name, 0);
    int removed = 0;
    for (int i = model_.ShownCount() - 1; i >= 0 && removed < ticks.size(); --i) {
        const auto tick = ticks.find(model_.Cell(i).Tag);
        if (tick == ticks.end())
            continue;
        *tick = model_.Cell(i).Value;
        model_.Remove(i);
        --madeCells_;
        ++removed;
    }
    for (size_t k = 0; k < ready.size(); ++k) {
        MadeTile& made = ready[k];
        if (!made.tile)
            continue;
        const QString& name = names[qsizetype(k)];
        ThumbCell cell = MakeCell(name, made);
        cell.Value = ticks.value(name);
        const int place = PlaceFor({ cell.Taken, cell.Tag });
        model_.Append(std::move(cell), place);
        ++madeCells_;
    }
    if (!updates_->IsFinished())
        return;
    retired_.push_back(std::move(updates_));
    Q_EMIT Updated();
    if (!changed_.isEmpty())
        StartUpdates();
}

int FolderLoader::PlaceFor(const core::SortKey& key) const
{
    // The cells made so far are in order: the new one goes behind every cell it does not
    // come before.
    int first = 0, count = model_.ShownCount();
    while (count > 0) {
        const int step = count / 2;
        const ThumbCell& cell = model_.Cell(first + step);
        if (!core::SortsBefore(key, { cell.Taken, cell.Tag }, order_)) {
            first += step + 1;
            count -= step + 1;
        } else {
            count = step;
        }
    }
    return first;
}

QString FolderLoader::UnreadableText() const
{
    return unreadable_ ? unreadable_->Text() : QString();
}

void FolderLoader::End()
{
    state_ = State::Idle;
    busy_.reset();
}

void FolderLoader::Close()
{
    watcher_.reset();
    End();
    state_ = State::Closed;
    ++request_;
    Retire();
    model_.Truncate();
}

void FolderLoader::Retire()
{
    watcher_.reset();
    changed_.clear();
    if (updates_) {
        updates_->Cancel();
        retired_.push_back(std::move(updates_));
    }
    model_.SetFrameCount(0); // what was awaited comes no more
    if (pipeline_) {
        pipeline_->Cancel();
        retired_.push_back(std::move(pipeline_));
    }
    std::erase_if(retired_, [](const auto& pipeline) { return pipeline->IsIdle(); });
}

} // namespace gb::browser
