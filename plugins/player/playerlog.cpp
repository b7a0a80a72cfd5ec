#include "playerlog.h"

Q_LOGGING_CATEGORY(lcPlayer, "movra.player", QtWarningMsg)
