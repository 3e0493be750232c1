#include "slideshow/frm_slide_show.h"

#include "module1/module1.h"
#include "module1/settings.h"
#include "platform/picture_loader.h"
#include "slideshow/slide_show_icons.h"

#include <QAction>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <cmath>

namespace gb::slideshow {

namespace {

    constexpr QSize kRestoredClientSize(555, 468);
    constexpr double kCaptionScale = 1.5;
    constexpr QSize kButtonIconSize(16, 16);

    struct ButtonDesign {
        const char* key;
        const char* toolTip;
        bool enabled;
    };

    // In SlideButton order.
    constexpr std::array<ButtonDesign, 5> kButtonDesigns = { {
        { "Left", "Previous Image", true },
        { "Right", "Next Image", true },
        { "Play", "Start SlideShow", true },
        { "Stop", "Stop SlideShow", false },
        { "Exit", "Exit SlideShow", true },
    } };

    bool IsModifierOnly(int key)
    {
        return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt
            || key == Qt::Key_Meta || key == Qt::Key_AltGr || key == Qt::Key_CapsLock
            || key == Qt::Key_NumLock || key == Qt::Key_unknown;
    }

} // namespace

frmSlideShow::frmSlideShow(app::Module1& module1, QWidget* parent)
    : QDialog(parent)
    , module1_(module1)
    , prefetcher_(module1.Services().pictures, module1.Services().files)
{
    setObjectName(QStringLiteral("frmSlideShow"));
    setWindowTitle(QStringLiteral("Glimmerbox SlideShow"));
    setWindowIcon(SlideShowWindowIcon());
    setModal(true);
    setFocusPolicy(Qt::StrongFocus);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    BuildControls();
}

frmSlideShow::~frmSlideShow() = default;

core::FilesPtr frmSlideShow::Files()
{
    if (!Files_)
        Files_ = std::make_shared<core::Files>();
    return Files_;
}

void frmSlideShow::BuildControls()
{
    picImage = new QLabel(this);
    picImage->setObjectName(QStringLiteral("picImage"));
    picImage->setAccessibleName(QStringLiteral("Picture"));
    picImage->setScaledContents(false); // a picture is shown at its own size, cut at the edges
    picImage->installEventFilter(this);

    // Stands in the picture's place, so it is read from across the room like one.
    lblFileName = new QLabel(this);
    lblFileName->setObjectName(QStringLiteral("lblFileName"));
    lblFileName->setTextFormat(Qt::PlainText);
    QFont large = lblFileName->font();
    large.setPointSizeF(large.pointSizeF() * kCaptionScale);
    lblFileName->setFont(large);
    QPalette white = lblFileName->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    lblFileName->setPalette(white);
    lblFileName->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &frmSlideShow::Timer1_Timer);

    BuildToolbar();
}

