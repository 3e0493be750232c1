#include "browser/folder_load.h"

#include <QMetaObject>
#include <algorithm>
#include <mutex>
#include <thread>

namespace gb::browser {

// Where a listing thread delivers its result: the load while it lives. A listing on a share that
// stopped answering may outlive the load (and the window), so the thread holds only this.
struct FolderLoad::Mailbox {
    std::mutex mutex;
    FolderLoad* load = nullptr;
};

FolderLoad::FolderLoad(QObject* parent)
    : QObject(parent)
    , mailbox_(std::make_shared<Mailbox>())
{
    mailbox_->load = this;
}

FolderLoad::~FolderLoad()
{
    {
        const std::lock_guard lock(mailbox_->mutex);
        mailbox_->load = nullptr;
    }
    pipeline_.reset();
    retired_.clear();
}

void FolderLoad::List(const QString& path, FileList::Accept accept, bool everyType)
{
    Stop();
    const quint64 request = request_;
    std::thread([mailbox = mailbox_, request, path, accept, everyType] {
        const FolderListing listing = FileList::Read(path, accept, everyType);
        const std::lock_guard lock(mailbox->mutex);
        if (FolderLoad* load = mailbox->load) {
            QMetaObject::invokeMethod(
                load,
                [load, request, listing] {
                    if (load->request_ == request)
                        Q_EMIT load->Listed(listing);
                },
                Qt::QueuedConnection);
        }
    }).detach();
}

void FolderLoad::MakeTiles(QStringList paths, ThumbnailPipeline::Decoder make, int threads)
{
    Stop();
    pipeline_ = std::make_unique<ThumbnailPipeline>(
        std::move(paths), std::move(make),
        [this] { QMetaObject::invokeMethod(this, &FolderLoad::TilesReady, Qt::QueuedConnection); },
        threads);
}

std::vector<std::optional<core::CompactTile>> FolderLoad::TakeTiles()
{
    return pipeline_ ? pipeline_->TakeReady() : std::vector<std::optional<core::CompactTile>> {};
}

void FolderLoad::Stop()
{
    ++request_;
    Retire();
}

void FolderLoad::Retire()
{
    if (pipeline_) {
        pipeline_->Cancel();
        retired_.push_back(std::move(pipeline_));
    }
    std::erase_if(retired_, [](const auto& pipeline) { return pipeline->IsIdle(); });
}

bool FolderLoad::IsIdle() const
{
    return std::all_of(retired_.begin(), retired_.end(), [](const auto& pipeline) {
        return pipeline->IsIdle();
    }) && (!pipeline_ || pipeline_->IsIdle());
}

} // namespace gb::browser
