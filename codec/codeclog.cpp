#include "codec/codeclog.h"

Q_LOGGING_CATEGORY(lcCodec, "movra.codec", QtWarningMsg)
