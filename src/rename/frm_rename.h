#pragma once

#include "core/files_dictionary.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QGroupBox;
class QImage;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedLayout;

namespace gb::app {
class Module1;
}

namespace gb::rename {

class PathLabel;
class BatchJob;
struct BatchStep;
struct SaveAsOutcome;

// The rename window: steps through the selected files with a preview, saves the displayed one
// under a new name, or copies (or moves) them all into a folder under a common name and an
// incrementing number. It works on the handed-over selection in place, so the selection always
// names the files last produced. One long-lived object; every showing starts afresh. The copying
// runs on a worker thread, so the window paints and answers while storage is slow or stalls.
class frmRename : public QDialog {
    Q_OBJECT
public:
    explicit frmRename(app::Module1& module1, QWidget* parent = nullptr);
    ~frmRename() override;

    void SetFiles(core::FilesPtr files) { Files_ = std::move(files); }
    // The selection; an empty one is made when none was handed over.
    core::FilesPtr Files();
    int CurrentIndex() const { return CurrentIndex_; }

    // Resets the controls, shows the first file and runs the window modally.
    int ShowModal();

    // Whether a batch or a Save As is copying.
    bool IsRunning() const { return run_ != nullptr; }

    // While a batch runs, closing the window (Done, Escape, the close box) cancels the batch
    // instead: it stops once the file in hand is done, and the window stays. Closing it again
    // meanwhile, or while a Save As runs, closes it at once: the file in hand is still finished
    // on the worker, but what comes of it is no longer shown.
    void done(int result) override;

Q_SIGNALS:
    // A batch or a Save As has ended, also one the window let go of when it closed.
    void RunFinished();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    QWidget* BuildSourceArea();
    QGroupBox* BuildBatchFrame();
    QLayout* BuildModePages();
    void SetTabOrder();
    void ResetControls();
    void Form_Load();
    void ShowEntry(int index);
    void ShowPreview(const QImage& image);
    void cmdBack_Click();
    void cmdNext_Click();
    void EndStepping(QPushButton* step, QPushButton* other);
    void cmdSaveAs_Click();
    void SaveDisplayedAs(const QString& displayed, const QString& chosen);
    void TellSaved(const SaveAsOutcome& outcome, core::Files& selection, const QString& displayed,
        const QString& chosen);
    void cmdBrowse_Click();
    void optSave_Click(int index);
    bool txtSuffix_KeyPress(const QString& typed);
    void cmdBatch_Click();
    bool ValidateBatch();
    void TakeBatchStep(const BatchStep& step);
    void EndBatch();
    struct Run;
    std::shared_ptr<Run> StartRun(std::shared_ptr<BatchJob> batch); // null for a Save As
    void EndRun();
    void SetRunning(bool running, bool batch);
    void ShowProgress(int index);
    QString EntryPath(int index);
    void Inform(const QString& text);

    app::Module1& module1_;
    core::FilesPtr Files_;
    int CurrentIndex_ = 0;
    quint64 previewRequest_ = 0; // counts the previews asked for; only the last one shows
    // The batch or Save As under way; its worker's reports are dropped once this lets it go.
    std::shared_ptr<Run> run_;
    // The folders this window copied into: what a failed copy had to leave there is swept again
    // as the window closes.
    QStringList copiedInto_;

    QGroupBox* Frame1 = nullptr;
    PathLabel* lblSource = nullptr;
    QWidget* sourceArea_ = nullptr;
    QLabel* Picture1 = nullptr;
    QPushButton* cmdBack = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdSaveAs = nullptr;
    QRadioButton* optSave[2] = {};
    QLabel* Image1 = nullptr;
    QStackedLayout* modePages_ = nullptr; // the logo or the batch options, in one place
    QGroupBox* fraBatch = nullptr;
    QLineEdit* txtFilename = nullptr;
    QLineEdit* txtSuffix = nullptr;
    PathLabel* lblDestination = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QPushButton* cmdBatch = nullptr;
    QCheckBox* chkOverwrite = nullptr;
    QCheckBox* chkDeleteOrig = nullptr;
    QPushButton* cmdDone = nullptr;
    QLabel* lblProgress = nullptr;
};

} // namespace gb::rename
