#include "browser/main_status_bar.h"

#include "browser/elided_label.h"
#include "browser/progress_display.h"
#include "browser/toolbar_icons.h"
#include "core/load_text.h"

#include <QMainWindow>
#include <QStatusBar>

namespace gb::browser {

namespace {
    constexpr int kCountPanelWidth = 110;
}

MainStatusBar::MainStatusBar(QMainWindow& window)
    : QObject(&window)
    , window_(window)
{
    QStatusBar* sbrMain = window.statusBar();
    sbrMain->setObjectName(QStringLiteral("sbrMain"));
    sbrMain->setAccessibleName(QStringLiteral("Status"));
    for (int i = 0; i < 3; ++i) {
        panels_[i]
            = i == static_cast<int>(Panel::Path) ? new ElidedLabel(sbrMain) : new QLabel(sbrMain);
        panels_[i]->setObjectName(QStringLiteral("sbrMainPanel%1").arg(i + 1));
    }
    Label(Panel::Badge)->setPixmap(StatusBarBadge());
    Label(Panel::Badge)->setAccessibleName(QStringLiteral("Glimmerbox"));
    // The two text panels are read by their text; what they stand for is their description.
    Label(Panel::Count)->setAccessibleDescription(QStringLiteral("Files in the folder"));
    Label(Panel::Path)->setAccessibleDescription(QStringLiteral("Folder or ticked file"));
    Label(Panel::Count)->setMinimumWidth(kCountPanelWidth);
    Label(Panel::Count)->setText(QStringLiteral("File(s): 0"));
    Label(Panel::Path)->setTextFormat(Qt::PlainText);
    sbrMain->addWidget(Label(Panel::Badge));
    sbrMain->addWidget(Label(Panel::Count));
    sbrMain->addWidget(Label(Panel::Path), 1);
    notice_ = new QLabel(sbrMain);
    notice_->setObjectName(QStringLiteral("sbrMainNotice"));
    notice_->setAccessibleDescription(QStringLiteral("Files that could not be read"));
    notice_->setTextFormat(Qt::PlainText);
    sbrMain->addPermanentWidget(notice_);
    notice_->hide();
    hint_ = new ElidedLabel(sbrMain); // the window never widens for it
    hint_->setObjectName(QStringLiteral("sbrMainHint"));
    hint_->setAccessibleDescription(QStringLiteral("Pictures not shown"));
    hint_->setTextFormat(Qt::PlainText);
    sbrMain->addPermanentWidget(hint_);
    hint_->hide();
    picProgress = new ProgressDisplay(&window);
}

QString MainStatusBar::Text(int panel) const
{
    return panel >= 1 && panel <= 3 ? panels_[panel - 1]->text() : QString();
}

void MainStatusBar::SetCount(const QString& text) { Label(Panel::Count)->setText(text); }

void MainStatusBar::SetPath(const QString& text) { Label(Panel::Path)->setText(text); }

void MainStatusBar::SetNotice(const QString& text)
{
    notice_->setText(text);
    notice_->setVisible(!text.isEmpty());
}

// Short, so that the path beside it keeps room; the tool tip says it all.
void MainStatusBar::SetHiddenPictures(int count, const QStringList& types)
{
    constexpr int kTypesNamed = 2;
    QString named = types.mid(0, kTypesNamed).join(QStringLiteral(", "));
    if (types.size() > kTypesNamed)
        named += u'…';
    hint_->setText(QStringLiteral("%1 %2 hidden (%3): Ctrl+, for Options")
                       .arg(count)
                       .arg(count == 1 ? "picture" : "pictures", named));
    hint_->setToolTip(
        QStringLiteral("%1 more %2 of the types shown only on request (%3). To show "
                       "them, right-click the grid or press Ctrl+, for Options and "
                       "tick \"Show every picture type\".")
            .arg(count)
            .arg(count == 1 ? "picture" : "pictures", types.join(QStringLiteral(", "))));
    hint_->setVisible(count > 0);
}

QRect MainStatusBar::ProgressArea() const
{
    const QStatusBar* bar = window_.statusBar();
    const QRect panel = Label(Panel::Path)->geometry();
    return { bar->x() + panel.x(), bar->y() + 1, panel.width(), bar->height() - 1 };
}

void MainStatusBar::BeginProgress(const QString& folder, int count)
{
    SetPath(folder);
    SetCount(core::FileCountText(count));
    picProgress->Begin(ProgressArea());
}

void MainStatusBar::StepProgress(int percent, const QString& name)
{
    picProgress->Step(percent, name);
}

void MainStatusBar::EndProgress() { picProgress->hide(); }

void MainStatusBar::FollowResize()
{
    if (picProgress->isVisible())
        picProgress->setGeometry(ProgressArea());
}

} // namespace gb::browser
