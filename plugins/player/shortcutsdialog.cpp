#include "shortcutsdialog.h"
#include "shortcuts.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace MovraReference {
namespace {

QString tx(const char* text)
{
    return QCoreApplication::translate("MovraShortcuts", text);
}

} // namespace

ShortcutsDialog::ShortcutsDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("keyboardShortcuts"));
    setWindowTitle(tx("Keyboard Shortcuts"));
    auto* layout = new QVBoxLayout(this);
    const std::vector<ShortcutRow>& rows = shortcutRows();
    m_table = new QTableWidget(int(rows.size()), 2, this);
    m_table->setHorizontalHeaderLabels({tx("Key or mouse"), tx("Action")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int i = 0; i < int(rows.size()); ++i) {
        m_table->setItem(i, 0, new QTableWidgetItem(shortcutKeyText(rows[size_t(i)])));
        m_table->setItem(i, 1, new QTableWidgetItem(shortcutDescription(rows[size_t(i)])));
    }
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(520, 560);
}

} // namespace MovraReference
