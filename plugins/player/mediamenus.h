#pragma once
// The window's menus for what is inside the media: Audio › Track, Subtitles › Track, subtitle
// delay and files, Playback › Speed, and the speed shown over the picture while it is not 1×.
// Their keys are the ones mpv users know: [ and ] slower and faster, Backspace normal speed,
// Z and X subtitles 100 ms earlier and later.

#include <QObject>
#include <QStringList>

class QAction;
class QActionGroup;
class QLabel;
class QMainWindow;
class QMenu;
class QTimer;
class QWidget;

namespace MovraReference {

class MediaSession;

class MediaMenus : public QObject
{
    Q_OBJECT
public:
    // The menus go into window's menu bar before beforeMenu (at the end when null); "Load
    // Subtitles…" also into fileMenu, before its first separator. The speed shows in a corner
    // of view.
    MediaMenus(QMainWindow* window, QWidget* view, MediaSession* session, QMenu* fileMenu, QMenu* beforeMenu);

    // The speeds offered, slowest first.
    static const QList<double>& speeds();
    // The next speed step from current, up (+1) or down (-1), clamped to the ends.
    static double stepSpeed(double current, int direction);

    // Preferred languages from the settings store (the locale's when it holds none), and
    // whether subtitle files beside the media load by themselves.
    void useSettings();
    void retranslate();
    void chooseSubtitleFile();

    QMenu* audioMenu() const { return m_audioMenu; }
    QMenu* subtitleMenu() const { return m_subtitleMenu; }
    QLabel* speedBadge() const { return m_speedBadge; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillAudioTracks();
    void fillSubtitleTracks();
    void fillSpeeds();
    void showSpeed();
    void placeBadge();
    void changeDelay(int64_t deltaMs);

    QMainWindow* m_window;
    QWidget* m_view;
    MediaSession* m_session;
    QMenu* m_audioMenu = nullptr;
    QMenu* m_audioTrackMenu = nullptr;
    QMenu* m_subtitleMenu = nullptr;
    QMenu* m_subtitleTrackMenu = nullptr;
    QMenu* m_playbackMenu = nullptr;
    QMenu* m_speedMenu = nullptr;
    QAction* m_loadSubtitles = nullptr;
    QAction* m_subtitlesLater = nullptr;
    QAction* m_subtitlesEarlier = nullptr;
    QAction* m_delayReset = nullptr;
    QAction* m_faster = nullptr;
    QAction* m_slower = nullptr;
    QAction* m_normalSpeed = nullptr;
    QLabel* m_speedBadge = nullptr;
    QTimer* m_badgeTimer = nullptr;
    bool m_usesSettings = false;
};

} // namespace MovraReference
