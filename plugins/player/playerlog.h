#pragma once
// The player plug-in's status and warnings. Status lines (what was opened, the demo's
// summary) are info messages, off unless asked for with
// QT_LOGGING_RULES="movra.player.info=true"; warnings are always shown.

#include <QLoggingCategory>
#include <QString>

#include <cstdint>

Q_DECLARE_LOGGING_CATEGORY(lcPlayer)

namespace MovraReference {

// The summary of what was played, as the status lines give it at the queue's end and when a
// demo run closes its window (scripts and tests read it).
QString playedSummary(int framesShown, int framesDropped, int64_t positionMs);

} // namespace MovraReference
