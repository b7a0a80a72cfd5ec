#include "aboutdialogs.h"

#include "framework/farm.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <set>
#include <string>

namespace MovraReference {

namespace {

QString tx(const char* text)
{
    return QCoreApplication::translate("MovraPlayerWindow", text);
}

constexpr char kVersionPath[] = "/properties/plugin/version";

// Why a plug-in failed comes before its (long) library path, so that it is seen first.
enum Column { NameColumn, VersionColumn, StateColumn, ReasonColumn, LibraryColumn, ColumnCount };

} // namespace

std::vector<PluginRow> pluginRows(MSE::PluginContext* context)
{
    auto* farm = dynamic_cast<MSE::Farm*>(context);
    if (!farm)
        return {};

    std::set<std::string> loaded;
    {
        boost::recursive_mutex::scoped_lock lock(farm->farmLock);
        for (const MSE::LibraryContext* library : farm->libraries) {
            if (library && library->info)
                loaded.insert(library->info->name.c_str());
        }
    }

    std::vector<PluginRow> rows;
    for (const MSE::PluginStatus& status : farm->pluginStatuses()) {
        PluginRow row;
        row.library = QString::fromStdString(status.library);
        row.name = status.name.empty() ? QFileInfo(row.library).fileName() : QString::fromStdString(status.name);
        row.reason = QString::fromStdString(status.reason);
        if (status.state != MSE::PluginStatus::Registered)
            row.state = PluginRow::Failed;
        else
            row.state = loaded.count(status.name) ? PluginRow::Loaded : PluginRow::NotLoaded;
        if (!status.name.empty()) {
            // The catalogue only grows, and only while the player starts.
            for (MSE::PluginInfo* info : farm->pluginInfos) {
                if (info && status.name == info->name.c_str() && row.library.endsWith(QString::fromWCharArray(info->libraryFile.c_str()))) {
                    row.version = QString::fromUtf8(info->getPropertyValue(kVersionPath).c_str());
                    break;
                }
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

QString pluginStateText(PluginRow::State state)
{
    switch (state) {
    case PluginRow::Loaded:
        return tx("Loaded");
    case PluginRow::NotLoaded:
        return tx("Not loaded");
    case PluginRow::Failed:
        return tx("Failed");
    }
    return QString();
}

QString aboutText(MSE::PluginContext* context)
{
    QString plugins;
    for (const PluginRow& row : pluginRows(context)) {
        if (row.state != PluginRow::Loaded)
            continue;
        plugins += QStringLiteral("<li>%1 %2</li>").arg(row.name.toHtmlEscaped(), row.version.toHtmlEscaped());
    }
    if (plugins.isEmpty())
        plugins = QStringLiteral("<li>") + tx("none").toHtmlEscaped() + QStringLiteral("</li>");

    return QStringLiteral("<h3>%1</h3>").arg(tx("Movra Player %1").arg(QStringLiteral(MOVRA_VERSION)).toHtmlEscaped())
           + QStringLiteral("<p>%1<br>%2</p>")
                 .arg(tx("Copyright © 2026 Movra. All rights reserved.").toHtmlEscaped(),
                      tx("This program may be installed and used; it may not be changed or passed on except as "
                         "Movra allows in writing.")
                          .toHtmlEscaped())
           + QStringLiteral("<p>%1</p>")
                 .arg(tx("Qt %1 (built with Qt %2), used under the GNU LGPL version 3. FFmpeg, used under the GNU "
                         "LGPL version 2.1 or later.")
                          .arg(QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR))
                          .toHtmlEscaped())
           + QStringLiteral("<p>%1</p><ul>%2</ul>").arg(tx("Loaded plug-ins:").toHtmlEscaped(), plugins);
}

PluginsDialog::PluginsDialog(MSE::PluginContext* context, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("aboutPlugins"));
    setWindowTitle(tx("About Plug-ins"));

    const std::vector<PluginRow> rows = pluginRows(context);
    m_table = new QTableWidget(int(rows.size()), ColumnCount, this);
    m_table->setHorizontalHeaderLabels({tx("Plug-in"), tx("Version"), tx("State"), tx("Details"), tx("Library")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->verticalHeader()->hide();
    m_table->setWordWrap(false);
    m_table->installEventFilter(this);
    for (int r = 0; r < int(rows.size()); ++r) {
        const PluginRow& row = rows[size_t(r)];
        const QString texts[ColumnCount] = {row.name, row.version, pluginStateText(row.state), row.reason, row.library};
        for (int c = 0; c < ColumnCount; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            item->setToolTip(texts[c]);
            m_table->setItem(r, c, item);
        }
    }
    // Sorting only once filled: rows would otherwise move while being written.
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(NameColumn, Qt::AscendingOrder);
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* copyButton = buttons->addButton(tx("Copy"), QDialogButtonBox::ActionRole);
    copyButton->setObjectName(QStringLiteral("copy"));
    connect(copyButton, &QPushButton::clicked, this, &PluginsDialog::copy);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    resize(820, 360);
}

QString PluginsDialog::copiedText() const
{
    QStringList lines;
    QStringList header;
    for (int c = 0; c < ColumnCount; ++c)
        header << m_table->horizontalHeaderItem(c)->text();
    lines << header.join(QLatin1Char('\t'));
    const bool onlySelected = !m_table->selectionModel()->selectedRows().isEmpty();
    for (int r = 0; r < m_table->rowCount(); ++r) {
        if (onlySelected && !m_table->selectionModel()->isRowSelected(r, QModelIndex()))
            continue;
        QStringList cells;
        for (int c = 0; c < ColumnCount; ++c)
            cells << m_table->item(r, c)->text();
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void PluginsDialog::copy()
{
    QApplication::clipboard()->setText(copiedText());
}

bool PluginsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_table && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        copy();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace MovraReference
