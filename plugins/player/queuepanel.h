#pragma once
// The play queue beside the picture: the current item marked, double-click plays a row,
// Delete removes the selected rows, dragging reorders them.

#include <QDockWidget>

class QListView;

namespace MovraReference {

class PlayQueue;

class QueuePanel : public QDockWidget
{
    Q_OBJECT
public:
    explicit QueuePanel(PlayQueue* queue, QWidget* parent = nullptr);

    QListView* list() const { return m_list; }
    void retranslate();
    // Removes the selected rows; the item playing plays on.
    void removeSelected();

signals:
    void playRequested(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PlayQueue* m_queue;
    QListView* m_list;
};

} // namespace MovraReference
