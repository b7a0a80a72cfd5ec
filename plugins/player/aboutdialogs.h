#pragma once
// Help › About Movra Player and Help › About Plug-ins: what this build is, what it runs on,
// and what became of each plug-in the player found.

#include <QDialog>
#include <QString>

#include <vector>

class QTableWidget;

namespace MSE {
class PluginContext;
}

namespace MovraReference {

struct PluginRow
{
    enum State { Loaded, NotLoaded, Failed };

    // The plug-in's name, or its library's file name when its document could not be read.
    QString name;
    QString version;
    State state = NotLoaded;
    QString library;
    // Why it failed; empty otherwise.
    QString reason;
};

// Every plug-in library the context's farm was given, in discovery order. Empty when the
// context is not a farm (nothing to report).
std::vector<PluginRow> pluginRows(MSE::PluginContext* context);
QString pluginStateText(PluginRow::State state);

// The About box's text (rich text): version, copyright and licence, the Qt the player runs on
// and was built with, and the loaded plug-ins with their versions.
QString aboutText(MSE::PluginContext* context);

// A read-only table of pluginRows(), sortable by any column; the selection (or, with none,
// the whole table) copies as tab-separated lines.
class PluginsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PluginsDialog(MSE::PluginContext* context, QWidget* parent = nullptr);

    QTableWidget* table() const { return m_table; }
    // The lines Copy puts on the clipboard: a header line, then one line per row shown.
    QString copiedText() const;

protected:
    // The table's own Copy takes one cell; here it takes whole rows.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void copy();

    QTableWidget* m_table = nullptr;
};

} // namespace MovraReference
