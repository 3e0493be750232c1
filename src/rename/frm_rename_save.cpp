// Saving the displayed file under a new name, and the numbered batch copy of the selection. The
// copying runs on a worker thread; the window takes its reports as they come.
#include "core/batch_naming.h"
#include "module1/busy_pointer.h"
#include "module1/module1.h"
#include "module1/tasks.h"
#include "platform/dialogs.h"
#include "platform/file_operations.h"
#include "rename/batch_job.h"
#include "rename/frm_rename.h"
#include "rename/path_label.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <optional>

namespace gb::rename {

// What the window keeps of the batch or Save As under way.
struct frmRename::Run {
    core::FilesPtr selection; // the entries follow the files in this one
    std::shared_ptr<BatchJob> batch; // null for a Save As
    bool cancelled = false;
    int done = 0;
    QString stopReason;
    std::optional<app::BusyPointer> busy; // during a batch
};

// What came of a Save As.
struct SaveAsOutcome {
    platform::FileError copy, deletion;
    bool follow = false; // the entry now names the copy
};

namespace {

    // Points the selection entry of `from` at `to`. The new name is checked first, so the entry
    // is changed completely or not at all.
    bool MoveEntry(core::Files& files, const core::SplitPath& from, const core::SplitPath& to)
    {
        if (to.name != from.name && files.Exists(to.name))
            return false;
        files.SetItem(from.name, to.folder);
        return files.RenameKey(from.name, to.name);
    }

