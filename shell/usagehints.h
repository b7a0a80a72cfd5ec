#pragma once
#include <ctime>
#include <functional>

namespace MovraPlayerX {

// Open, once-a-day, back-online and first-run hints, sent after the main window is shown.
// Settings are written before their hint goes out, so a lost hint is never sent twice.
void sendStartHints();

// Close hint, sent after the shut-down plug-ins ran.
void sendCloseHint();

// Replaces the clock that decides the once-a-day hint; an empty function restores time().
void setHintClockForTesting(std::function<std::time_t()> clock);

} // namespace MovraPlayerX
