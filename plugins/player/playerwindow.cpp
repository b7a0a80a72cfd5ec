#include "playerwindow.h"
#include "aboutdialogs.h"
#include "fullscreencontrols.h"
#include "mediainfodialog.h"
#include "mpris.h"
#include "screensaverinhibitor.h"
#include "mediamenus.h"
#include "playerlog.h"
#include "screenshot.h"
#include "seekbar.h"
#include "shortcuts.h"
#include "shortcutsdialog.h"
#include "timetext.h"
#include "playqueue.h"
#include "queuecontroller.h"
#include "queuepanel.h"
#include "recentfiles.h"
#include "videoview.h"
#include "windowgeometry.h"

#include "platform/registry.h"
#include "settings/applicationsettings.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QSlider>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <limits>
#include <optional>

namespace MovraReference {

namespace {

QString tx(const char* text)
{
    return QCoreApplication::translate("MovraPlayerWindow", text);
}

constexpr QSize kPreferredSize(720, 480);
constexpr QSize kMinimumSize(320, 240);
// An address is often longer than a word: the dialog takes this much of its screen, and
// never less than the minimum where the screen has room.
constexpr int kAddressDialogMinimumWidth = 600;
constexpr double kAddressDialogScreenShare = 0.4;
// Room for the dialog's margins and frame around its field.
constexpr int kAddressDialogFrame = 60;

// Marks a key the store does not hold (the store answers with the default then).
constexpr int32_t kAbsent = std::numeric_limits<int32_t>::min();

MovraPlayerX::ApplicationSettings& settings()
{
    return MovraPlayerX::ApplicationSettings::application();
}

QList<QRect> availableScreens()
{
    QList<QRect> screens;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        screens.append(primary->availableGeometry());
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            screens.append(screen->availableGeometry());
    }
    return screens;
}

} // namespace

