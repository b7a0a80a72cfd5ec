#include "queuepanel.h"
#include "playqueue.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QListView>

#include <algorithm>

namespace MovraReference {

QueuePanel::QueuePanel(PlayQueue* queue, QWidget* parent) : QDockWidget(parent), m_queue(queue), m_list(new QListView(this))
{
    setObjectName(QStringLiteral("queuePanel"));
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    m_list->setObjectName(QStringLiteral("queueList"));
    m_list->setModel(queue);
    // Every row is one line: the view need not measure 100,000 of them.
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setDragDropMode(QAbstractItemView::InternalMove);
    m_list->setDefaultDropAction(Qt::MoveAction);
    m_list->setDropIndicatorShown(true);
    m_list->installEventFilter(this);
    setWidget(m_list);
    connect(m_list, &QListView::doubleClicked, this, [this](const QModelIndex& index) { emit playRequested(index.row()); });
    connect(queue, &PlayQueue::currentChanged, this, [this](int row) {
        if (row >= 0 && isVisible())
            m_list->scrollTo(m_queue->index(row));
    });
    retranslate();
}

void QueuePanel::retranslate()
{
    setWindowTitle(QCoreApplication::translate("MovraPlayQueue", "Play Queue"));
}

void QueuePanel::removeSelected()
{
    QList<int> rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        rows.append(index.row());
    // From the last, so the rows still to go keep their numbers.
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : rows)
        m_queue->remove(row);
}

bool QueuePanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            removeSelected();
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && m_list->currentIndex().isValid()) {
            emit playRequested(m_list->currentIndex().row());
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}

} // namespace MovraReference
