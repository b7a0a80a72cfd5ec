#include "shortcuts.h"

#include <QAction>
#include <QCoreApplication>
#include <QWidget>

#include <cstring>

namespace MovraReference {
namespace {

const char kContext[] = "MovraShortcuts";

#define KEY(action, keys, description) ShortcutRow{action, keys, QT_TRANSLATE_NOOP("MovraShortcuts", description), false}
#define MOUSE(action, gesture, description)                                                                   \
    ShortcutRow{action, QT_TRANSLATE_NOOP("MovraShortcuts", gesture), QT_TRANSLATE_NOOP("MovraShortcuts", description), true}

// Grouped as the user looks for them: playing, moving about, sound, picture, windows.
const std::vector<ShortcutRow> kRows = {
    KEY("play-pause", "Space", "Play or pause"),
    KEY("seek-back", "Left", "Back 5 seconds"),
    KEY("seek-forward", "Right", "Forward 5 seconds"),
    KEY("seek-back-small", "Shift+Left", "Back 1 second"),
    KEY("seek-forward-small", "Shift+Right", "Forward 1 second"),
    KEY("seek-back-large", "Ctrl+Left", "Back 1 minute"),
    KEY("seek-forward-large", "Ctrl+Right", "Forward 1 minute"),
    KEY("seek-start", "Home", "Go to the beginning"),
    KEY("seek-end", "End", "Go to the end"),
    KEY("frame-forward", ".", "Next picture (while paused)"),
    KEY("frame-back", ",", "Previous picture (while paused)"),
    KEY("queue-previous", "P", "Previous in the play queue"),
    KEY("queue-previous", "Media Previous", "Previous in the play queue"),
    KEY("queue-next", "N", "Next in the play queue"),
    KEY("queue-next", "Media Next", "Next in the play queue"),
    KEY("start-over", "Ctrl+Home", "Start over from the beginning"),
    KEY("chapter-previous", "PgUp", "Previous chapter"),
    KEY("chapter-next", "PgDown", "Next chapter"),
    KEY("volume-up", "Up", "Volume up 5 %"),
    KEY("volume-down", "Down", "Volume down 5 %"),
    KEY("mute", "M", "Mute or unmute"),
    KEY("speed-down", "[", "Slower"),
    KEY("speed-up", "]", "Faster"),
    KEY("speed-normal", "Backspace", "Normal speed"),
    KEY("subtitles-earlier", "Z", "Subtitles 100 ms earlier"),
    KEY("subtitles-later", "X", "Subtitles 100 ms later"),
    KEY("full-screen", "F", "Full screen on or off"),
    KEY("leave-full-screen", "Esc", "Leave full screen"),
    KEY("screenshot", "S", "Save the picture as a PNG file"),
    KEY("screenshot-subtitles", "Shift+S", "Save the picture with its subtitles"),
    KEY("media-info", "I", "Media information"),
    KEY("queue-panel", "Ctrl+L", "Show or hide the play queue"),
    KEY("open", "Ctrl+O", "Open a file"),
    KEY("shortcuts", "F1", "This list of keys"),
    KEY("quit", "Ctrl+Q", "Quit"),
    MOUSE("play-pause", "Click on the picture", "Play or pause"),
    MOUSE("full-screen", "Double-click on the picture", "Full screen on or off"),
    MOUSE("context-menu", "Right-click on the picture", "Menu of the most used commands"),
    MOUSE("volume", "Wheel", "Volume up or down 5 %"),
    MOUSE("seek", "Click on the seek bar", "Go to that place (hover shows its time)"),
    MOUSE("time", "Click on the time", "Show the time played or the time left"),
};

#undef KEY
#undef MOUSE

QString translated(const char* text)
{
    return QCoreApplication::translate(kContext, text);
}

// Escapes what groff would take as a control character or an escape.
QString manualEscaped(QString text)
{
    text.replace(QLatin1Char('\\'), QStringLiteral("\\e"));
    text.replace(QLatin1Char('-'), QStringLiteral("\\-"));
    if (text.startsWith(QLatin1Char('.')) || text.startsWith(QLatin1Char('\'')))
        text.prepend(QStringLiteral("\\&"));
    return text;
}

} // namespace

const std::vector<ShortcutRow>& shortcutRows()
{
    return kRows;
}

QList<QKeySequence> shortcutKeys(const char* action)
{
    QList<QKeySequence> keys;
    for (const ShortcutRow& row : kRows) {
        if (!row.mouse && std::strcmp(row.action, action) == 0)
            keys << QKeySequence(QString::fromLatin1(row.keys), QKeySequence::PortableText);
    }
    return keys;
}

QString shortcutKeyText(const ShortcutRow& row)
{
    if (row.mouse)
        return translated(row.keys);
    return QKeySequence(QString::fromLatin1(row.keys), QKeySequence::PortableText).toString(QKeySequence::NativeText);
}

QString shortcutDescription(const ShortcutRow& row)
{
    return translated(row.description);
}

QString shortcutManualText()
{
    QString text;
    for (const ShortcutRow& row : kRows) {
        text += QStringLiteral(".TP\n.B ") + manualEscaped(QString::fromLatin1(row.keys)) + QLatin1Char('\n');
        text += manualEscaped(QString::fromLatin1(row.description)) + QStringLiteral(".\n");
    }
    return text;
}

ShortcutBinder::ShortcutBinder(QWidget* window) : QObject(window), m_window(window) {}

QAction* ShortcutBinder::bind(const char* action, std::function<void()> handler)
{
    auto* created = new QAction(m_window);
    connect(created, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    bind(action, created);
    return created;
}

void ShortcutBinder::bind(const char* action, QAction* existing)
{
    existing->setShortcuts(shortcutKeys(action));
    // Window-wide: the keys also reach the window while a control or the hidden menu bar's
    // actions could not.
    existing->setShortcutContext(Qt::WindowShortcut);
    m_window->addAction(existing);
    m_actions << existing;
}

QStringList ShortcutBinder::unboundActions() const
{
    // Asked of the window itself: a key may also be bound by code that never saw this binder.
    QList<QKeySequence> bound;
    for (const QAction* action : m_window->actions())
        bound += action->shortcuts();
    QStringList unbound;
    for (const ShortcutRow& row : kRows) {
        const QString action = QString::fromLatin1(row.action);
        if (row.mouse || unbound.contains(action))
            continue;
        const QKeySequence key(QString::fromLatin1(row.keys), QKeySequence::PortableText);
        if (!bound.contains(key))
            unbound << action;
    }
    return unbound;
}

} // namespace MovraReference