PlayerWindow::PlayerWindow(MSE::PluginContext* context, QWidget* parent)
    : QMainWindow(parent), m_session(new MediaSession(context, this)), m_context(context)
{
    setObjectName(QStringLiteral("MovraPlayerWindow"));
    setAcceptDrops(true);
    setMinimumSize(kMinimumSize);
    resize(kPreferredSize);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // Raster until the first address is opened: only then is OpenGL looked at and loaded,
    // so a start without a file pays neither the time nor the memory.
    m_view = new VideoView(central);
    layout->addWidget(m_view, 1);
    m_problem = new QLabel(central);
    m_problem->setObjectName(QStringLiteral("problem"));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("QLabel#problem { background: #5a1d1d; color: #ffe9e9; padding: 6px; }"));
    m_problem->hide();
    layout->addWidget(m_problem);

    m_controls = new QWidget(central);
    m_controls->setObjectName(QStringLiteral("controls"));
    auto* row = new QHBoxLayout(m_controls);
    row->setContentsMargins(6, 4, 6, 4);
    m_playButton = new QToolButton(m_controls);
    m_playButton->setObjectName(QStringLiteral("playPause"));
    m_playButton->setFocusPolicy(Qt::NoFocus);
    connect(m_playButton, &QToolButton::clicked, m_session, &MediaSession::togglePause);
    m_seekBar = new SeekBar(m_controls);
    m_seekBar->setObjectName(QStringLiteral("seekBar"));
    m_seekBar->setFocusPolicy(Qt::NoFocus);
    m_seekBar->setRange(0, 0);
    connect(m_seekBar, &QSlider::sliderPressed, this, [this] { m_seekBarHeld = true; });
    connect(m_seekBar, &QSlider::sliderReleased, this, [this] {
        m_seekBarHeld = false;
        m_session->seek(m_seekBar->value());
    });
    connect(m_seekBar, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove)
            QTimer::singleShot(0, this, [this] { m_session->seek(m_seekBar->value()); });
    });
    m_time = new QLabel(m_controls);
    m_time->setObjectName(QStringLiteral("time"));
    m_muteButton = new QToolButton(m_controls);
    m_muteButton->setObjectName(QStringLiteral("mute"));
    m_muteButton->setCheckable(true);
    m_muteButton->setFocusPolicy(Qt::NoFocus);
    connect(m_muteButton, &QToolButton::toggled, this, [this](bool on) {
        m_session->setMuted(on);
        updateControls();
    });
    m_volume = new QSlider(Qt::Horizontal, m_controls);
    m_volume->setObjectName(QStringLiteral("volume"));
    m_volume->setFocusPolicy(Qt::NoFocus);
    m_volume->setRange(0, 100);
    m_volume->setValue(100);
    m_volume->setMaximumWidth(100);
    connect(m_volume, &QSlider::valueChanged, this, [this](int value) { m_session->setVolume(value / 100.0); });
    m_fullScreenButton = new QToolButton(m_controls);
    m_fullScreenButton->setObjectName(QStringLiteral("fullScreen"));
    m_fullScreenButton->setFocusPolicy(Qt::NoFocus);
    connect(m_fullScreenButton, &QToolButton::clicked, this, &PlayerWindow::toggleFullScreen);
    row->addWidget(m_playButton);
    row->addWidget(m_seekBar, 1);
    row->addWidget(m_time);
    row->addWidget(m_muteButton);
    row->addWidget(m_volume);
    row->addWidget(m_fullScreenButton);
    layout->addWidget(m_controls);
    setCentralWidget(central);

    connect(m_view, &VideoView::clicked, m_session, &MediaSession::togglePause);
    connect(m_view, &VideoView::doubleClicked, this, &PlayerWindow::toggleFullScreen);
    connect(m_session, &MediaSession::frameChanged, this, &PlayerWindow::showFrame);
    connect(m_session, &MediaSession::pictureAtDecodedSizeReady, this,
            [this](const QImage& picture, bool, const QUrl& url, qint64 ptsUs) { savePicture(picture, url, ptsUs); });
    connect(m_view, &VideoView::pictureAreaChanged, m_session, &MediaSession::setPictureArea);
    connect(m_session, &MediaSession::stateChanged, this, &PlayerWindow::stateChanged);
    connect(m_session, &MediaSession::problemReported, this, [this](const QString& text) {
        m_problem->setText(text);
        m_problem->show();
        if (m_view->text().isEmpty() || !m_session->hasPicture())
            m_view->setText(text);
    });
    connect(m_session, &MediaSession::durationChanged, this, [this](qint64 ms) { m_seekBar->setRange(0, int(ms)); });
    // A live stream that cannot seek has no position to choose.
    connect(m_session, &MediaSession::seekableChanged, m_seekBar, &QWidget::setEnabled);
    // The position moves by itself only while playing; a seek or a mute moves it otherwise.
    m_refresh = new QTimer(this);
    m_refresh->setInterval(200);
    connect(m_refresh, &QTimer::timeout, this, &PlayerWindow::updateControls);
    connect(m_session, &MediaSession::seeked, this, &PlayerWindow::updateControls);
    connect(m_session, &MediaSession::mutedChanged, this, &PlayerWindow::updateControls);

    m_fileMenu = menuBar()->addMenu(QString());
    m_openAction = m_fileMenu->addAction(QString(), this, &PlayerWindow::chooseFile);
    m_openAction->setShortcut(QKeySequence::Open);
    m_openAddressAction = m_fileMenu->addAction(QString(), this, &PlayerWindow::chooseAddress);
    m_fileMenu->addSeparator();
    m_quitAction = m_fileMenu->addAction(QString(), this, &QWidget::close);
    m_quitAction->setShortcut(QKeySequence::Quit);
    m_helpMenu = menuBar()->addMenu(QString());
    m_aboutAction = m_helpMenu->addAction(QString(), this, &PlayerWindow::showAbout);
    m_pluginsAction = m_helpMenu->addAction(QString(), this, &PlayerWindow::showPlugins);
    // Tracks, subtitles and speed: menus of their own between File and Help.
    m_media = new MediaMenus(this, m_view, m_session, m_fileMenu, m_helpMenu);
    setUpQueue();
    setUpControls();
    loadIcons();
    retranslate();
}

PlayerWindow::~PlayerWindow()
{
    // The session's threads end before the widgets they report to go.
    m_queueController->rememberPosition();
    m_session->close();
}

