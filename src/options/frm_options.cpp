#include "options/frm_options.h"

#include "module1/module1.h"
#include "module1/settings.h"
#include "platform/dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace gb::options {

namespace {
    using app::Settings;

    // A control's one-line explanation, under it and indented; a screen reader hears it as the
    // control's description. One line, unwrapped: the window is as wide as the longest.
    void Explain(QGridLayout& grid, QWidget& control, const QString& text)
    {
        auto* label = new QLabel(text);
        control.setAccessibleDescription(text);
        const int row = grid.rowCount();
        grid.addWidget(label, row, 1, 1, 2);
    }

    // A check box alone on its row.
    QCheckBox* AddCheck(
        QGridLayout& grid, const char* name, const QString& text, const QString& explanation)
    {
        auto* box = new QCheckBox(text);
        box->setObjectName(QString::fromLatin1(name));
        grid.addWidget(box, grid.rowCount(), 0, 1, 3);
        Explain(grid, *box, explanation);
        return box;
    }

    // A control with a label before it, the label carrying the control's mnemonic and name.
    template <typename Control>
    Control* AddLabelled(
        QGridLayout& grid, const char* name, const QString& text, const QString& explanation)
    {
        auto* control = new Control;
        control->setObjectName(QString::fromLatin1(name));
        auto* label = new QLabel(text);
        label->setBuddy(control);
        control->setAccessibleName(QString(text).remove(u'&').remove(u':'));
        const int row = grid.rowCount();
        grid.addWidget(label, row, 0, 1, 2);
        grid.addWidget(control, row, 2, Qt::AlignLeft);
        Explain(grid, *control, explanation);
        return control;
    }
} // namespace

frmOptions::frmOptions(app::Module1& module1, QWidget* parent)
    : QDialog(parent)
    , module1_(module1)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setWindowModality(Qt::WindowModal);
    BuildControls();
}

