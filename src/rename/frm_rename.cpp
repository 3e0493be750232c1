#include "rename/frm_rename.h"

#include "core/batch_naming.h"
#include "module1/module1.h"
#include "module1/settings.h"
#include "module1/tasks.h"
#include "platform/dialogs.h"
#include "platform/picture_loader.h"
#include "rename/path_label.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace gb::rename {

namespace {
    constexpr QSize kPreviewSize(129, 153);
    constexpr QSize kLogoSize(231, 109);
    constexpr int kSourceMinimumWidth = 100;
    constexpr int kDestinationMinimumWidth = 170;

    template <typename T> T* Named(T* widget, const char* name, const QString& toolTip = {})
    {
        widget->setObjectName(QString::fromLatin1(name));
        if (!toolTip.isEmpty())
            widget->setToolTip(toolTip);
        return widget;
    }
} // namespace

frmRename::frmRename(app::Module1& module1, QWidget* parent)
    : QDialog(parent)
    , module1_(module1)
{
    setObjectName(QStringLiteral("frmRename"));
    setWindowTitle(QStringLiteral("Glimmerbox"));
    setModal(true);
    BuildControls();
}

// A batch under way stops after the file in hand; nothing waits for it.
frmRename::~frmRename() { EndRun(); }

core::FilesPtr frmRename::Files()
{
    if (!Files_)
        Files_ = std::make_shared<core::Files>();
    return Files_;
}

QWidget* frmRename::BuildSourceArea()
{
    auto* area = sourceArea_ = new QWidget(this);
    auto* column = new QVBoxLayout(area);
    column->setContentsMargins(0, 0, 0, 0);
    Picture1 = Named(new QLabel(area), "Picture1");
    Picture1->setAccessibleName(QStringLiteral("Preview"));
    Picture1->setFixedSize(kPreviewSize);
    Picture1->setFrameShape(QFrame::Box);
    Picture1->setScaledContents(true); // stretched to the frame, as a preview
    column->addWidget(Picture1);
    auto* steps = new QHBoxLayout;
    cmdBack = Named(new QPushButton(QStringLiteral("<"), area), "cmdBack", "Previous Image");
    cmdNext = Named(new QPushButton(QStringLiteral(">"), area), "cmdNext", "Next Image");
    cmdBack->setAccessibleName(cmdBack->toolTip()); // read aloud, "<" and ">" say nothing
    cmdNext->setAccessibleName(cmdNext->toolTip());
    for (QPushButton* step : { cmdBack, cmdNext }) {
        // Hidden for a single file, but the window keeps its size.
        QSizePolicy policy = step->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        step->setSizePolicy(policy);
        steps->addWidget(step);
    }
    column->addLayout(steps);
    cmdSaveAs = Named(new QPushButton(QStringLiteral("&Save As"), area), "cmdSaveAs");
    column->addWidget(cmdSaveAs);
    column->addStretch();
    connect(cmdBack, &QPushButton::clicked, this, &frmRename::cmdBack_Click);
    connect(cmdNext, &QPushButton::clicked, this, &frmRename::cmdNext_Click);
    connect(cmdSaveAs, &QPushButton::clicked, this, &frmRename::cmdSaveAs_Click);
    return area;
}

QGroupBox* frmRename::BuildBatchFrame()
{
    fraBatch = Named(new QGroupBox(QStringLiteral("Batch Options"), this), "fraBatch");
    auto* grid = new QGridLayout(fraBatch);
    txtFilename = Named(new QLineEdit(fraBatch), "txtFilename",
        "Batch filename used to rename selected files.  Example: \"ChristmasParty\"");
    txtFilename->setAccessibleName(QStringLiteral("Filename"));
    txtSuffix = Named(new QLineEdit(fraBatch), "txtSuffix",
        "This value will be appended onto the Filename above and incremented for each file.");
    txtSuffix->setAccessibleName(QStringLiteral("Begin Increment"));
    txtSuffix->setMaxLength(5);
    // Typing is filtered key by key; the validator also keeps pasted text to digits.
    txtSuffix->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]*"), txtSuffix));
    txtSuffix->installEventFilter(this);
    lblDestination = Named(new PathLabel(kDestinationMinimumWidth,
                               QStringLiteral("Where to copy the selected files to."), fraBatch),
        "lblDestination");
    lblDestination->setFrameShape(QFrame::Box);
    cmdBrowse = Named(new QPushButton(QStringLiteral("..."), fraBatch), "cmdBrowse",
        "Browse for destination folder...");
    cmdBrowse->setAccessibleName(QStringLiteral("Browse for Destination"));
    cmdBatch = Named(new QPushButton(QStringLiteral("Save &Batch"), fraBatch), "cmdBatch",
        "Click here to batch raname all the selected files and copy them into the destination "
        "folder...");
    chkOverwrite = Named(
        new QCheckBox(QStringLiteral("Overwrite Pre-Existing File"), fraBatch), "chkOverwrite");
    grid->addWidget(Named(new QLabel(QStringLiteral("Filename:"), fraBatch), "lblFilename"), 0, 0);
    grid->addWidget(txtFilename, 0, 1, 1, 2);
    grid->addWidget(
        Named(new QLabel(QStringLiteral("Begin Increment:"), fraBatch), "lblSuffix"), 1, 0);
    grid->addWidget(txtSuffix, 1, 1);
    grid->addWidget(Named(new QLabel(QStringLiteral("Destination:"), fraBatch), "lblDest"), 2, 0);
    grid->addWidget(lblDestination, 3, 0, 1, 2);
    grid->addWidget(cmdBrowse, 3, 2);
    grid->addWidget(cmdBatch, 4, 0, 1, 3, Qt::AlignHCenter);
    grid->addWidget(chkOverwrite, 5, 0, 1, 3, Qt::AlignHCenter);
    connect(cmdBrowse, &QPushButton::clicked, this, &frmRename::cmdBrowse_Click);
    connect(cmdBatch, &QPushButton::clicked, this, &frmRename::cmdBatch_Click);
    return fraBatch;
}

