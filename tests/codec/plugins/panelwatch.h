#pragma once
// What the codec test plug-ins share: their log line writer and a reading of the loading
// panel as one line of text.

#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace CodecTestPlugin {

// One line to MOVRA_TEST_PLUGIN_LOG, when it is set.
inline void record(const std::string& line)
{
    const char* path = std::getenv("MOVRA_TEST_PLUGIN_LOG");
    if (!path || !*path)
        return;
    if (FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

// What the panel shows: "panel <text> [<cancel>] [<accept>] (animated)", the buttons and the
// animation only when visible; "" when there is no panel on screen.
inline QString panelState(QWidget* panel)
{
    if (!panel || !panel->isVisible())
        return QString();
    auto* info = panel->findChild<QLabel*>(QStringLiteral("infoLabel"));
    auto* cancel = panel->findChild<QPushButton*>(QStringLiteral("cancelButton"));
    auto* accept = panel->findChild<QPushButton*>(QStringLiteral("acceptButton"));
    auto* animation = panel->findChild<QLabel*>(QStringLiteral("animationLabel"));
    QString state = QStringLiteral("panel ") + info->text().replace(QLatin1Char('\n'), QLatin1Char('|'));
    if (cancel->isVisible())
        state += QStringLiteral(" [") + cancel->text() + QStringLiteral("]");
    if (accept->isVisible())
        state += QStringLiteral(" [") + accept->text() + QStringLiteral("]");
    // Only when the player can read its GIF: the animation runs on Qt's image plug-in.
    if (animation->isVisible() && animation->movie() && animation->movie()->isValid()
        && animation->movie()->state() == QMovie::Running)
        state += QStringLiteral(" (animated)");
    return state;
}

// Whether the panel asks a question the user can answer now: both its buttons are shown and
// nothing disables them (while downloading it shows only Cancel).
inline bool panelAwaitsAnswer(QWidget* panel)
{
    auto* cancel = panel ? panel->findChild<QPushButton*>(QStringLiteral("cancelButton")) : nullptr;
    auto* accept = panel ? panel->findChild<QPushButton*>(QStringLiteral("acceptButton")) : nullptr;
    return cancel && accept && cancel->isVisible() && cancel->isEnabled() && accept->isVisible();
}

} // namespace CodecTestPlugin