void PlayerWindow::retranslate()
{
    setWindowTitle(m_current.isEmpty() ? tx("Movra Player") : tx("Movra Player") + QStringLiteral(" — ") + m_current);
    m_fileMenu->setTitle(tx("&File"));
    m_openAction->setText(tx("&Open…"));
    m_openAddressAction->setText(tx("Open &Address…"));
    m_quitAction->setText(tx("&Quit"));
    m_helpMenu->setTitle(tx("&Help"));
    m_aboutAction->setText(tx("&About Movra Player"));
    m_pluginsAction->setText(tx("About &Plug-ins…"));
    m_playButton->setToolTip(tx("Play or pause (Space)"));
    m_muteButton->setToolTip(tx("Mute"));
    m_volume->setToolTip(tx("Volume"));
    m_fullScreenButton->setToolTip(tx("Full screen (F)"));
    m_seekBar->setToolTip(tx("Position (Left and Right arrows: 5 seconds)"));
    retranslateQueue();
    m_media->retranslate();
    retranslateControls();
    stateChanged();
}

void PlayerWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    else if (event->type() == QEvent::StyleChange || event->type() == QEvent::ThemeChange)
        loadIcons();
    QMainWindow::changeEvent(event);
}

void PlayerWindow::openAddress(const QString& encodedAddress)
{
    m_received.append(encodedAddress);
    m_queueController->replace({QUrl::fromEncoded(encodedAddress.toUtf8())});
}

void PlayerWindow::playUrl(const QUrl& url)
{
    m_current = url.isLocalFile() ? url.toLocalFile() : url.toDisplayString();
    m_problem->hide();
    m_problem->clear();
    m_view->setFrame(QImage(), 0);
    if (!m_videoOutputChosen) {
        m_videoOutputChosen = true;
        if (chooseVideoOutput() == VideoOutput::GL)
            m_view->useGl();
        m_session->setDrawsPlanes(m_view->output() == VideoOutput::GL);
    }
    m_session->open(url);
    retranslate();
}

void PlayerWindow::showFrame()
{
    if (m_view->output() == VideoOutput::GL)
        m_view->setPicture(m_session->currentPicture(), m_session->currentOrientation(), m_session->currentAspect(),
                           m_session->subtitleLayer());
    else
        m_view->setFrame(m_session->currentFrame(), m_session->currentAspect());
}

QString PlayerWindow::statusText() const
{
    switch (m_session->state()) {
    case MediaSession::State::Idle:
        return tx("No file open");
    case MediaSession::State::Opening:
        return tx("Opening %1…").arg(m_current);
    case MediaSession::State::Playing:
    case MediaSession::State::Paused:
    case MediaSession::State::Ended:
        return m_session->hasVideo() ? QString() : tx("Now playing: %1").arg(m_current);
    case MediaSession::State::WaitingForCodec:
    case MediaSession::State::Failed:
        return m_session->problems().isEmpty() ? QString() : m_session->problems().last();
    }
    return QString();
}

void PlayerWindow::stateChanged()
{
    m_view->setText(statusText());
    if (m_session->state() == MediaSession::State::Playing)
        m_refresh->start();
    else
        m_refresh->stop();
    updateControls();
}

void PlayerWindow::updateControls()
{
    const MediaSession::State state = m_session->state();
    const bool playing = state == MediaSession::State::Playing;
    // Setting an icon repaints the button even when it is the same one: only on a change.
    const auto show = [](QToolButton* button, const QIcon& icon) {
        if (button->icon().cacheKey() != icon.cacheKey())
            button->setIcon(icon);
    };
    show(m_playButton, playing ? m_icons.pause : m_icons.play);
    m_playButton->setText(playing ? tx("Pause") : tx("Play"));
    show(m_muteButton, m_session->muted() ? m_icons.muted : m_icons.volume);
    const qint64 position = m_session->positionMs();
    if (!m_seekBarHeld)
        m_seekBar->setValue(int(position));
    m_time->setText(timeText());
}