void frmSlideShow::BuildToolbar()
{
    Toolbar1 = new QToolBar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    // Qt's button for the entries a narrow screen has no room for comes unnamed.
    if (auto* more = Toolbar1->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(QStringLiteral("More Buttons"));
    Toolbar1->setIconSize(kButtonIconSize);
    Toolbar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // An ordinary toolbar on top of the black show, always above the picture.
    Toolbar1->setPalette(QGuiApplication::palette());
    Toolbar1->setAutoFillBackground(true);
    for (size_t i = 0; i < kButtonDesigns.size(); ++i) {
        const QString key = QString::fromLatin1(kButtonDesigns[i].key);
        QAction* action = Toolbar1->addAction(SlideShowButtonIcon(key), key);
        action->setObjectName(key);
        action->setToolTip(QString::fromLatin1(kButtonDesigns[i].toolTip));
        connect(action, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
        // Keys belong to the show, not to a focused button.
        if (QWidget* button = Toolbar1->widgetForAction(action)) {
            button->setFocusPolicy(Qt::NoFocus);
            button->setAccessibleName(action->toolTip()); // "Previous Image", not "Left"
        }
        Buttons_[i] = action;
    }
    Toolbar1->raise();
}

// ---- Opening and closing ---------------------------------------------------------------------

int frmSlideShow::ShowModal(QScreen* screen)
{
    Form_Load();
    PlaceOnScreen(screen);
    return exec();
}

void frmSlideShow::PlaceOnScreen(QScreen* screen)
{
    QScreen* target = screen ? screen : QGuiApplication::primaryScreen();
    setWindowState(windowState() & ~Qt::WindowMaximized);
    if (target) {
        setScreen(target);
        // Where the window goes when the user restores it: centred on that screen.
        resize(kRestoredClientSize);
        move(target->availableGeometry().center() - rect().center());
    }
    setWindowState(windowState() | Qt::WindowMaximized);
}

void frmSlideShow::Form_Load()
{
    // Every showing starts as designed: stopped, nothing shown yet.
    for (size_t i = 0; i < kButtonDesigns.size(); ++i)
        Buttons_[i]->setEnabled(kButtonDesigns[i].enabled);
    Timer1->stop();
    running_ = false;
    picImage->clear();
    unfitted_ = QImage();
    picImage->hide();
    lblFileName->hide();
    activated_ = false;
    direction_ = 1;
    app::Settings settings(module1_);
    Timer1->setInterval(settings.SlideSeconds() * 1000);
    fitPictures_ = settings.FitPictures();
    platform::PictureOptions options = module1_.ShownPictureOptions();
    if (fitPictures_) {
        // Nothing larger than the screen is shown, so nothing larger need be decoded.
        if (const QScreen* target = screen())
            options.reduceFor = (QSizeF(target->size()) * target->devicePixelRatio()).toSize();
    }
    prefetcher_.SetOptions(options);
    // A position kept from a larger selection starts the new one from its beginning.
    if (CurrentIndex_ < 0 || CurrentIndex_ >= Files()->Count())
        CurrentIndex_ = 0;
}

void frmSlideShow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    setFocus();
    // After the window is up, so that it paints black before the first picture is read.
    if (!activated_)
        QMetaObject::invokeMethod(this, &frmSlideShow::Form_Activate, Qt::QueuedConnection);
}

void frmSlideShow::Form_Activate()
{
    if (activated_ || !isVisible())
        return;
    activated_ = true;
    // Already a step of its own after the showing, and the read goes to a worker: the window
    // paints black and takes its size while the first picture is read.
    ShowCurrentFile();
}

void frmSlideShow::done(int result)
{
    // Closing ends a running show and lets go of the pictures; the position stays.
    Timer1->stop();
    prefetcher_.Discard();
    picImage->clear();
    unfitted_ = QImage();
    QDialog::done(result);
}

// ---- Input -----------------------------------------------------------------------------------

void frmSlideShow::keyPressEvent(QKeyEvent* event)
{
    // A modifier on its own is the start of a combination, not a key.
    if (IsModifierOnly(event->key())) {
        QDialog::keyPressEvent(event);
        return;
    }
    event->accept();
    // The arrows do what the Left and Right buttons do, and nothing while the show runs; Space
    // is Play or Stop. Every other key ends the show.
    const int key = event->key();
    if (key == Qt::Key_Left || key == Qt::Key_Right) {
        if (!running_)
            Toolbar1_ButtonClick(
                key == Qt::Key_Left ? QStringLiteral("Left") : QStringLiteral("Right"));
    } else if (key == Qt::Key_Space) {
        SetRunning(!running_);
    } else {
        accept();
    }
}

void frmSlideShow::mousePressEvent(QMouseEvent* event)
{
    // Taken so that the release comes here too.
    event->accept();
}

void frmSlideShow::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && rect().contains(at)
        && !Toolbar1->geometry().contains(at))
        Form_Click();
}

bool frmSlideShow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == picImage
        && (event->type() == QEvent::MouseButtonPress
            || event->type() == QEvent::MouseButtonRelease)) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton
            && picImage->rect().contains(mouse->position().toPoint()))
            picImage_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmSlideShow::Form_Click()
{
    // While a show runs the clock alone moves it.
    if (!running_)
        StepForward();
}

void frmSlideShow::picImage_Click()
{
    if (!running_)
        StepForward();
}

void frmSlideShow::Timer1_Timer()
{
    // A tick while the picture is still being read passes: every picture gets its showing.
    if (!prefetcher_.Fetching())
        StepForward();
}

void frmSlideShow::Toolbar1_ButtonClick(const QString& key)
{
    if (key == QLatin1String("Left"))
        StepBack();
    else if (key == QLatin1String("Right"))
        StepForward();
    else if (key == QLatin1String("Play"))
        SetRunning(true);
    else if (key == QLatin1String("Stop"))
        SetRunning(false);
    else
        accept();
}

void frmSlideShow::SetRunning(bool running)
{
    // The clock and the buttons always change together.
    running_ = running;
    if (running)
        Timer1->start(); // the first step comes a whole interval from now
    else
        Timer1->stop();
    Button(SlideButton::Play)->setEnabled(!running);
    Button(SlideButton::Left)->setEnabled(!running);
    Button(SlideButton::Right)->setEnabled(!running);
    Button(SlideButton::Stop)->setEnabled(running);
}

