#pragma once
#include <QLoggingCategory>

// Diagnostics of the service library; off below warnings unless QT_LOGGING_RULES asks for them.
Q_DECLARE_LOGGING_CATEGORY(lcMpx)