void PlayerWindow::loadIcons()
{
    QStyle* style = this->style();
    m_icons.play = style->standardIcon(QStyle::SP_MediaPlay);
    m_icons.pause = style->standardIcon(QStyle::SP_MediaPause);
    m_icons.volume = style->standardIcon(QStyle::SP_MediaVolume);
    m_icons.muted = style->standardIcon(QStyle::SP_MediaVolumeMuted);
    m_icons.fullScreen = style->standardIcon(QStyle::SP_TitleBarMaxButton);
    m_icons.previous = style->standardIcon(QStyle::SP_MediaSkipBackward);
    m_icons.next = style->standardIcon(QStyle::SP_MediaSkipForward);
    m_fullScreenButton->setIcon(m_icons.fullScreen);
    if (m_previousButton)
        m_previousButton->setIcon(m_icons.previous);
    if (m_nextButton)
        m_nextButton->setIcon(m_icons.next);
    // The play and mute buttons take theirs from the state.
    m_playButton->setIcon(QIcon());
    m_muteButton->setIcon(QIcon());
    updateControls();
}

void PlayerWindow::pause()
{
    m_session->pause();
}

void PlayerWindow::resume(double rate)
{
    m_session->resume(rate);
}

qint64 PlayerWindow::position()
{
    return m_session->positionMs();
}

void PlayerWindow::setPosition(qint64 position)
{
    m_session->seek(position);
}

void PlayerWindow::seekBy(qint64 deltaMs)
{
    m_session->seek(std::max<qint64>(0, m_session->positionMs() + deltaMs));
}

void PlayerWindow::toggleFullScreen()
{
    if (isFullScreen()) {
        showNormal();
        menuBar()->show();
        m_fullScreen->setActive(false);
    } else {
        menuBar()->hide();
        showFullScreen();
        m_fullScreen->setActive(true);
    }
}

void PlayerWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void PlayerWindow::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty())
        return;
    event->acceptProposedAction();
    // Shift adds to the queue; a plain drop plays what was dropped instead.
    if (event->modifiers() & Qt::ShiftModifier)
        m_queueController->append(urls);
    else
        m_queueController->replace(urls);
}

QStringList PlayerWindow::openFileFilters()
{
    // The types the player registers itself for on the desktop.
    static const char* const kAssociated[] = {"avi", "movra", "mvr", "tix", "xvid", "mkv", "mov",
                                              "mp4", "wmv", "vob", "mpg", "mpeg", "asf", "qt"};
    // Further video the player plays without claiming it.
    static const char* const kOtherVideo[] = {"webm", "ogv", "m4v", "ts", "m2ts", "mts", "flv", "3gp"};
    // Sound the shipped decoders play.
    static const char* const kAudio[] = {"mp3", "flac", "ogg", "oga", "opus", "wav", "m4a", "aac", "mka", "mp2"};
    // Both spellings: a desktop's own dialog may match case-sensitively.
    const auto patterns = [](const char* extension) {
        const QString lower = QStringLiteral("*.") + QLatin1String(extension);
        return lower + QLatin1Char(' ') + lower.toUpper();
    };
    QStringList filters;
    QStringList video;
    QStringList audio;
    for (const char* extension : kAssociated) {
        filters << tx("%1 files (%2)").arg(QString::fromLatin1(extension).toUpper(), patterns(extension));
        video << patterns(extension);
    }
    for (const char* extension : kOtherVideo)
        video << patterns(extension);
    for (const char* extension : kAudio)
        audio << patterns(extension);
    // First, and chosen when the dialog opens: everything the player plays.
    filters.prepend(tx("All media files (%1)").arg((video + audio).join(QLatin1Char(' '))));
    filters << tx("All video files (%1)").arg(video.join(QLatin1Char(' ')));
    filters << tx("All audio files (%1)").arg(audio.join(QLatin1Char(' ')));
    filters << tx("All files (*)");
    return filters;
}

