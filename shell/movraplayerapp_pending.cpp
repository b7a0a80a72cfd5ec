// Operations of the application object whose subsystem (codec installs) is not part of
// this build yet. The events that lead here are still consumed as handled, so plug-ins
// see the same answers they will see once these exist.

#include "shell/movraplayerapp.h"

namespace MovraPlayerX {

void MovraPlayerApp::handleGetCodecEvent(GetCodecEvent* /*event*/)
{
}

void MovraPlayerApp::handleNeedCodecEvent(NeedCodecEvent* /*event*/)
{
}

void MovraPlayerApp::loadingCodecWidgetFinished(bool /*retrySelected*/)
{
}

} // namespace MovraPlayerX
