#include "about/frm_about.h"

#include "about/sys_info.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace gb::about {

namespace {
    const QString AppTitle = QStringLiteral("Glimmerbox");
    constexpr int kVersionMajor = GLIMMERBOX_VERSION_MAJOR;
    constexpr int kVersionMinor = GLIMMERBOX_VERSION_MINOR;
    constexpr int kVersionRevision = GLIMMERBOX_VERSION_PATCH;
    constexpr int kTextWidth = 273;
    constexpr int kButtonWidth = 140;

    template <typename T> T* Named(T* widget, const char* name)
    {
        widget->setObjectName(QString::fromLatin1(name));
        return widget;
    }
} // namespace

frmAbout::frmAbout(app::Module1& module1, QWidget* parent)
    : QDialog(parent)
    , module1_(module1)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Glimmerbox"));
    setModal(true);
    BuildControls();
}

frmAbout::~frmAbout() = default;

QFrame* frmAbout::BuildSeparator()
{
    // The sunken line draws the etched pair of a dark and a light stroke.
    Line1 = Named(new QFrame(this), "Line1");
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    return Line1;
}

void frmAbout::BuildControls()
{
    lblTitle = Named(new QLabel(QStringLiteral("Application Title"), this), "lblTitle");
    QFont titleFont = lblTitle->font();
    titleFont.setPointSize(12);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = Named(new QLabel(QStringLiteral("Version 1.0"), this), "lblVersion");
    lblDescription = Named(new QLabel(this), "lblDescription");
    lblDescription->setText(QStringLiteral(
        "Glimmerbox is an inexpensive photo management tool for digital camera users. It shows "
        "the pictures of a folder as thumbnails and lets you view, rename and move your photo "
        "files quickly and easily."));
    lblDescription->setWordWrap(true);
    lblDescription->setFixedWidth(kTextWidth);
    // A fixed-size layout does not ask wrapped text for its height, so the label says it.
    lblDescription->setMinimumHeight(lblDescription->heightForWidth(kTextWidth));
    Label1 = Named(new QLabel(this), "Label1");
    Label1->setText(QStringLiteral("Latest updates at www.glimmerbox.example"));
    QPalette link = Label1->palette();
    link.setColor(QPalette::WindowText, Qt::blue);
    Label1->setPalette(link);
    for (QLabel* label : { lblTitle, lblVersion, lblDescription, Label1 })
        label->setTextFormat(Qt::PlainText);

    cmdOK = Named(new QPushButton(QStringLiteral("OK"), this), "cmdOK");
    cmdSysInfo = Named(new QPushButton(QStringLiteral("&System Info..."), this), "cmdSysInfo");
    for (QPushButton* button : { cmdOK, cmdSysInfo })
        button->setFixedWidth(kButtonWidth);
    cmdOK->setDefault(true); // Enter; Esc is routed to it in keyPressEvent
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    setTabOrder(cmdOK, cmdSysInfo);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(16, 16, 16, 16);
    page->addWidget(lblTitle, 0, Qt::AlignHCenter);
    page->addWidget(lblVersion, 0, Qt::AlignHCenter);
    page->addSpacing(24);
    page->addWidget(lblDescription, 0, Qt::AlignHCenter);
    page->addSpacing(8);
    page->addWidget(Label1, 0, Qt::AlignHCenter);
    page->addWidget(BuildSeparator());
    page->addSpacing(16);
    page->addWidget(cmdOK, 0, Qt::AlignHCenter);
    page->addWidget(cmdSysInfo, 0, Qt::AlignHCenter);
    page->setSizeConstraint(QLayout::SetFixedSize);
}

int frmAbout::ShowModal()
{
    Form_Load();
    cmdOK->setFocus();
    return exec();
}

void frmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("About ") + AppTitle);
    lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                            .arg(kVersionMajor)
                            .arg(kVersionMinor)
                            .arg(kVersionRevision));
    lblTitle->setText(AppTitle);
}

void frmAbout::keyPressEvent(QKeyEvent* event)
{
    // OK is also the cancel button: Esc does exactly what clicking it does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmAbout::cmdOK_Click() { accept(); }

void frmAbout::cmdSysInfo_Click() { StartSysInfo(module1_, this); }

} // namespace gb::about