void PlayerWindow::chooseFile()
{
    QString folder;
    if (m_usesSettings)
        folder = settings().get(MovraPlayerX::kLastOpenFileLocation, QString());
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (!QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QStringList filters = openFileFilters();
    QString selected = filters.first();
    const QString file = QFileDialog::getOpenFileName(this, tx("Open File"), folder, filters.join(QStringLiteral(";;")), &selected);
    if (file.isEmpty())
        return;
    if (m_usesSettings)
        settings().set(MovraPlayerX::kLastOpenFileLocation, QFileInfo(file).absolutePath());
    openAddress(QString::fromUtf8(QUrl::fromLocalFile(file).toEncoded()));
}

QInputDialog* PlayerWindow::createAddressDialog()
{
    auto* dialog = new QInputDialog(this);
    dialog->setObjectName(QStringLiteral("openAddress"));
    dialog->setInputMode(QInputDialog::TextInput);
    dialog->setWindowTitle(tx("Open Address"));
    dialog->setLabelText(tx("Address:"));
    // The dialog's layout sets its own minimum from its contents: the field is what widens it.
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const int available = screen ? screen->availableGeometry().width() : kAddressDialogMinimumWidth;
    const int wanted = std::max(kAddressDialogMinimumWidth, int(available * kAddressDialogScreenShare));
    if (auto* field = dialog->findChild<QLineEdit*>())
        field->setMinimumWidth(std::min(wanted, available - kAddressDialogFrame));
    return dialog;
}

void PlayerWindow::chooseAddress()
{
    QInputDialog* dialog = createAddressDialog();
    const bool accepted = dialog->exec() == QDialog::Accepted;
    const QString text = dialog->textValue().trimmed();
    delete dialog;
    if (!accepted || text.isEmpty())
        return;
    const QUrl url = QUrl::fromUserInput(text);
    if (url.isValid())
        openAddress(QString::fromUtf8(url.toEncoded()));
}

void PlayerWindow::showAbout()
{
    QMessageBox::about(this, tx("About Movra Player"), aboutText(m_context));
}

void PlayerWindow::showPlugins()
{
    PluginsDialog dialog(m_context, this);
    dialog.exec();
}

void PlayerWindow::useSettings()
{
    // Reading a group makes its key when it is missing: on a first start these reads would
    // otherwise be a durable commit each.
    MovraRegistry::RegistryBatch openingWrites;
    m_usesSettings = true;
    m_media->useSettings();
    const int32_t x = settings().get(MovraPlayerX::kPlayerXPos, kAbsent);
    const int32_t y = settings().get(MovraPlayerX::kPlayerYPos, kAbsent);
    const int32_t width = settings().get(MovraPlayerX::kPlayerWidth, kAbsent);
    const int32_t height = settings().get(MovraPlayerX::kPlayerHeight, kAbsent);
    std::optional<StoredGeometry> stored;
    if (width != kAbsent && height != kAbsent)
        stored = StoredGeometry{x, y, width, height};
    const QRect placed = placeWindow(stored, availableScreens(), kMinimumSize, kPreferredSize);
    if (placed.isValid())
        setGeometry(placed);
    m_settledGeometry = geometry();
    m_queueController->useSettings();
}

void PlayerWindow::saveSettings()
{
    // Full screen is not a size to come back in: the geometry before it is kept.
    const QRect geometry = isFullScreen() || isMaximized() ? normalGeometry() : this->geometry();
    // Unmoved since it was placed: the next start places it the same way from what the store
    // holds (also when that is nothing yet), so writing it again would only cost a commit.
    if (!geometry.isValid() || geometry == m_settledGeometry)
        return;
    settings().set(MovraPlayerX::kPlayerXPos, int32_t(geometry.x()));
    settings().set(MovraPlayerX::kPlayerYPos, int32_t(geometry.y()));
    settings().set(MovraPlayerX::kPlayerWidth, int32_t(geometry.width()));
    settings().set(MovraPlayerX::kPlayerHeight, int32_t(geometry.height()));
    m_settledGeometry = geometry;
}

void PlayerWindow::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) {
        // The geometry and the resume position are one durable commit, not one each.
        MovraRegistry::RegistryBatch shutDownWrites;
        if (m_usesSettings)
            saveSettings();
        m_queueController->rememberPosition();
        shutDownWrites.commit();
        m_session->close();
        emit closed();
    }
}

} // namespace MovraReference
