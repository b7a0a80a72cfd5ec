#pragma once
// Plays the play queue through the media session: which item opens, what follows when it
// ends or fails, Next and Previous, Repeat; and what is remembered across runs: the recent
// files and where each file was left.

#include "mediasession.h"
#include "playqueue.h"
#include "recentfiles.h"
#include "resumepositions.h"

#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>

namespace MovraReference {

class QueueController : public QObject
{
    Q_OBJECT
public:
    // `open` opens one address in the session (the window's own road: title, picture, session).
    QueueController(MediaSession* session, std::function<void(const QUrl&)> open, QObject* parent = nullptr);
    ~QueueController() override;

    PlayQueue* queue() { return &m_queue; }
    RecentFiles& recentFiles() { return m_recent; }

    // Recent files, resume positions and the repeat mode from the settings store from now on.
    void useSettings();

    // Each address is expanded (folders, playlists); what was skipped is said in a notice.
    // replace() plays the first new item; append() plays it only when nothing plays.
    void replace(const QList<QUrl>& urls);
    void append(const QList<QUrl>& urls);
    // An address for the URI handler: joins the queue, except the address the session is
    // waiting on (its codec was just installed), which opens again in its place.
    void receive(const QUrl& url);

    void playRow(int row);
    void next();
    void previous();
    RepeatMode repeat() const { return m_queue.repeat(); }
    void setRepeat(RepeatMode mode);
    // Forgets where the current file was left and plays it from the beginning.
    void startOver();
    // Keeps where the current file stands, before the window closes.
    void rememberPosition();
    bool resumeEnabled() const { return m_resumeEnabled; }
    // The last item ended (or every item failed) and nothing follows.
    bool finished() const { return m_finished; }

signals:
    // A passing message for the window (skipped entries, a resumed position).
    void notice(const QString& text);
    // Repeat changed (from the menu or the settings).
    void repeatChanged(MovraReference::RepeatMode mode);

private:
    void sessionStateChanged(int generation, MediaSession::State state);
    void advance(bool ended);
    QList<QUrl> expand(const QList<QUrl>& urls);
    bool nothingPlays() const;

    MediaSession* m_session;
    std::function<void(const QUrl&)> m_open;
    PlayQueue m_queue;
    RecentFiles m_recent;
    std::unique_ptr<ResumePositions> m_positions;
    bool m_usesSettings = false;
    bool m_resumeEnabled = true;
    // Counts the opens, so that a state change queued for an earlier item is not taken for
    // the current one's.
    int m_generation = 0;
    // The open file as the positions know it; empty for addresses.
    QString m_openPath;
    int64_t m_openSize = 0;
    int64_t m_resumeAtMs = -1;
    bool m_reachedPlaying = false;
    // The current item's end or failure was taken care of.
    bool m_settled = false;
    // The last item ended (or every item failed): what is appended next plays at once.
    bool m_finished = false;
    // Items that failed one after another: once every item has, Repeat All stops trying.
    int m_failuresInARow = 0;
};

} // namespace MovraReference