QLayout* frmRename::BuildModePages()
{
    Image1 = Named(new QLabel(this), "Image1");
    Image1->setAccessibleName(QStringLiteral("Glimmerbox"));
    Image1->setFixedSize(kLogoSize);
    Image1->setFrameShape(QFrame::Box);
    Image1->setScaledContents(true);
    Image1->setPixmap(QPixmap(QStringLiteral(":/rename/logo.jpg")));
    // The logo and the batch options take turns in one place, as big as the larger of them, so
    // that switching between them never changes the window's size.
    auto* logoPage = new QWidget(this);
    auto* logoColumn = new QVBoxLayout(logoPage);
    logoColumn->setContentsMargins(0, 0, 0, 0);
    logoColumn->addWidget(Image1, 0, Qt::AlignTop);
    logoColumn->addStretch();
    modePages_ = new QStackedLayout;
    modePages_->addWidget(logoPage);
    modePages_->addWidget(BuildBatchFrame());
    return modePages_;
}

void frmRename::BuildControls()
{
    auto* page = new QGridLayout(this);
    Frame1 = Named(new QGroupBox(QStringLiteral("Source"), this), "Frame1");
    lblSource = Named(new PathLabel(kSourceMinimumWidth, QString(), Frame1), "lblSource");
    lblSource->setAccessibleDescription(QStringLiteral("Source"));
    QFont bold = lblSource->font();
    bold.setBold(true);
    lblSource->setFont(bold);
    (new QVBoxLayout(Frame1))->addWidget(lblSource);
    page->addWidget(Frame1, 0, 0, 1, 2);

    optSave[0] = Named(new QRadioButton(QStringLiteral("Save File"), this), "optSave0",
        "Save the displayed image.");
    optSave[1] = Named(new QRadioButton(QStringLiteral("Rename Batch"), this), "optSave1",
        "Renames all selected images with a common name and increments each one.");
    page->addWidget(optSave[0], 1, 0);
    page->addWidget(optSave[1], 1, 1);
    for (int i = 0; i < 2; ++i)
        connect(optSave[i], &QRadioButton::clicked, this, [this, i] { optSave_Click(i); });

    page->addWidget(BuildSourceArea(), 2, 0);
    page->addLayout(BuildModePages(), 2, 1);

    chkDeleteOrig
        = Named(new QCheckBox(QStringLiteral("Delete Original File After Renaming"), this),
            "chkDeleteOrig");
    page->addWidget(chkDeleteOrig, 3, 1);
    lblProgress = Named(new QLabel(this), "lblProgress");
    // A long file name in the progress is cut rather than widening the window.
    lblProgress->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    cmdDone = Named(new QPushButton(QStringLiteral("&Done"), this), "cmdDone");
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblProgress, 1);
    bottom->addWidget(cmdDone);
    page->addLayout(bottom, 4, 0, 1, 2);
    connect(cmdDone, &QPushButton::clicked, this, &QDialog::accept);
    // Enter does nothing here: no button is the default, not even the one with the focus.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(false);
    SetTabOrder();
}

void frmRename::SetTabOrder()
{
    QWidget* order[] = { cmdDone, cmdBack, cmdNext, cmdSaveAs, optSave[0], optSave[1], txtFilename,
        cmdBrowse, cmdBatch, txtSuffix, chkDeleteOrig, chkOverwrite };
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

// ---- Opening and stepping --------------------------------------------------------------------

int frmRename::ShowModal()
{
    Form_Load();
    cmdDone->setFocus();
    return exec();
}

void frmRename::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The keyboard starts on Done, and its focus frame shows at once: showing a window hides
    // focus frames until the first Tab, and Space on an unmarked Done would close it unseen.
    setAttribute(Qt::WA_KeyboardFocusChange);
}

