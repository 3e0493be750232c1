#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QSpinBox;

namespace gb::app {
class Module1;
}

namespace gb::options {

// The Options window: one control per option, each explained beside it, OK and Cancel. It shows
// what the settings file holds when it opens and writes only what the person changed, on OK.
// Nothing here touches a disk but the settings file, so it never waits on a share.
class frmOptions : public QDialog {
    Q_OBJECT
public:
    explicit frmOptions(app::Module1& module1, QWidget* parent = nullptr);

    // What a closed showing changed.
    enum class Outcome {
        Unchanged, // cancelled, or nothing changed
        Changed, // options that take effect when next used
        FolderOptionsChanged, // among them one that a folder load reads: the folder must reload
    };
    // Shows the stored options and runs modally over the parent until closed.
    Outcome ShowModal();

private:
    // The options as the controls or the settings file hold them.
    struct Values {
        bool fitPictures, deleteToTrash, dateOrder, sortReverse, watchFolder, everyType,
            embeddedThumbnails;
        int thumbnailSize, slideSeconds;
    };
    void BuildControls();
    void Form_Load();
    Values Shown() const;
    Outcome Save(const Values& before, const Values& after);

    app::Module1& module1_;
    Values stored_ = {};
    QCheckBox* chkFitPictures = nullptr;
    QCheckBox* chkDeleteToTrash = nullptr;
    QComboBox* cboSortOrder = nullptr;
    QCheckBox* chkSortReverse = nullptr;
    QComboBox* cboThumbnailSize = nullptr;
    QCheckBox* chkWatchFolder = nullptr;
    QSpinBox* spnSlideSeconds = nullptr;
    QCheckBox* chkEveryType = nullptr;
    QCheckBox* chkEmbeddedThumbnails = nullptr;
    QDialogButtonBox* cmdButtons = nullptr;
};

} // namespace gb::options
