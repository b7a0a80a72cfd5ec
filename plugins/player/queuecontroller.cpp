#include "queuecontroller.h"
#include "playerlog.h"
#include "playlistreader.h"

#include "settings/applicationsettings.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace MovraReference {

namespace {

QString tx(const char* text)
{
    return QCoreApplication::translate("MovraPlayQueue", text);
}

void say(const QString& text)
{
    qCInfo(lcPlayer).noquote() << QStringLiteral("Movra Player: ") + text;
}

MovraPlayerX::ApplicationSettings& settings()
{
    return MovraPlayerX::ApplicationSettings::application();
}

QString clockText(int64_t ms)
{
    const int64_t s = std::max<int64_t>(ms, 0) / 1000;
    if (s >= 3600)
        return QStringLiteral("%1:%2:%3").arg(s / 3600).arg((s / 60) % 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

QueueController::QueueController(MediaSession* session, std::function<void(const QUrl&)> open, QObject* parent)
    : QObject(parent), m_session(session), m_open(std::move(open))
{
    // Queued: the session reports some failures from inside open(), and the next item must not
    // open from within the previous one's open (a queue of missing files would nest as deep
    // as it is long).
    connect(m_session, &MediaSession::stateChanged, this, [this](MediaSession::State state) {
        const int generation = m_generation;
        QMetaObject::invokeMethod(
            this, [this, generation, state] { sessionStateChanged(generation, state); }, Qt::QueuedConnection);
    });
}

QueueController::~QueueController() = default;

void QueueController::useSettings()
{
    m_usesSettings = true;
    m_recent.useSettings();
    m_resumeEnabled = settings().get(MovraPlayerX::kResumeFromLastPos, true);
    m_positions = std::make_unique<ResumePositions>();
    // One and All are two switches in the store; All wins should both be on.
    RepeatMode mode = RepeatMode::Off;
    if (settings().get(MovraPlayerX::kLoopPlaylist, false))
        mode = RepeatMode::All;
    else if (settings().get(MovraPlayerX::kLoopPlayback, false))
        mode = RepeatMode::One;
    m_queue.setRepeat(mode);
    emit repeatChanged(mode);
}

void QueueController::setRepeat(RepeatMode mode)
{
    m_queue.setRepeat(mode);
    if (m_usesSettings) {
        settings().set(MovraPlayerX::kLoopPlayback, mode == RepeatMode::One);
        settings().set(MovraPlayerX::kLoopPlaylist, mode == RepeatMode::All);
    }
    emit repeatChanged(mode);
}

QList<QUrl> QueueController::expand(const QList<QUrl>& urls)
{
    QList<QUrl> expanded;
    QueueInput skipped;
    for (const QUrl& url : urls) {
        QueueInput input = PlaylistReader::expand(url);
        expanded.append(input.urls);
        skipped.skipped += input.skipped;
        for (const QString& name : std::as_const(input.skippedNames)) {
            if (skipped.skippedNames.size() < PlaylistReader::kMaxNamedSkips)
                skipped.skippedNames.append(name);
        }
    }
    if (skipped.skipped > 0) {
        const QString text = skipped.notice();
        qCWarning(lcPlayer).noquote() << QStringLiteral("Movra Player: ") + text;
        emit notice(text);
    }
    return expanded;
}

bool QueueController::nothingPlays() const
{
    return m_generation == 0 || m_session->state() == MediaSession::State::Idle || m_queue.current() < 0;
}

void QueueController::replace(const QList<QUrl>& urls)
{
    const QList<QUrl> expanded = expand(urls);
    // Nothing playable: what plays goes on.
    if (expanded.isEmpty())
        return;
    rememberPosition();
    m_queue.replace(expanded);
    playRow(0);
}

void QueueController::append(const QList<QUrl>& urls)
{
    const QList<QUrl> expanded = expand(urls);
    if (expanded.isEmpty())
        return;
    const bool idle = nothingPlays() || m_finished;
    const int first = m_queue.count();
    m_queue.append(expanded);
    if (idle)
        playRow(first);
}

void QueueController::receive(const QUrl& url)
{
    const MediaSession::State state = m_session->state();
    const int current = m_queue.current();
    if (current >= 0 && m_queue.url(current) == url
        && (state == MediaSession::State::WaitingForCodec || state == MediaSession::State::Failed)) {
        playRow(current);
        return;
    }
    append({url});
}

void QueueController::playRow(int row)
{
    if (row < 0 || row >= m_queue.count())
        return;
    rememberPosition();
    m_queue.setCurrent(row);
    const QUrl url = m_queue.url(row);
    ++m_generation;
    m_finished = false;
    m_reachedPlaying = false;
    m_resumeAtMs = -1;
    m_openPath.clear();
    m_openSize = 0;
    if (url.isLocalFile()) {
        const QFileInfo info(url.toLocalFile());
        m_openPath = info.absoluteFilePath();
        m_openSize = info.size();
        if (m_positions && m_resumeEnabled) {
            if (const std::optional<int64_t> at = m_positions->position(m_openPath, m_openSize))
                m_resumeAtMs = *at;
        }
    }
    if (m_usesSettings)
        m_recent.add(url);
    say(QStringLiteral("playing %1 (%2 of %3)").arg(url.toDisplayString(QUrl::RemoveUserInfo)).arg(row + 1).arg(m_queue.count()));
    m_settled = false;
    m_open(url);
    // A session that failed before and fails again at once reports no change of state.
    if (m_session->state() == MediaSession::State::Failed) {
        const int generation = m_generation;
        QMetaObject::invokeMethod(
            this, [this, generation] { sessionStateChanged(generation, MediaSession::State::Failed); },
            Qt::QueuedConnection);
    }
}

void QueueController::sessionStateChanged(int generation, MediaSession::State state)
{
    if (generation != m_generation || state != m_session->state())
        return;
    switch (state) {
    case MediaSession::State::Playing:
        // Played again after its end (a seek back): its next end counts again.
        m_settled = false;
        if (m_reachedPlaying)
            return;
        m_reachedPlaying = true;
        m_failuresInARow = 0;
        if (m_resumeAtMs > 0) {
            m_session->seek(m_resumeAtMs);
            say(QStringLiteral("resumed at %1 s").arg(m_resumeAtMs / 1000.0, 0, 'f', 1));
            emit notice(tx("Resumed at %1. Ctrl+Home starts from the beginning.").arg(clockText(m_resumeAtMs)));
        }
        return;
    case MediaSession::State::Ended:
        if (m_settled)
            return;
        m_settled = true;
        if (m_positions && !m_openPath.isEmpty())
            m_positions->forget(m_openPath, m_openSize);
        advance(true);
        return;
    case MediaSession::State::Failed: {
        if (m_settled)
            return;
        m_settled = true;
        ++m_failuresInARow;
        const QStringList problems = m_session->problems();
        if (m_queue.count() > 1 && !problems.isEmpty())
            emit notice(tx("Skipped %1: %2").arg(PlayQueue::displayName(m_session->url()), problems.last()));
        // Every item failed in turn: going round again would fail the same way.
        if (m_failuresInARow >= m_queue.count()) {
            m_finished = true;
            return;
        }
        advance(false);
        return;
    }
    default:
        return;
    }
}

void QueueController::advance(bool ended)
{
    const int row = m_queue.nextRow(ended);
    if (row < 0) {
        m_finished = true;
        // What was played is known now; a run watched from outside may end here rather than
        // wait for a timer.
        const MediaSession::Statistics played = m_session->statistics();
        say(playedSummary(played.framesShown, played.framesDropped, m_session->positionMs()));
        say(QStringLiteral("the queue has ended"));
        return;
    }
    playRow(row);
}

void QueueController::next()
{
    const int row = m_queue.nextRow(false);
    if (row >= 0)
        playRow(row);
}

void QueueController::previous()
{
    const int row = m_queue.previousRow();
    if (row >= 0)
        playRow(row);
    else if (m_queue.current() >= 0)
        playRow(m_queue.current());
}

void QueueController::startOver()
{
    if (m_positions && !m_openPath.isEmpty())
        m_positions->forget(m_openPath, m_openSize);
    m_resumeAtMs = -1;
    m_session->seek(0);
}

void QueueController::rememberPosition()
{
    if (!m_positions || !m_resumeEnabled || m_openPath.isEmpty())
        return;
    // Closed before the stored place was reached: that place still holds.
    if (m_resumeAtMs > 0 && !m_reachedPlaying)
        return;
    const MediaSession::State state = m_session->state();
    if (state == MediaSession::State::Playing || state == MediaSession::State::Paused)
        m_positions->update(m_openPath, m_openSize, m_session->positionMs(), m_session->durationMs());
}

} // namespace MovraReference