void frmRename::ResetControls()
{
    // Every showing starts from the window's design, as if its controls were new.
    txtFilename->clear();
    txtSuffix->setText(QStringLiteral("1"));
    chkOverwrite->setChecked(false);
    chkDeleteOrig->setChecked(false);
    optSave[0]->setChecked(true);
    optSave_Click(0);
    cmdBack->setEnabled(true);
    cmdNext->setEnabled(true);
    lblProgress->clear();
}

void frmRename::Form_Load()
{
    ResetControls();
    lblDestination->SetPath(app::Settings(module1_).LastDestPath());
    CurrentIndex_ = 0;
    ShowEntry(0);
    const bool several = Files()->Count() > 1;
    cmdBack->setVisible(several);
    cmdNext->setVisible(several);
}

QString frmRename::EntryPath(int index) { return Files()->PathAt(index); }

// The preview is read on a worker, as the picture may sit on a share that stalls; it shows once
// it comes, unless another entry was shown meanwhile.
void frmRename::ShowEntry(int index)
{
    const QString path = EntryPath(index);
    lblSource->SetPath(path);
    Picture1->setPixmap(QPixmap());
    const quint64 request = ++previewRequest_;
    if (path.isEmpty())
        return;
    const platform::IPictureLoader& pictures = module1_.Services().pictures;
    platform::PictureOptions options = module1_.ShownPictureOptions();
    options.reduceFor = kPreviewSize;
    app::Run(
        app::Lane::Storage, this,
        [&pictures, path, options] {
            // A picture that cannot be loaded (gone, damaged) just leaves the preview empty.
            const auto picture = pictures.LoadPicture(path, options);
            return picture ? picture->image : QImage();
        },
        [this, request](const QImage& image) {
            if (request == previewRequest_ && !image.isNull())
                ShowPreview(image);
        });
}

// Stretched to the frame, as the preview always was; or, as a person may choose, kept in its
// proportions in the middle of the frame.
void frmRename::ShowPreview(const QImage& image)
{
    const bool keepProportions = app::Settings(module1_).FitPictures();
    Picture1->setScaledContents(!keepProportions);
    if (!keepProportions) {
        Picture1->setPixmap(QPixmap::fromImage(image));
        return;
    }
    const qreal ratio = Picture1->devicePixelRatioF();
    const QSize room = (QSizeF(Picture1->contentsRect().size()) * ratio).toSize();
    QPixmap pixmap
        = QPixmap::fromImage(image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(ratio);
    Picture1->setAlignment(Qt::AlignCenter);
    Picture1->setPixmap(pixmap);
}

void frmRename::cmdBack_Click()
{
    cmdNext->setEnabled(true);
    if (CurrentIndex_ < 1) {
        EndStepping(cmdBack, cmdNext);
        CurrentIndex_ = 0;
    } else {
        cmdBack->setEnabled(true);
        ShowEntry(--CurrentIndex_);
    }
    if (CurrentIndex_ == 0)
        EndStepping(cmdBack, cmdNext);
}

void frmRename::cmdNext_Click()
{
    const int last = Files()->Count() - 1;
    cmdBack->setEnabled(true);
    if (CurrentIndex_ < last) {
        cmdNext->setEnabled(true);
        ShowEntry(++CurrentIndex_);
    } else {
        EndStepping(cmdNext, cmdBack);
        CurrentIndex_ = std::max(0, last);
    }
    if (CurrentIndex_ == last)
        EndStepping(cmdNext, cmdBack);
}

// A stepping button going off at its end hands the keyboard to the other one: Space held on it
// then steps back, where Qt would pass the focus on to Save As and open its dialog.
void frmRename::EndStepping(QPushButton* step, QPushButton* other)
{
    if (step->hasFocus())
        other->setFocus();
    step->setEnabled(false);
}

void frmRename::optSave_Click(int index)
{
    if (index != 0 && index != 1)
        return;
    const bool batch = index == 1;
    modePages_->setCurrentIndex(batch ? 1 : 0);
    fraBatch->setEnabled(batch);
    cmdSaveAs->setEnabled(!batch);
    if (batch)
        txtFilename->setFocus();
}

void frmRename::cmdBrowse_Click()
{
    module1_.BrowseForFolder(this, "Select Destination Folder...", lblDestination->Path(),
        [this](const QString& folder) {
            if (folder.isEmpty())
                return;
            lblDestination->SetPath(folder);
            app::Settings(module1_).SetLastDestPath(folder);
            cmdBatch->setEnabled(true);
        });
}

bool frmRename::txtSuffix_KeyPress(const QString& typed)
{
    // Digits and backspace pass; every other character, control characters included, is
    // dropped. Keys that type nothing (arrows, Delete, Tab) are not characters and pass.
    if (typed.isEmpty())
        return true;
    const QChar c = typed.front();
    return c == u'\b' || (c >= u'0' && c <= u'9');
}

bool frmRename::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtSuffix && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Backspace)
            return false;
        if (!txtSuffix_KeyPress(key->text()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmRename::Inform(const QString& text)
{
    module1_.Services().dialogs.MsgBox(
        this, text, platform::MsgBoxStyle::Information, "Glimmerbox");
}

} // namespace gb::rename
