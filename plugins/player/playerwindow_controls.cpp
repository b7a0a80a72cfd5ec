// The player window's controls: the key table's bindings, volume, frame and chapter steps,
// the time label, full screen, the context menu, screenshots, media information. The window
// itself (menus, opening, settings) is in playerwindow.cpp, its play queue in
// playerwindow_queue.cpp.

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

QString tc(const char* text)
{
    return QCoreApplication::translate("MovraPlayerControls", text);
}

// The plain Left/Right step; Shift and Ctrl take the small and large ones.
constexpr qint64 kStepMs = 5000;
constexpr qint64 kSmallStepMs = 1000;
constexpr qint64 kLargeStepMs = 60000;
constexpr int kVolumeStepPercent = 5;
// Further into a chapter than this, "previous chapter" goes back to its start first.
constexpr qint64 kChapterRestartMs = 5000;
constexpr int kNoticeMs = 5000;
// A picture's length when the stream gives none.
constexpr int64_t kFallbackFrameUs = 40000;

} // namespace

void PlayerWindow::setUpControls()
{
    m_shortcuts = new ShortcutBinder(this);
    const auto bind = [this](const char* action, std::function<void()> handler) {
        QAction* created = m_shortcuts->bind(action, std::move(handler));
        m_controlActions << created;
        return created;
    };
    m_playPauseAction = bind("play-pause", [this] { m_session->togglePause(); updateControls(); });
    bind("seek-back", [this] { seekBy(-kStepMs); updateControls(); });
    bind("seek-forward", [this] { seekBy(kStepMs); updateControls(); });
    bind("seek-back-small", [this] { seekBy(-kSmallStepMs); updateControls(); });
    bind("seek-forward-small", [this] { seekBy(kSmallStepMs); updateControls(); });
    bind("seek-back-large", [this] { seekBy(-kLargeStepMs); updateControls(); });
    bind("seek-forward-large", [this] { seekBy(kLargeStepMs); updateControls(); });
    bind("seek-start", [this] { m_session->seek(0); updateControls(); });
    bind("seek-end", [this] {
        if (m_session->durationMs() > 0)
            m_session->seek(m_session->durationMs());
        updateControls();
    });
    bind("frame-forward", [this] { stepFrame(1); });
    bind("frame-back", [this] { stepFrame(-1); });
    bind("chapter-previous", [this] { goToChapter(-1); });
    bind("chapter-next", [this] { goToChapter(1); });
    bind("volume-up", [this] { changeVolume(kVolumeStepPercent); });
    bind("volume-down", [this] { changeVolume(-kVolumeStepPercent); });
    bind("mute", [this] { m_muteButton->toggle(); });
    m_fullScreenAction = bind("full-screen", [this] { toggleFullScreen(); });
    bind("leave-full-screen", [this] {
        if (isFullScreen())
            toggleFullScreen();
    });
    m_screenshotAction = bind("screenshot", [this] { takeScreenshot(false); });
    bind("screenshot-subtitles", [this] { takeScreenshot(true); });
    m_mediaInfoAction = bind("media-info", [this] { showMediaInformation(); });
    m_shortcutsAction = bind("shortcuts", [this] { showShortcuts(); });
    m_shortcuts->bind("open", m_openAction);
    m_shortcuts->bind("quit", m_quitAction);

    m_fileMenu->insertActions(m_quitAction, {m_screenshotAction, m_mediaInfoAction});
    m_fileMenu->insertSeparator(m_screenshotAction);
    m_helpMenu->insertAction(m_aboutAction, m_shortcutsAction);
    m_helpMenu->insertSeparator(m_aboutAction);
    m_chaptersMenu = new QMenu(this);
    m_chaptersMenu->setObjectName(QStringLiteral("chaptersMenu"));
    menuBar()->insertMenu(m_helpMenu->menuAction(), m_chaptersMenu);
    m_chaptersMenu->menuAction()->setEnabled(false);

    // The track and speed menus of the menu bar, which fill themselves as they open.
    m_audioTrackMenu = findChild<QMenu*>(QStringLiteral("audioTrackMenu"));
    m_subtitleTrackMenu = findChild<QMenu*>(QStringLiteral("subtitleTrackMenu"));
    m_speedMenu = findChild<QMenu*>(QStringLiteral("speedMenu"));
    m_contextMenu = new QMenu(this);
    m_contextMenu->setObjectName(QStringLiteral("contextMenu"));
    m_contextMenu->addAction(m_playPauseAction);
    m_contextMenu->addAction(m_fullScreenAction);
    m_contextMenu->addSeparator();
    for (QMenu* menu : {m_audioTrackMenu, m_subtitleTrackMenu, m_speedMenu}) {
        if (menu)
            m_contextMenu->addMenu(menu);
    }
    m_contextMenu->addSeparator();
    m_contextMenu->addAction(m_screenshotAction);
    m_contextMenu->addAction(m_mediaInfoAction);
    m_contextMenu->addSeparator();
    m_contextMenu->addAction(m_openAction);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_contextMenu->popup(m_view->mapToGlobal(at)); });

    m_notice = new QLabel(m_view);
    m_notice->setObjectName(QStringLiteral("notice"));
    m_notice->setStyleSheet(QStringLiteral("QLabel#notice { background: rgba(0, 0, 0, 170); color: white; padding: 6px; }"));
    m_notice->setWordWrap(true);
    m_notice->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_notice->hide();
    m_noticeTimer = new QTimer(this);
    m_noticeTimer->setSingleShot(true);
    m_noticeTimer->setInterval(kNoticeMs);
    connect(m_noticeTimer, &QTimer::timeout, m_notice, &QWidget::hide);

    m_fullScreen = new FullScreenControls(this, m_controls, m_view);
    m_time->installEventFilter(this);
    m_time->setCursor(Qt::PointingHandCursor);
    m_view->installEventFilter(this);
    connect(m_session, &MediaSession::stateChanged, this, &PlayerWindow::detailsChanged);

    m_screenSaver = new ScreenSaverInhibitor(m_session, this);
    m_mpris = new Mpris(this);
}