    // The disk work of a Save As, on the worker.
    SaveAsOutcome SaveCopy(platform::IFileOperations& files, const QString& displayed,
        const QString& chosen, bool deleteOriginal)
    {
        files.RemoveLeftovers(core::SplitAtLastSeparator(chosen).folder);
        SaveAsOutcome outcome { files.CopyFile(displayed, chosen, true), {} };
        if (!outcome.copy.Ok() || chosen == displayed)
            return outcome;
        // The same file reached through another path is not a copy: deleting it would lose it.
        if (deleteOriginal && !files.IsSameFile(displayed, chosen))
            outcome.deletion = files.DeleteFile(displayed);
        outcome.follow = outcome.deletion.Ok();
        return outcome;
    }

} // namespace

void frmRename::cmdSaveAs_Click()
{
    const QString displayed = lblSource->Path();
    if (displayed.isEmpty())
        return;
    module1_.SaveAs(this, displayed, "*." + core::GetExtensionName(displayed),
        [this, displayed](const QString& chosen) { SaveDisplayedAs(displayed, chosen); });
}

void frmRename::SaveDisplayedAs(const QString& displayed, const QString& chosen)
{
    if (chosen.isEmpty() || IsRunning())
        return;
    const core::SplitPath from = core::SplitAtLastSeparator(displayed);
    const core::SplitPath to = core::SplitAtLastSeparator(chosen);
    if (!core::IsPlainFileName(to.name)) {
        Inform("\"" + chosen + "\" does not name a file, so nothing was saved.");
        return;
    }
    if (to.name != from.name && Files()->Exists(to.name)) {
        Inform("\"" + to.name
            + "\" is already the name of another selected file, so nothing was saved.");
        return;
    }
    copiedInto_ << to.folder;
    const std::weak_ptr<Run> run = StartRun(nullptr);
    app::Run(
        app::Lane::Storage, this,
        [&files = module1_.Services().files, displayed, chosen,
            deleteOriginal = chkDeleteOrig->isChecked()] {
            return SaveCopy(files, displayed, chosen, deleteOriginal);
        },
        [this, run, displayed, chosen](const SaveAsOutcome& outcome) {
            if (!run.expired()) {
                const core::FilesPtr selection = run_->selection;
                EndRun();
                TellSaved(outcome, *selection, displayed, chosen);
            }
            Q_EMIT RunFinished();
        });
}

bool frmRename::ValidateBatch()
{
    bool valid = true;
    const QString name = txtFilename->text();
    if (name.trimmed().isEmpty()) {
        Inform("You must select a Filename prefix before saving selected files!");
        txtFilename->setFocus();
        valid = false;
    } else if (!core::IsPlainFileName(name)) {
        // Checked before anything is copied: "../x" or "a/b" would write outside the folder.
        Inform("The Filename prefix \"" + name
            + "\" cannot be used: it must not contain \"/\" and must not be \".\" or \"..\".");
        txtFilename->selectAll();
        txtFilename->setFocus();
        valid = false;
    }
    if (!core::IsBatchNumber(txtSuffix->text())) {
        Inform("You must select a starting value to increment the batch process!");
        txtSuffix->selectAll();
        txtSuffix->setFocus();
        valid = false;
    }
    return valid;
}

void frmRename::TellSaved(const SaveAsOutcome& outcome, core::Files& selection,
    const QString& displayed, const QString& chosen)
{
    if (!outcome.copy.Ok())
        Inform("\"" + chosen + "\" could not be saved: " + CopyFailureText(outcome.copy) + ".");
    else if (!outcome.deletion.Ok())
        Inform("The copy was saved, but \"" + displayed
            + "\" could not be deleted: " + outcome.deletion.description + ".");
    if (!outcome.follow)
        return;
    MoveEntry(selection, core::SplitAtLastSeparator(displayed), core::SplitAtLastSeparator(chosen));
    if (lblSource->Path() == displayed) // not stepped on while the picker was opening
        lblSource->SetPath(chosen);
}

void frmRename::cmdBatch_Click()
{
    if (!ValidateBatch())
        return;
    const BatchJob::Settings settings { lblDestination->Path(), txtFilename->text(),
        txtSuffix->text(), chkOverwrite->isChecked(), chkDeleteOrig->isChecked() };
    copiedInto_ << settings.folder;
    auto job = std::make_shared<BatchJob>(module1_.Services().files, *Files(), settings);
    const std::weak_ptr<Run> run = StartRun(job);
    ShowProgress(0);
    // Each step reaches the window as it is done, and the end after the last of them.
    const app::Courier window(this);
    app::Run(
        app::Lane::Storage, this,
        [this, job, run, window] {
            job->Run([this, run, window](BatchStep step) {
                window.Send([this, run, step = std::move(step)] {
                    if (!run.expired())
                        TakeBatchStep(step);
                });
            });
        },
        [this, run] {
            if (!run.expired())
                EndBatch();
            Q_EMIT RunFinished();
        });
}

std::shared_ptr<frmRename::Run> frmRename::StartRun(std::shared_ptr<BatchJob> batch)
{
    run_ = std::make_shared<Run>();
    run_->selection = Files();
    if (batch)
        run_->busy.emplace();
    SetRunning(true, batch != nullptr);
    run_->batch = std::move(batch);
    return run_;
}

// The window is done with the run; a run let go of by closing the window ends here too.
void frmRename::EndRun()
{
    if (run_ && run_->batch)
        run_->batch->Cancel();
    run_.reset();
    SetRunning(false, false);
}

void frmRename::SetRunning(bool running, bool batch)
{
    // Only Done answers meanwhile; during a batch it cancels it.
    QWidget* const controls[] = { sourceArea_, optSave[0], optSave[1], fraBatch, chkDeleteOrig };
    for (QWidget* control : controls)
        control->setEnabled(!running);
    cmdDone->setText(running && batch ? QStringLiteral("&Cancel") : QStringLiteral("&Done"));
}

void frmRename::done(int result)
{
    if (run_ && run_->batch && !run_->cancelled) {
        // Stops once the file in hand is copied; a half-done copy is never abandoned.
        run_->cancelled = true;
        run_->batch->Cancel();
        lblProgress->setText(QStringLiteral("Cancelling once the file in hand is copied..."));
        cmdDone->setText(QStringLiteral("&Close"));
        return;
    }
    if (run_) {
        EndRun();
        lblProgress->clear();
    }
    // Nothing waits for it: on storage that still does not answer, it waits on its own.
    copiedInto_.removeDuplicates();
    for (const QString& folder : std::exchange(copiedInto_, {}))
        app::Post(app::Lane::Storage,
            [&files = module1_.Services().files, folder] { files.RemoveLeftovers(folder); });
    QDialog::done(result);
}

void frmRename::ShowProgress(int index)
{
    const core::Files& selection = *run_->selection;
    if (index < selection.Count() && !run_->cancelled)
        lblProgress->setText(QStringLiteral("Copying %1 of %2: %3")
                                 .arg(index + 1)
                                 .arg(selection.Count())
                                 .arg(selection.Key(index)));
}

void frmRename::TakeBatchStep(const BatchStep& step)
{
    if (!step.stopReason.isEmpty()) {
        run_->stopReason = step.stopReason;
        return;
    }
    ++run_->done;
    const QString source = run_->selection->PathAt(step.index);
    if (step.target != source)
        MoveEntry(*run_->selection, core::SplitAtLastSeparator(source),
            core::SplitAtLastSeparator(step.target));
    ShowProgress(step.index + 1);
}

void frmRename::EndBatch()
{
    const int count = run_->selection->Count();
    const int done = run_->done;
    const QString stopReason = run_->stopReason;
    EndRun();
    lblProgress->clear();
    lblSource->SetPath(EntryPath(CurrentIndex_));
    if (!stopReason.isEmpty())
        Inform(QStringLiteral("The batch stopped at %1 %2 of %3 files were done.")
                   .arg(stopReason)
                   .arg(done)
                   .arg(count));
}

} // namespace gb::rename
