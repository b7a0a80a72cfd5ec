#pragma once
// The player plug-in's status and warnings. Status lines (what was opened, the demo's
// summary) are info messages, off unless asked for with
// QT_LOGGING_RULES="movra.player.info=true"; warnings are always shown.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcPlayer)