void PlayerWindow::retranslateControls()
{
    m_playPauseAction->setText(tc("&Play or Pause"));
    m_fullScreenAction->setText(tc("&Full Screen"));
    m_screenshotAction->setText(tc("Save &Picture"));
    m_mediaInfoAction->setText(tc("Media &Information…"));
    m_shortcutsAction->setText(tc("&Keyboard Shortcuts"));
    m_chaptersMenu->setTitle(tc("&Chapters"));
    m_time->setToolTip(tc("Click to show the time played or the time left"));
    rebuildChaptersMenu();
}

QString PlayerWindow::timeText() const
{
    const qint64 duration = m_session->durationMs();
    const qint64 position = std::min<qint64>(const_cast<MediaSession*>(m_session)->positionMs(), duration > 0 ? duration : INT64_MAX);
    if (m_showRemaining && duration > 0)
        return QStringLiteral("−") + clockText(duration - position, duration) + QStringLiteral(" / ") + clockText(duration);
    return clockText(position, duration) + QStringLiteral(" / ") + clockText(duration);
}

void PlayerWindow::changeVolume(int deltaPercent)
{
    m_volume->setValue(std::clamp(m_volume->value() + deltaPercent, m_volume->minimum(), m_volume->maximum()));
    showNotice(tc("Volume %1 %").arg(m_volume->value()));
}

void PlayerWindow::stepFrame(int direction)
{
    const MediaSession::State state = m_session->state();
    if (!m_session->hasVideo() || !(state == MediaSession::State::Playing || state == MediaSession::State::Paused))
        return;
    if (state == MediaSession::State::Playing)
        m_session->pause();
    int64_t frameUs = m_session->currentFrameDurationUs();
    if (frameUs <= 0) {
        const double rate = [this] {
            for (const StreamDetails& stream : m_session->details().streams) {
                if (stream.kind == StreamDetails::Kind::Video && stream.frameRate > 0)
                    return stream.frameRate;
            }
            return 0.0;
        }();
        frameUs = rate > 0 ? int64_t(1e6 / rate) : kFallbackFrameUs;
    }
    // Aim at the middle of the wanted picture: the seek shows the picture covering its target,
    // and a time rounded to milliseconds must not land on the edge of the one shown now.
    const int64_t shownUs = m_session->currentFramePtsUs();
    const int64_t targetUs = shownUs + direction * frameUs + frameUs / 2;
    if (targetUs < 0)
        return;
    m_session->seek(targetUs / 1000);
    updateControls();
}

