#include "playqueue.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QSet>
#include <QStyle>

#include <algorithm>

namespace MovraReference {

namespace {

// Folders nested deeper than this are not read: a tree that deep is a link loop the
// canonical-path check did not catch, or not a media collection.
constexpr int kMaxFolderDepth = 32;

// Where a row lands when `count` rows starting at `source` move before `destination`.
int movedRow(int row, int source, int count, int destination)
{
    if (row < 0)
        return row;
    if (row >= source && row < source + count)
        return destination > source ? row + (destination - source - count) : row - (source - destination);
    if (destination > source && row >= source + count && row < destination)
        return row - count;
    if (destination < source && row >= destination && row < source)
        return row + count;
    return row;
}

void collectMedia(const QString& folder, int depth, QSet<QString>& visited, QStringList& out)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || depth > kMaxFolderDepth || visited.contains(canonical))
        return;
    visited.insert(canonical);
    QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Readable);
    std::sort(entries.begin(), entries.end(),
              [](const QFileInfo& a, const QFileInfo& b) { return naturalLess(a.fileName(), b.fileName()); });
    for (const QFileInfo& entry : entries) {
        if (entry.fileName().startsWith(QLatin1Char('.')))
            continue;
        if (entry.isDir())
            collectMedia(entry.filePath(), depth + 1, visited, out);
        else if (isMediaFileName(entry.fileName()))
            out.append(entry.absoluteFilePath());
    }
}

} // namespace

PlayQueue::PlayQueue(QObject* parent) : QAbstractListModel(parent) {}

void PlayQueue::setCurrent(int row)
{
    if (row < -1 || row >= count())
        row = -1;
    m_following = -1;
    if (row == m_current)
        return;
    const int before = m_current;
    m_current = row;
    markRow(before);
    markRow(row);
    emit currentChanged(row);
}

void PlayQueue::markRow(int row)
{
    if (row >= 0 && row < count())
        emit dataChanged(index(row), index(row), {Qt::FontRole, Qt::DecorationRole});
}

void PlayQueue::append(const QList<QUrl>& urls)
{
    if (urls.isEmpty())
        return;
    beginInsertRows(QModelIndex(), count(), count() + int(urls.size()) - 1);
    m_items.append(urls);
    endInsertRows();
}

void PlayQueue::replace(const QList<QUrl>& urls)
{
    const bool hadCurrent = m_current >= 0;
    beginResetModel();
    m_items = urls;
    m_current = -1;
    m_following = -1;
    endResetModel();
    if (hadCurrent)
        emit currentChanged(-1);
}

int PlayQueue::nextRow(bool ended) const
{
    if (m_items.isEmpty())
        return -1;
    if (ended && m_repeat == RepeatMode::One && m_current >= 0)
        return m_current;
    const int next = m_current >= 0 ? m_current + 1 : std::max(m_following, 0);
    if (next < count())
        return next;
    return m_repeat == RepeatMode::All ? 0 : -1;
}

int PlayQueue::previousRow() const
{
    if (m_items.isEmpty())
        return -1;
    const int previous = (m_current >= 0 ? m_current : std::max(m_following, 0)) - 1;
    if (previous >= 0)
        return previous;
    return m_repeat == RepeatMode::All ? count() - 1 : -1;
}

QString PlayQueue::displayName(const QUrl& url)
{
    if (url.isLocalFile()) {
        const QString name = QFileInfo(url.toLocalFile()).fileName();
        return name.isEmpty() ? url.toLocalFile() : name;
    }
    return url.toDisplayString(QUrl::RemoveUserInfo);
}

int PlayQueue::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant PlayQueue::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return QVariant();
    const QUrl& url = m_items.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return displayName(url);
    case Qt::ToolTipRole:
        return url.isLocalFile() ? url.toLocalFile() : url.toDisplayString(QUrl::RemoveUserInfo);
    case Qt::FontRole:
        if (index.row() == m_current) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return QVariant();
    case Qt::DecorationRole:
        if (index.row() == m_current && qobject_cast<QApplication*>(QCoreApplication::instance()))
            return QApplication::style()->standardIcon(QStyle::SP_MediaPlay);
        return QVariant();
    default:
        return QVariant();
    }
}

Qt::ItemFlags PlayQueue::flags(const QModelIndex& index) const
{
    // Drops land between rows, never on one: a row is not a folder of rows.
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

bool PlayQueue::removeRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || row < 0 || count <= 0 || row + count > this->count())
        return false;
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    m_items.remove(row, count);
    bool currentGone = false;
    if (m_current >= row + count) {
        m_current -= count;
    } else if (m_current >= row) {
        // The item keeps playing; Next goes on with what followed it.
        m_current = -1;
        m_following = row;
        currentGone = true;
    } else if (m_following >= row + count) {
        m_following -= count;
    } else if (m_following >= row) {
        m_following = row;
    }
    endRemoveRows();
    if (currentGone)
        emit currentChanged(-1);
    return true;
}

