#pragma once

#include "core/files_dictionary.h"

#include <QDialog>

class QCheckBox;
class QGroupBox;
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

// The rename window: steps through the selected files with a preview, saves the displayed one
// under a new name, or copies (or moves) them all into a folder under a common name and an
// incrementing number. It works on the handed-over selection in place, so the selection always
// names the files last produced. One long-lived object; every showing starts afresh.
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

    // While a batch runs, closing the window (Done, Escape, the close box) cancels the batch
    // instead: it stops once the file in hand is done, and the window stays.
    void done(int result) override;

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
    void cmdBack_Click();
    void cmdNext_Click();
    void cmdSaveAs_Click();
    void cmdBrowse_Click();
    void optSave_Click(int index);
    bool txtSuffix_KeyPress(const QString& typed);
    void cmdBatch_Click();
    bool ValidateBatch();
    void RunBatch();
    void SetBatchRunning(bool running);
    QString CopyEntry(int index); // "" on success, else why the run stops
    QString EntryPath(int index);
    void Inform(const QString& text);

    app::Module1& module1_;
    core::FilesPtr Files_;
    int CurrentIndex_ = 0;
    QString BatchCounter;
    bool batchRunning_ = false;
    bool batchCancelled_ = false;

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
