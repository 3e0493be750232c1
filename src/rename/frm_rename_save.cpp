// Saving the displayed file under a new name, and the numbered batch copy of the selection.
#include "core/batch_naming.h"
#include "module1/busy_pointer.h"
#include "module1/module1.h"
#include "platform/dialogs.h"
#include "platform/file_operations.h"
#include "rename/frm_rename.h"
#include "rename/path_label.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace gb::rename {

namespace {

    // Repaints without taking user input: nothing is running that could be clicked into.
    void Repaint() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

    // Points the selection entry of `from` at `to`. The new name is checked first, so the entry
    // is changed completely or not at all.
    bool MoveEntry(core::Files& files, const core::SplitPath& from, const core::SplitPath& to)
    {
        if (to.name != from.name && files.Exists(to.name))
            return false;
        files.SetItem(from.name, to.folder);
        return files.RenameKey(from.name, to.name);
    }

} // namespace

void frmRename::cmdSaveAs_Click()
{
    const QString displayed = lblSource->Path();
    if (displayed.isEmpty())
        return;
    const QString pattern = "*." + core::GetExtensionName(displayed);
    const QString chosen = module1_.Services().dialogs.SaveAs(this, displayed, pattern);
    if (chosen.isEmpty())
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
    platform::IFileOperations& files = module1_.Services().files;
    if (const platform::FileError error = files.CopyFile(displayed, chosen, true); !error.Ok()) {
        Inform("\"" + chosen + "\" could not be saved: " + error.description + ".");
        return;
    }
    if (chosen == displayed)
        return;
    // The same file reached through another path is not a copy: deleting it would lose it.
    if (chkDeleteOrig->isChecked() && !files.IsSameFile(displayed, chosen)) {
        if (const platform::FileError error = files.DeleteFile(displayed); !error.Ok()) {
            Inform("The copy was saved, but \"" + displayed
                + "\" could not be deleted: " + error.description + ".");
            return;
        }
    }
    MoveEntry(*Files(), from, to);
    lblSource->SetPath(to.folder + to.name);
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

void frmRename::cmdBatch_Click()
{
    if (!ValidateBatch())
        return;
    {
        app::BusyPointer busy;
        SetBatchRunning(true);
        Repaint();
        RunBatch();
        SetBatchRunning(false);
    }
    Repaint();
}

void frmRename::SetBatchRunning(bool running)
{
    // Only Done answers while the batch runs, and it cancels it.
    batchRunning_ = running;
    batchCancelled_ = false;
    QWidget* const controls[] = { sourceArea_, optSave[0], optSave[1], fraBatch, chkDeleteOrig };
    for (QWidget* control : controls)
        control->setEnabled(!running);
    cmdDone->setText(running ? QStringLiteral("&Cancel") : QStringLiteral("&Done"));
}

void frmRename::done(int result)
{
    if (batchRunning_) {
        batchCancelled_ = true;
        return;
    }
    QDialog::done(result);
}

void frmRename::RunBatch()
{
    BatchCounter = txtSuffix->text();
    const int count = Files()->Count();
    int done = 0;
    QString stopReason;
    for (int i = 0; i < count && stopReason.isEmpty(); ++i) {
        lblProgress->setText(
            QStringLiteral("Copying %1 of %2: %3").arg(i + 1).arg(count).arg(Files()->Key(i)));
        // Between files the user may cancel; the file in hand is always finished first.
        QCoreApplication::processEvents();
        if (batchCancelled_) {
            stopReason = "\"" + Files()->Key(i) + "\": the batch was cancelled.";
            break;
        }
        stopReason = CopyEntry(i);
        if (stopReason.isEmpty())
            ++done;
    }
    lblProgress->clear();
    lblSource->SetPath(EntryPath(CurrentIndex_));
    if (!stopReason.isEmpty())
        Inform(QStringLiteral("The batch stopped at %1 %2 of %3 files were done.")
                   .arg(stopReason)
                   .arg(done)
                   .arg(count));
}

QString frmRename::CopyEntry(int index)
{
    platform::IFileOperations& files = module1_.Services().files;
    const QString source = EntryPath(index);
    const core::SplitPath from = core::SplitAtLastSeparator(source);
    const QString extension = core::GetExtensionName(source);
    const bool overwrite = chkOverwrite->isChecked();
    QString target;
    for (;;) {
        target = core::BatchTarget(
            lblDestination->Path(), txtFilename->text(), BatchCounter, extension);
        const QString name = core::SplitAtLastSeparator(target).name;
        // A name another selected file already goes by counts as taken, like a file on disk.
        const bool taken = name != from.name && Files()->Exists(name);
        const platform::FileError error = taken
            ? platform::FileError { platform::FileErrorNumber::FileAlreadyExists, {} }
            : files.CopyFile(source, target, overwrite);
        if (error.Ok())
            break;
        if (error.number != platform::FileErrorNumber::FileAlreadyExists || (overwrite && !taken))
            return "\"" + from.name + "\": " + error.description + ".";
        BatchCounter = core::NextBatchCounter(BatchCounter);
    }
    if (target != source) {
        if (chkDeleteOrig->isChecked() && !files.IsSameFile(source, target)) {
            if (const platform::FileError error = files.DeleteFile(source); !error.Ok())
                return "\"" + from.name
                    + "\": it was copied, but the original could not be deleted ("
                    + error.description + ").";
        }
        MoveEntry(*Files(), from, core::SplitAtLastSeparator(target));
    }
    BatchCounter = core::NextBatchCounter(BatchCounter);
    return {};
}

} // namespace gb::rename
