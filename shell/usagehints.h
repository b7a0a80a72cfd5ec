#pragma once

namespace MovraPlayerX {

// Open, once-a-day, back-online and first-run hints, sent after the main window is shown.
// Settings are written before their hint goes out, so a lost hint is never sent twice.
void sendStartHints();

// Close hint, sent after the shut-down plug-ins ran.
void sendCloseHint();

} // namespace MovraPlayerX
