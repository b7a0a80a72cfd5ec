#include "playerlog.h"

Q_LOGGING_CATEGORY(lcPlayer, "movra.player", QtWarningMsg)

namespace MovraReference {

QString playedSummary(int framesShown, int framesDropped, int64_t positionMs)
{
    return QStringLiteral("frames shown %1, dropped %2, position %3 s")
        .arg(framesShown)
        .arg(framesDropped)
        .arg(positionMs / 1000.0, 0, 'f', 1);
}

} // namespace MovraReference