void PlayerWindow::goToChapter(int direction)
{
    const QList<ChapterDetails> chapters = m_session->chapters();
    if (chapters.isEmpty())
        return;
    const qint64 position = m_session->positionMs();
    int current = -1;
    for (int i = 0; i < chapters.size(); ++i) {
        if (chapters[i].startMs <= position)
            current = i;
    }
    int target = current + direction;
    if (direction < 0 && current >= 0 && position - chapters[current].startMs > kChapterRestartMs)
        target = current;
    if (target < 0) {
        m_session->seek(0);
    } else if (target < chapters.size()) {
        m_session->seek(chapters[target].startMs);
        const QString title = chapters[target].title.isEmpty() ? tc("Chapter %1").arg(target + 1) : chapters[target].title;
        showNotice(title);
    }
    updateControls();
}

void PlayerWindow::detailsChanged()
{
    if (m_chaptersOf != m_session->url() || m_session->state() == MediaSession::State::Idle)
        rebuildChaptersMenu();
    if (m_mediaInfo && m_mediaInfo->isVisible())
        m_mediaInfo->setDetails(m_session->details());
}

void PlayerWindow::rebuildChaptersMenu()
{
    m_chaptersMenu->clear();
    const QList<ChapterDetails> chapters = m_session->chapters();
    m_chaptersOf = chapters.isEmpty() ? QUrl() : m_session->url();
    for (int i = 0; i < chapters.size(); ++i) {
        const ChapterDetails& chapter = chapters[i];
        const QString title = chapter.title.isEmpty() ? tc("Chapter %1").arg(i + 1) : chapter.title;
        const qint64 startMs = chapter.startMs;
        m_chaptersMenu->addAction(QStringLiteral("%1\t%2").arg(title, clockText(startMs, m_session->durationMs())), this,
                                  [this, startMs] { m_session->seek(startMs); updateControls(); });
    }
    m_chaptersMenu->menuAction()->setEnabled(!chapters.isEmpty());
}

void PlayerWindow::takeScreenshot(bool withSubtitles)
{
    // The picture as decoded, or with the subtitles drawn into it, at its own size; saved
    // when it comes (it may have to be decoded again). A request while one is being answered
    // is refused by the session, quietly: the first one's notice follows.
    if (!m_session->hasPicture()) {
        showNotice(tc("There is no picture to save."));
        return;
    }
    m_session->requestPictureAtDecodedSize(withSubtitles);
}

void PlayerWindow::savePicture(const QImage& picture, const QUrl& url, qint64 ptsUs)
{
    if (picture.isNull()) {
        showNotice(tc("There is no picture to save."));
        return;
    }
    const QString folder = picturesFolder();
    const ScreenshotResult saved = saveScreenshot(picture, folder, screenshotFileName(url, ptsUs / 1000));
    if (!saved.ok) {
        qCWarning(lcPlayer, "Movra Player: %s", qUtf8Printable(saved.error));
        showNotice(saved.error);
        return;
    }
    showNotice(tc("Picture saved to %1").arg(QDir::toNativeSeparators(saved.path)));
}

void PlayerWindow::showMediaInformation()
{
    if (!m_mediaInfo) {
        m_mediaInfo = new MediaInfoDialog(this);
        m_mediaInfo->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_mediaInfo->setDetails(m_session->details());
    m_mediaInfo->show();
    m_mediaInfo->raise();
}

void PlayerWindow::showShortcuts()
{
    if (!m_shortcutsDialog) {
        m_shortcutsDialog = new ShortcutsDialog(this);
        m_shortcutsDialog->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_shortcutsDialog->show();
    m_shortcutsDialog->raise();
}

void PlayerWindow::showNotice(const QString& text)
{
    m_notice->setText(text);
    m_notice->setMaximumWidth(std::max(100, m_view->width() - 20));
    m_notice->adjustSize();
    m_notice->move(10, 10);
    m_notice->show();
    m_notice->raise();
    m_noticeTimer->start();
}

QString PlayerWindow::noticeText() const
{
    return m_notice->text();
}

bool PlayerWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_time && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        m_showRemaining = !m_showRemaining;
        updateControls();
        return true;
    }
    if (watched == m_view && event->type() == QEvent::Wheel) {
        // Touchpads send fractions of a notch: they add up to whole steps.
        m_wheelRemainder += static_cast<QWheelEvent*>(event)->angleDelta().y();
        const int notches = m_wheelRemainder / QWheelEvent::DefaultDeltasPerStep;
        m_wheelRemainder -= notches * QWheelEvent::DefaultDeltasPerStep;
        if (notches != 0)
            changeVolume(notches * kVolumeStepPercent);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace MovraReference
