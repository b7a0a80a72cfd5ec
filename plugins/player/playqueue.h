#pragma once
// The play queue: the addresses to play in order, which one plays, and what comes after it.
// It is also the list model the queue panel shows: the current item is marked, rows move by
// dragging and go with Delete.
//
// Everything is called on the GUI thread.

#include <QAbstractListModel>
#include <QList>
#include <QStringList>
#include <QUrl>

namespace MovraReference {

enum class RepeatMode { Off, One, All };

class PlayQueue : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit PlayQueue(QObject* parent = nullptr);

    int count() const { return int(m_items.size()); }
    QUrl url(int row) const { return m_items.value(row); }
    QList<QUrl> urls() const { return m_items; }
    // The row that plays (or played last); -1 when none does.
    int current() const { return m_current; }
    void setCurrent(int row);

    void append(const QList<QUrl>& urls);
    void replace(const QList<QUrl>& urls);
    void clear() { replace({}); }
    bool remove(int row) { return removeRows(row, 1); }
    bool move(int from, int to) { return moveRows(QModelIndex(), from, 1, QModelIndex(), to); }

    RepeatMode repeat() const { return m_repeat; }
    void setRepeat(RepeatMode mode) { m_repeat = mode; }

    // The row to play after the current one, -1 for none. `ended`: the current item played to
    // its end (Repeat One plays it again); otherwise the user asked for the next one.
    int nextRow(bool ended) const;
    // The row before the current one (the last with Repeat All at the first), -1 for none.
    int previousRow() const;

    // The name a user knows an item by: a file's name, or the address without credentials.
    static QString displayName(const QUrl& url);

    // QAbstractListModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool moveRows(const QModelIndex& sourceParent, int sourceRow, int count, const QModelIndex& destinationParent,
                  int destinationChild) override;

signals:
    void currentChanged(int row);

private:
    void markRow(int row);

    QList<QUrl> m_items;
    int m_current = -1;
    // After the playing item was removed: the row that followed it, where Next continues.
    int m_following = -1;
    RepeatMode m_repeat = RepeatMode::Off;
};

// "file2" before "file10": runs of digits compare by their value, the rest without regard to
// case (case only breaks ties), so the order does not depend on the locale.
bool naturalLess(const QString& a, const QString& b);

// The media files of a folder and its sub-folders, each level in natural order with the
// sub-folders' files in the place of the sub-folder. Hidden entries are left out; a folder
// reached twice through links is read once.
QStringList mediaFilesIn(const QString& folder);
bool isMediaFileName(const QString& name);

} // namespace MovraReference
