#pragma once
// Help › Keyboard Shortcuts: the key table as the user reads it.

#include <QDialog>

class QTableWidget;

namespace MovraReference {

class ShortcutsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ShortcutsDialog(QWidget* parent = nullptr);
    QTableWidget* table() const { return m_table; }

private:
    QTableWidget* m_table = nullptr;
};

} // namespace MovraReference