// ---- Stepping and showing --------------------------------------------------------------------

int frmSlideShow::Wrapped(int index)
{
    const int count = Files()->Count();
    if (count == 0)
        return 0;
    if (index > count - 1)
        return 0;
    if (index < 0)
        return count - 1;
    return index;
}

void frmSlideShow::StepForward()
{
    direction_ = 1;
    CurrentIndex_ = Wrapped(CurrentIndex_ + 1);
    ShowCurrentFile();
}

void frmSlideShow::StepBack()
{
    direction_ = -1;
    CurrentIndex_ = Wrapped(CurrentIndex_ - 1);
    ShowCurrentFile();
}

QString frmSlideShow::FilePath(int index) { return Files()->PathAt(index); }

// The picture comes from a worker; meanwhile the window shows the previous one and answers.
void frmSlideShow::ShowCurrentFile()
{
    const int index = CurrentIndex_;
    const QString path = FilePath(index);
    if (path.isEmpty()) {
        ShowLoaded(index, std::nullopt);
        return;
    }
    prefetcher_.Fetch(path, [this, index](PicturePrefetcher::Picture picture) {
        ShowLoaded(index, std::move(picture));
    });
}

void frmSlideShow::ShowLoaded(int index, std::optional<platform::LoadedPicture> picture)
{
    const QString path = FilePath(index);
    ShowPicture(std::move(picture), path.isEmpty() ? QString() : Files()->Key(index));
    CenterImage();
    // Decoded while this one is looked at; a single file is read afresh for its next showing.
    prefetcher_.Request(FilePath(Wrapped(index + direction_)));
    Q_EMIT PictureShown(index);
}

void frmSlideShow::ShowPicture(std::optional<platform::LoadedPicture> picture, const QString& name)
{
    shrunk_ = false;
    if (!picture || picture->image.isNull()) {
        // Nothing to show is not an error worth stopping a show for: black, and the file's name.
        picImage->clear();
        unfitted_ = QImage();
        picImage->resize(0, 0);
        picImage->hide();
        lblFileName->setText(name);
        lblFileName->adjustSize();
        PlaceCaption();
        lblFileName->setVisible(!name.isEmpty());
        return;
    }
    lblFileName->hide();
    if (fitPictures_) {
        unfitted_ = std::move(picture->image);
        FitImage();
        return;
    }
    QPixmap pixmap = QPixmap::fromImage(std::move(picture->image));
    // One picture pixel to one screen pixel, also on a scaled display.
    pixmap.setDevicePixelRatio(devicePixelRatioF());
    picImage->setPixmap(pixmap);
    picImage->resize(pixmap.deviceIndependentSize().toSize());
    picImage->show();
}

// Shrinks the kept picture, when larger than the window, to the largest size that fits it with
// its proportions, smoothly; a picture that fits is shown at its own size.
void frmSlideShow::FitImage()
{
    if (unfitted_.isNull())
        return;
    const qreal ratio = devicePixelRatioF();
    const QSize room = (QSizeF(size()) * ratio).toSize();
    QImage image = unfitted_;
    shrunk_ = image.width() > room.width() || image.height() > room.height();
    if (shrunk_)
        image = image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPixmap pixmap = QPixmap::fromImage(std::move(image));
    pixmap.setDevicePixelRatio(ratio);
    picImage->setPixmap(pixmap);
    picImage->resize(pixmap.deviceIndependentSize().toSize());
    picImage->show();
}

void frmSlideShow::CenterImage()
{
    // On the window's outer size, as the show has always done; only the top is kept on screen,
    // so a tall picture shows its top and a wide one is cut equally at both sides.
    // A picture shrunk to fit the window is centred in it, so that none of it is cut.
    const QSize outer = shrunk_ ? size() : frameGeometry().size();
    const double left = (outer.width() - picImage->width()) / 2.0;
    double top = (outer.height() - picImage->height()) / 2.0;
    if (top < 0)
        top = 0;
    picImage->move(static_cast<int>(std::floor(left)), static_cast<int>(std::floor(top)));
}

void frmSlideShow::PlaceCaption()
{
    lblFileName->move(rect().center() - lblFileName->rect().center());
}

void frmSlideShow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    Toolbar1->setGeometry(0, 0, width(), Toolbar1->sizeHint().height());
    // The window system may maximise only after the first picture is up.
    FitImage();
    CenterImage();
    PlaceCaption();
}

} // namespace gb::slideshow
