#include "mpx/mpxlogging_p.h"

Q_LOGGING_CATEGORY(lcMpx, "movra.mpx", QtWarningMsg)
