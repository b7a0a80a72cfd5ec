#include "mediamenus.h"

#include "mediasession.h"
#include "mediatracks.h"

#include "settings/applicationsettings.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include <cmath>

namespace MovraReference {

namespace {

QString tx(const char* text)
{
    return QCoreApplication::translate("MovraPlayerWindow", text);
}

constexpr int64_t kDelayStepMs = 100;
constexpr int kBadgeMargin = 8;
constexpr int kNoticeMs = 2000;

QString speedText(double speed)
{
    return QStringLiteral("%1×").arg(QLocale().toString(speed, 'g', 3));
}

QString delayText(int64_t ms)
{
    return QStringLiteral("%1%2 ms").arg(ms > 0 ? QStringLiteral("+") : QString()).arg(ms);
}

} // namespace

const QList<double>& MediaMenus::speeds()
{
    static const QList<double> list = {0.25, 0.5, 0.75, 1.0, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0, 4.0};
    return list;
}

double MediaMenus::stepSpeed(double current, int direction)
{
    const QList<double>& list = speeds();
    if (direction > 0) {
        for (double s : list) {
            if (s > current + 1e-9)
                return s;
        }
        return list.last();
    }
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (*it < current - 1e-9)
            return *it;
    }
    return list.first();
}

MediaMenus::MediaMenus(QMainWindow* window, QWidget* view, MediaSession* session, QMenu* fileMenu, QMenu* beforeMenu)
    : QObject(window), m_window(window), m_view(view), m_session(session)
{
    // Actions with keys are added to the window as well, so their keys work in full screen,
    // where the menu bar is hidden.
    const auto keyed = [this](QAction* action, const QKeySequence& key) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        m_window->addAction(action);
        return action;
    };

    m_loadSubtitles = new QAction(this);
    m_loadSubtitles->setObjectName(QStringLiteral("loadSubtitles"));
    connect(m_loadSubtitles, &QAction::triggered, this, &MediaMenus::chooseSubtitleFile);
    if (fileMenu) {
        QAction* before = nullptr;
        for (QAction* action : fileMenu->actions()) {
            if (action->isSeparator()) {
                before = action;
                break;
            }
        }
        fileMenu->insertAction(before, m_loadSubtitles);
    }

    const auto addMenu = [&](const char* name) {
        auto* menu = new QMenu(window);
        menu->setObjectName(QLatin1String(name));
        window->menuBar()->insertMenu(beforeMenu ? beforeMenu->menuAction() : nullptr, menu);
        return menu;
    };
    m_audioMenu = addMenu("audioMenu");
    m_audioTrackMenu = m_audioMenu->addMenu(QString());
    m_audioTrackMenu->setObjectName(QStringLiteral("audioTrackMenu"));
    connect(m_audioTrackMenu, &QMenu::aboutToShow, this, &MediaMenus::fillAudioTracks);

    m_subtitleMenu = addMenu("subtitleMenu");
    m_subtitleTrackMenu = m_subtitleMenu->addMenu(QString());
    m_subtitleTrackMenu->setObjectName(QStringLiteral("subtitleTrackMenu"));
    connect(m_subtitleTrackMenu, &QMenu::aboutToShow, this, &MediaMenus::fillSubtitleTracks);
    m_subtitleMenu->addAction(m_loadSubtitles);
    m_subtitleMenu->addSeparator();
    m_subtitlesEarlier = keyed(m_subtitleMenu->addAction(QString(), this, [this] { changeDelay(-kDelayStepMs); }),
                               QKeySequence(Qt::Key_Z));
    m_subtitlesLater = keyed(m_subtitleMenu->addAction(QString(), this, [this] { changeDelay(kDelayStepMs); }),
                             QKeySequence(Qt::Key_X));
    m_delayReset = m_subtitleMenu->addAction(QString(), this, [this] { changeDelay(-m_session->subtitleDelayMs()); });

    m_playbackMenu = addMenu("playbackMenu");
    m_speedMenu = m_playbackMenu->addMenu(QString());
    m_speedMenu->setObjectName(QStringLiteral("speedMenu"));
    connect(m_speedMenu, &QMenu::aboutToShow, this, &MediaMenus::fillSpeeds);
    m_slower = keyed(new QAction(this), QKeySequence(Qt::Key_BracketLeft));
    connect(m_slower, &QAction::triggered, this, [this] { m_session->setSpeed(stepSpeed(m_session->speed(), -1)); });
    m_faster = keyed(new QAction(this), QKeySequence(Qt::Key_BracketRight));
    connect(m_faster, &QAction::triggered, this, [this] { m_session->setSpeed(stepSpeed(m_session->speed(), +1)); });
    m_normalSpeed = keyed(new QAction(this), QKeySequence(Qt::Key_Backspace));
    connect(m_normalSpeed, &QAction::triggered, this, [this] { m_session->setSpeed(1.0); });
    fillSpeeds();

    m_speedBadge = new QLabel(view);
    m_speedBadge->setObjectName(QStringLiteral("speedBadge"));
    m_speedBadge->setStyleSheet(
        QStringLiteral("QLabel#speedBadge { background: rgba(0, 0, 0, 160); color: white; padding: 3px 6px; border-radius: 3px; }"));
    m_speedBadge->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_speedBadge->hide();
    m_badgeTimer = new QTimer(this);
    m_badgeTimer->setSingleShot(true);
    m_badgeTimer->setInterval(kNoticeMs);
    connect(m_badgeTimer, &QTimer::timeout, this, &MediaMenus::showSpeed);
    view->installEventFilter(this);
    connect(m_session, &MediaSession::speedChanged, this, &MediaMenus::showSpeed);
    retranslate();
}

