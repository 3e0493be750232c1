#pragma once

#include "browser/file_list.h"
#include "browser/thumbnail_pipeline.h"

#include <QObject>
#include <memory>
#include <vector>

namespace gb::browser {

// The disk work of loading a folder, done away from the window's thread so that the window
// never waits on storage, however slow, stalled or failing: reading the folder's listing, then
// making its tiles. What is done comes back by queued signals; a new request, or Stop(), drops
// whatever earlier work would still have delivered.
class FolderLoad : public QObject {
    Q_OBJECT
public:
    explicit FolderLoad(QObject* parent = nullptr);
    // Waits for the workers still making tiles; see IsIdle().
    ~FolderLoad() override;

    // Reads the listing of `path` (see FileList::Read); Listed follows.
    void List(const QString& path, FileList::Accept accept, bool everyType);
    // Makes the tiles of `paths`, `threads` files at a time; TilesReady follows whenever the next
    // ones in list order are ready.
    void MakeTiles(QStringList paths, ThumbnailPipeline::Decoder make, int threads);
    // The tiles ready in list order since the last call (nullopt for a file that gave none).
    std::vector<std::optional<core::CompactTile>> TakeTiles();
    bool AllTilesTaken() const { return pipeline_ && pipeline_->IsFinished(); }
    void Stop();
    // No worker is still reading or decoding a file. A listing stuck on a dead share is no
    // worker of ours: it holds nothing the program needs.
    bool IsIdle() const;

Q_SIGNALS:
    void Listed(const gb::browser::FolderListing& listing);
    void TilesReady();

private:
    struct Mailbox;
    void Retire();

    quint64 request_ = 0;
    std::shared_ptr<Mailbox> mailbox_;
    std::unique_ptr<ThumbnailPipeline> pipeline_;
    // Stopped pipelines whose workers are still busy (a read that has not returned yet).
    std::vector<std::unique_ptr<ThumbnailPipeline>> retired_;
};

} // namespace gb::browser
