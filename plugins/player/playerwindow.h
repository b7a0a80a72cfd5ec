#pragma once
#include "mediasession.h"

#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <functional>

class QInputDialog;
class QLabel;
class QMenu;
class QSlider;
class QToolButton;

namespace MSE {
class PluginContext;
}

namespace MovraReference {

class MediaMenus;
class VideoView;
class ShortcutBinder;
class FullScreenControls;
class MediaInfoDialog;
class ShortcutsDialog;
class Mpris;
class ScreenSaverInhibitor;
class QueueController;
class QueuePanel;

// The player's main window: the picture, the controls, and what went wrong in words.
class PlayerWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit PlayerWindow(MSE::PluginContext* context, QWidget* parent = nullptr);
    ~PlayerWindow() override;

    void openAddress(const QString& encodedAddress);
    QStringList receivedAddresses() const { return m_received; }
    MediaSession* session() { return m_session; }

    void pause();
    void resume(double rate);
    qint64 position();
    void setPosition(qint64 position);
    void toggleFullScreen();
    QString statusText() const;

    // Puts the window where it was last closed (as far as today's screens allow) and keeps
    // its geometry and the last folder opened in the application settings from now on.
    void useSettings();
    // The Open dialog's filters: each file type the player is associated with, all video
    // files, all files.
    static QStringList openFileFilters();
    QInputDialog* createAddressDialog();

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void retranslate();
    void saveSettings();
    void showAbout();
    void showPlugins();
    void chooseFile();
    void chooseAddress();
    void updateControls();
    // Looks the controls' icons up in the style and its icon theme: once, and again only when
    // the style or the theme changes. A lookup walks the theme's folders on disk.
    void loadIcons();
    void showFrame();
    void stateChanged();
    void seekBy(qint64 deltaMs);

    MediaSession* m_session = nullptr;
    VideoView* m_view = nullptr;
    bool m_videoOutputChosen = false;
    QLabel* m_problem = nullptr;
    QToolButton* m_playButton = nullptr;
    QSlider* m_seekBar = nullptr;
    QLabel* m_time = nullptr;
    QToolButton* m_muteButton = nullptr;
    QSlider* m_volume = nullptr;
    QToolButton* m_fullScreenButton = nullptr;
    QWidget* m_controls = nullptr;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QAction* m_openAction = nullptr;
    QAction* m_openAddressAction = nullptr;
    QAction* m_quitAction = nullptr;
    QAction* m_aboutAction = nullptr;
    QAction* m_pluginsAction = nullptr;
    MSE::PluginContext* m_context = nullptr;
    QTimer* m_refresh = nullptr;
    struct ControlIcons
    {
        QIcon play, pause, volume, muted, fullScreen, previous, next;
    } m_icons;
    QStringList m_received;
    QString m_current;
    // Tracks, subtitles and speed.
    MediaMenus* m_media = nullptr;
    bool m_seekBarHeld = false;
    bool m_usesSettings = false;
    // Where the store already puts the window: where it was placed on opening, or last saved.
    QRect m_settledGeometry;

    // --- Controls: the key table's bindings, volume, frame and chapter steps, the time
    // label, full screen, the context menu, screenshots, media information.
public:
    ShortcutBinder* shortcuts() const { return m_shortcuts; }
    FullScreenControls* fullScreenControls() const { return m_fullScreen; }
    QMenu* contextMenu() const { return m_contextMenu; }
    // The media menus' submenus, shown in the context menu too.
    QMenu* audioTrackMenu() const { return m_audioTrackMenu; }
    QMenu* subtitleTrackMenu() const { return m_subtitleTrackMenu; }
    QMenu* speedMenu() const { return m_speedMenu; }
    QMenu* chaptersMenu() const { return m_chaptersMenu; }

    void changeVolume(int deltaPercent);
    void stepFrame(int direction);
    void goToChapter(int direction);
    void takeScreenshot(bool withSubtitles);
    // Saves a screenshot's picture once the session has it.
    void savePicture(const QImage& picture, const QUrl& url, qint64 ptsUs);
    void showMediaInformation();
    void showShortcuts();
    bool showsRemainingTime() const { return m_showRemaining; }
    QString timeText() const;
    // What the window said last in its passing notice (a saved picture, a failure).
    QString noticeText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setUpControls();
    void retranslateControls();
    void showNotice(const QString& text);
    void rebuildChaptersMenu();
    void detailsChanged();

    ShortcutBinder* m_shortcuts = nullptr;
    FullScreenControls* m_fullScreen = nullptr;
    QMenu* m_contextMenu = nullptr;
    QMenu* m_audioTrackMenu = nullptr;
    QMenu* m_subtitleTrackMenu = nullptr;
    QMenu* m_speedMenu = nullptr;
    QMenu* m_chaptersMenu = nullptr;
    QLabel* m_notice = nullptr;
    QTimer* m_noticeTimer = nullptr;
    QPointer<MediaInfoDialog> m_mediaInfo;
    QPointer<ShortcutsDialog> m_shortcutsDialog;
    Mpris* m_mpris = nullptr;
    ScreenSaverInhibitor* m_screenSaver = nullptr;
    QUrl m_chaptersOf;
    bool m_showRemaining = false;
    int m_wheelRemainder = 0;
    QList<QAction*> m_controlActions;
    QAction* m_screenshotAction = nullptr;
    QAction* m_mediaInfoAction = nullptr;
    QAction* m_shortcutsAction = nullptr;
    QAction* m_playPauseAction = nullptr;
    QAction* m_fullScreenAction = nullptr;
    // --- The play queue: Next/Previous, Repeat, the queue panel, File › Open Recent,
    // resuming where a file was left.
public:
    // Adds an address to the queue (the URI handler's road); it plays at once when nothing
    // plays. openAddress() replaces the queue instead.
    void enqueueAddress(const QString& encodedAddress);
    QueueController* queueController() const { return m_queueController; }
    QueuePanel* queuePanel() const { return m_queuePanel; }
    QMenu* recentMenu() const { return m_recentMenu; }
    // The passing message shown last over the picture (what was skipped, where playback resumed).
    QString queueNoticeText() const;

private:
    void setUpQueue();
    void retranslateQueue();
    void playUrl(const QUrl& url);
    void rebuildRecentMenu();
    void showQueueNotice(const QString& text);

    QueueController* m_queueController = nullptr;
    QueuePanel* m_queuePanel = nullptr;
    QMenu* m_viewMenu = nullptr;
    QMenu* m_queueMenu = nullptr;
    QMenu* m_repeatMenu = nullptr;
    QMenu* m_recentMenu = nullptr;
    QAction* m_nextAction = nullptr;
    QAction* m_previousAction = nullptr;
    QAction* m_startOverAction = nullptr;
    QAction* m_repeatActions[3] = {};
    QToolButton* m_nextButton = nullptr;
    QToolButton* m_previousButton = nullptr;
    QLabel* m_queueNotice = nullptr;
    QTimer* m_queueNoticeTimer = nullptr;
};

} // namespace MovraReference