bool PlayQueue::moveRows(const QModelIndex& sourceParent, int sourceRow, int count, const QModelIndex& destinationParent,
                         int destinationChild)
{
    if (sourceParent.isValid() || destinationParent.isValid() || count <= 0 || sourceRow < 0
        || sourceRow + count > this->count() || destinationChild < 0 || destinationChild > this->count())
        return false;
    if (destinationChild >= sourceRow && destinationChild <= sourceRow + count)
        return false;  // onto itself
    if (!beginMoveRows(QModelIndex(), sourceRow, sourceRow + count - 1, QModelIndex(), destinationChild))
        return false;
    const QList<QUrl> moving = m_items.mid(sourceRow, count);
    m_items.remove(sourceRow, count);
    const int insertAt = destinationChild > sourceRow ? destinationChild - count : destinationChild;
    for (int i = 0; i < count; ++i)
        m_items.insert(insertAt + i, moving.at(i));
    const int before = m_current;
    m_current = movedRow(m_current, sourceRow, count, destinationChild);
    m_following = movedRow(m_following, sourceRow, count, destinationChild);
    endMoveRows();
    if (before != m_current)
        emit currentChanged(m_current);
    return true;
}

bool naturalLess(const QString& a, const QString& b)
{
    int i = 0;
    int j = 0;
    int caseTie = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            // Compare the runs of digits by value: without leading zeros, the longer is larger.
            int startA = i;
            int startB = j;
            while (startA < a.size() && a.at(startA) == QLatin1Char('0'))
                ++startA;
            while (startB < b.size() && b.at(startB) == QLatin1Char('0'))
                ++startB;
            int endA = startA;
            int endB = startB;
            while (endA < a.size() && a.at(endA).isDigit())
                ++endA;
            while (endB < b.size() && b.at(endB).isDigit())
                ++endB;
            if (endA - startA != endB - startB)
                return endA - startA < endB - startB;
            const int byDigits = QStringView(a).mid(startA, endA - startA).compare(QStringView(b).mid(startB, endB - startB));
            if (byDigits != 0)
                return byDigits < 0;
            // "007" and "7" are equal in value; fewer leading zeros first.
            if (startA - i != startB - j && caseTie == 0)
                caseTie = (startA - i) < (startB - j) ? -1 : 1;
            i = endA;
            j = endB;
            continue;
        }
        const QChar ca = a.at(i).toCaseFolded();
        const QChar cb = b.at(j).toCaseFolded();
        if (ca != cb)
            return ca < cb;
        if (caseTie == 0 && a.at(i) != b.at(j))
            caseTie = a.at(i) < b.at(j) ? -1 : 1;
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return (a.size() - i) < (b.size() - j);
    return caseTie < 0;
}

bool isMediaFileName(const QString& name)
{
    static const QSet<QString> kExtensions = {
        // video
        QStringLiteral("avi"), QStringLiteral("movra"), QStringLiteral("mvr"), QStringLiteral("tix"),
        QStringLiteral("xvid"), QStringLiteral("mkv"), QStringLiteral("mov"), QStringLiteral("mp4"),
        QStringLiteral("wmv"), QStringLiteral("vob"), QStringLiteral("mpg"), QStringLiteral("mpeg"),
        QStringLiteral("asf"), QStringLiteral("qt"), QStringLiteral("webm"), QStringLiteral("ogv"),
        QStringLiteral("m4v"), QStringLiteral("ts"), QStringLiteral("m2ts"), QStringLiteral("mts"),
        QStringLiteral("flv"), QStringLiteral("3gp"), QStringLiteral("ogm"), QStringLiteral("divx"),
        // audio
        QStringLiteral("mp3"), QStringLiteral("flac"), QStringLiteral("ogg"), QStringLiteral("oga"),
        QStringLiteral("opus"), QStringLiteral("wav"), QStringLiteral("m4a"), QStringLiteral("aac"),
        QStringLiteral("wma"), QStringLiteral("mka"), QStringLiteral("ac3"), QStringLiteral("mp2")};
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 && kExtensions.contains(name.mid(dot + 1).toLower());
}

QStringList mediaFilesIn(const QString& folder)
{
    QStringList files;
    QSet<QString> visited;
    collectMedia(folder, 0, visited, files);
    return files;
}

} // namespace MovraReference
