#pragma once
// The player's one table of keys and mouse gestures. The window binds its keys from it, the
// Help › Keyboard Shortcuts window lists it, and the manual page's list is generated from it
// (a test keeps the two equal). A new key is a new row here plus one bind() call where its
// handler lives.

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QAction;
class QWidget;

namespace MovraReference {

struct ShortcutRow
{
    // What the row does, as the code names it ("seek-forward-small"); several rows may share one.
    const char* action;
    // A key in QKeySequence's portable text ("Shift+Left"), or for a mouse gesture the
    // gesture's name (translated in the "MovraShortcuts" context, like the description).
    const char* keys;
    const char* description;
    bool mouse = false;
};

// Every row, in the order the Help window and the manual list them.
const std::vector<ShortcutRow>& shortcutRows();
// The keys of one action (empty for mouse-only actions and unknown ones).
QList<QKeySequence> shortcutKeys(const char* action);
// The row's key or gesture and its description as the user reads them, translated.
QString shortcutKeyText(const ShortcutRow& row);
QString shortcutDescription(const ShortcutRow& row);
// The list as a man page writes it (untranslated: the manual is English).
QString shortcutManualText();

// Binds actions of the table to handlers on one window. The keys work wherever the focus is
// inside the window, also in full screen with the menu bar hidden.
class ShortcutBinder : public QObject
{
    Q_OBJECT
public:
    explicit ShortcutBinder(QWidget* window);

    // A new QAction carrying the action's keys, added to the window; the handler runs on
    // each press (auto-repeat included). Returned so that menus can show it too.
    QAction* bind(const char* action, std::function<void()> handler);
    // Gives an existing action (a menu's) the action's keys and adds it to the window.
    void bind(const char* action, QAction* existing);
    // The table's key actions whose keys no action of the window carries.
    QStringList unboundActions() const;
    QList<QAction*> actions() const { return m_actions; }

private:
    QWidget* m_window;
    QList<QAction*> m_actions;
};

} // namespace MovraReference