void MediaMenus::retranslate()
{
    m_loadSubtitles->setText(tx("Load &Subtitles…"));
    m_audioMenu->setTitle(tx("&Audio"));
    m_audioTrackMenu->setTitle(tx("&Track"));
    m_subtitleMenu->setTitle(tx("&Subtitles"));
    m_subtitleTrackMenu->setTitle(tx("&Track"));
    m_subtitlesEarlier->setText(tx("Show &Earlier (−100 ms)"));
    m_subtitlesLater->setText(tx("Show &Later (+100 ms)"));
    m_delayReset->setText(tx("&Reset Delay (now %1)").arg(delayText(m_session->subtitleDelayMs())));
    m_playbackMenu->setTitle(tx("&Playback"));
    m_speedMenu->setTitle(tx("&Speed"));
    m_slower->setText(tx("&Slower"));
    m_faster->setText(tx("&Faster"));
    m_normalSpeed->setText(tx("&Normal Speed"));
    fillSpeeds();
}

void MediaMenus::useSettings()
{
    m_usesSettings = true;
    auto& settings = MovraPlayerX::ApplicationSettings::application();
    QStringList audio = parseLanguageList(settings.get(MovraPlayerX::kAudioLanguage, QString()));
    QStringList subtitles = parseLanguageList(settings.get(MovraPlayerX::kSubtitleLanguage, QString()));
    if (audio.isEmpty())
        audio = localeLanguages();
    if (subtitles.isEmpty())
        subtitles = localeLanguages();
    m_session->setPreferredLanguages(audio, subtitles);
    m_session->setLoadsSubtitlesBeside(settings.get(MovraPlayerX::kUseExternalSubtitles, true));
}

void MediaMenus::fillAudioTracks()
{
    m_audioTrackMenu->clear();
    auto* group = new QActionGroup(m_audioTrackMenu);
    const QList<MediaTrack> tracks = m_session->audioTracks();
    for (int i = 0; i < tracks.size(); ++i) {
        QAction* action = m_audioTrackMenu->addAction(trackLabel(tracks[i], i + 1), this, [this, i] { m_session->selectAudioTrack(i); });
        action->setCheckable(true);
        action->setChecked(i == m_session->audioTrack());
        group->addAction(action);
    }
    if (tracks.isEmpty())
        m_audioTrackMenu->addAction(tx("No sound"))->setEnabled(false);
}

void MediaMenus::fillSubtitleTracks()
{
    m_subtitleTrackMenu->clear();
    auto* group = new QActionGroup(m_subtitleTrackMenu);
    QAction* off = m_subtitleTrackMenu->addAction(tx("&Off"), this, [this] { m_session->selectSubtitleTrack(-1); });
    off->setCheckable(true);
    off->setChecked(m_session->subtitleTrack() < 0);
    group->addAction(off);
    const QList<MediaTrack> tracks = m_session->subtitleTracks();
    for (int i = 0; i < tracks.size(); ++i) {
        QAction* action =
            m_subtitleTrackMenu->addAction(trackLabel(tracks[i], i + 1), this, [this, i] { m_session->selectSubtitleTrack(i); });
        action->setCheckable(true);
        action->setChecked(i == m_session->subtitleTrack());
        group->addAction(action);
    }
}

void MediaMenus::fillSpeeds()
{
    m_speedMenu->clear();
    auto* group = new QActionGroup(m_speedMenu);
    for (double speed : speeds()) {
        QAction* action = m_speedMenu->addAction(speedText(speed), this, [this, speed] { m_session->setSpeed(speed); });
        action->setCheckable(true);
        action->setChecked(std::abs(speed - m_session->speed()) < 1e-9);
        group->addAction(action);
    }
    m_speedMenu->addSeparator();
    m_speedMenu->addAction(m_slower);
    m_speedMenu->addAction(m_faster);
    m_speedMenu->addAction(m_normalSpeed);
}

void MediaMenus::chooseSubtitleFile()
{
    QString folder;
    const QUrl url = m_session->url();
    if (url.isLocalFile())
        folder = QFileInfo(url.toLocalFile()).absolutePath();
    const QString file = QFileDialog::getOpenFileName(m_window, tx("Load Subtitles"), folder,
                                                      tx("Subtitle files (%1)").arg(QStringLiteral("*.srt *.vtt *.ass *.ssa"))
                                                          + QStringLiteral(";;") + tx("All files (*)"));
    if (!file.isEmpty())
        m_session->loadSubtitleFile(file);
}

void MediaMenus::changeDelay(int64_t deltaMs)
{
    m_session->setSubtitleDelay(m_session->subtitleDelayMs() + deltaMs);
    m_delayReset->setText(tx("&Reset Delay (now %1)").arg(delayText(m_session->subtitleDelayMs())));
    // Said briefly where the speed shows, then the corner goes back to the speed.
    m_speedBadge->setText(tx("Subtitle delay: %1").arg(delayText(m_session->subtitleDelayMs())));
    m_speedBadge->adjustSize();
    m_speedBadge->show();
    placeBadge();
    m_badgeTimer->start();
}

void MediaMenus::showSpeed()
{
    const double speed = m_session->speed();
    m_speedBadge->setText(speedText(speed));
    m_speedBadge->adjustSize();
    m_speedBadge->setVisible(std::abs(speed - 1.0) > 1e-9);
    placeBadge();
}

void MediaMenus::placeBadge()
{
    m_speedBadge->move(m_view->width() - m_speedBadge->width() - kBadgeMargin, kBadgeMargin);
    m_speedBadge->raise();
}

bool MediaMenus::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view && event->type() == QEvent::Resize)
        placeBadge();
    return QObject::eventFilter(watched, event);
}

} // namespace MovraReference