// Made in the order the Tab key visits them.
void frmOptions::BuildControls()
{
    auto* grid = new QGridLayout(this);
    grid->setColumnMinimumWidth(0, 20);
    grid->setColumnStretch(3, 1); // the lists stay beside their labels
    chkFitPictures = AddCheck(*grid, "chkFitPictures", "&Fit large pictures to the screen",
        "The slide show shrinks larger pictures to the screen; the rename preview keeps "
        "proportions.");
    chkDeleteToTrash = AddCheck(*grid, "chkDeleteToTrash", "Move deleted files to the &Trash",
        "Delete moves the ticked files to the desktop's Trash instead of removing them.");
    cboSortOrder = AddLabelled<QComboBox>(*grid, "cboSortOrder", "Sort or&der:",
        "Date taken: when the camera took the picture (Exif), else when the file changed.");
    cboSortOrder->addItems({ QStringLiteral("Name"), QStringLiteral("Date taken") });
    chkSortReverse
        = AddCheck(*grid, "chkSortReverse", "&Reverse order", "The last picture comes first.");
    cboThumbnailSize = AddLabelled<QComboBox>(
        *grid, "cboThumbnailSize", "Thumbnail &size:", "The side of each thumbnail, in pixels.");
    for (int pixels : Settings::kThumbnailSizes)
        cboThumbnailSize->addItem(QString::number(pixels), pixels);
    chkWatchFolder = AddCheck(*grid, "chkWatchFolder", "&Watch the folder for changes",
        "Changes made elsewhere show at once; not on a network share: press Refresh there.");
    spnSlideSeconds = AddLabelled<QSpinBox>(*grid, "spnSlideSeconds",
        "Slide show &interval (seconds):", "How long the slide show shows each picture.");
    spnSlideSeconds->setRange(Settings::kMinSlideSeconds, Settings::kMaxSlideSeconds);
    // Its text field takes the keyboard, so a screen reader lands there.
    for (QLineEdit* field : spnSlideSeconds->findChildren<QLineEdit*>())
        field->setAccessibleName(spnSlideSeconds->accessibleName());
    chkEveryType = AddCheck(*grid, "chkEveryType", "Show &every picture type",
        "Also HEIC, AVIF, WebP, TIFF, PNG, JPEG XL and camera RAW pictures.");
    chkEmbeddedThumbnails
        = AddCheck(*grid, "chkEmbeddedThumbnails", "Use cameras' em&bedded thumbnails",
            "A photo's own small picture stands in for its thumbnail: much quicker.");
    cmdButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    cmdButtons->setObjectName(QStringLiteral("cmdButtons"));
    grid->addWidget(cmdButtons, grid->rowCount(), 0, 1, 4);
    connect(cmdButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(cmdButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void frmOptions::Form_Load()
{
    Settings settings(module1_);
    stored_ = { settings.FitPictures(), settings.DeleteToTrash(),
        settings.CellSortOrder() == Settings::SortOrder::DateTaken, settings.SortReverse(),
        settings.WatchFolder(), module1_.EveryPictureType(), settings.UseEmbeddedThumbnails(),
        settings.ThumbnailSize(), settings.SlideSeconds() };
    chkFitPictures->setChecked(stored_.fitPictures);
    chkDeleteToTrash->setChecked(stored_.deleteToTrash);
    cboSortOrder->setCurrentIndex(stored_.dateOrder ? 1 : 0);
    chkSortReverse->setChecked(stored_.sortReverse);
    cboThumbnailSize->setCurrentIndex(cboThumbnailSize->findData(stored_.thumbnailSize));
    chkWatchFolder->setChecked(stored_.watchFolder);
    spnSlideSeconds->setValue(stored_.slideSeconds);
    chkEveryType->setChecked(stored_.everyType);
    chkEmbeddedThumbnails->setChecked(stored_.embeddedThumbnails);
}

frmOptions::Values frmOptions::Shown() const
{
    return { chkFitPictures->isChecked(), chkDeleteToTrash->isChecked(),
        cboSortOrder->currentIndex() == 1, chkSortReverse->isChecked(), chkWatchFolder->isChecked(),
        chkEveryType->isChecked(), chkEmbeddedThumbnails->isChecked(),
        cboThumbnailSize->currentData().toInt(), spnSlideSeconds->value() };
}

frmOptions::Outcome frmOptions::ShowModal()
{
    Form_Load();
    chkFitPictures->setFocus();
    if (exec() != QDialog::Accepted)
        return Outcome::Unchanged;
    return Save(stored_, Shown());
}

// Each key is written only when its option changed, so an option set by hand in the settings
// file to a value the window cannot show stays as it is unless the person changes it here.
frmOptions::Outcome frmOptions::Save(const Values& before, const Values& after)
{
    Settings settings(module1_);
    bool changed = false, folderChanged = false;
    bool written = true;
    auto write = [&](auto was, auto now, bool folderOption, auto setter) {
        if (was == now)
            return;
        written = setter(now) && written;
        changed = true;
        folderChanged = folderChanged || folderOption;
    };
    write(before.fitPictures, after.fitPictures, false,
        [&](bool on) { return settings.SetFitPictures(on); });
    write(before.deleteToTrash, after.deleteToTrash, false,
        [&](bool on) { return settings.SetDeleteToTrash(on); });
    write(before.dateOrder, after.dateOrder, true, [&](bool date) {
        return settings.SetCellSortOrder(
            date ? Settings::SortOrder::DateTaken : Settings::SortOrder::Name);
    });
    write(before.sortReverse, after.sortReverse, true,
        [&](bool on) { return settings.SetSortReverse(on); });
    write(before.thumbnailSize, after.thumbnailSize, true,
        [&](int pixels) { return settings.SetThumbnailSize(pixels); });
    write(before.watchFolder, after.watchFolder, true,
        [&](bool on) { return settings.SetWatchFolder(on); });
    write(before.slideSeconds, after.slideSeconds, false,
        [&](int seconds) { return settings.SetSlideSeconds(seconds); });
    write(before.everyType, after.everyType, true, [&](bool on) {
        module1_.SetEveryPictureType(on);
        return Settings(module1_).EveryPictureType() == on;
    });
    write(before.embeddedThumbnails, after.embeddedThumbnails, true,
        [&](bool on) { return settings.SetUseEmbeddedThumbnails(on); });
    if (!written)
        module1_.Services().dialogs.MsgBox(this,
            "Some options could not be changed: the settings file \""
                + QDir::toNativeSeparators(module1_.IniPath()) + "\" cannot be written.",
            platform::MsgBoxStyle::Exclamation, "Glimmerbox");
    return folderChanged ? Outcome::FolderOptionsChanged
        : changed        ? Outcome::Changed
                         : Outcome::Unchanged;
}

} // namespace gb::options
