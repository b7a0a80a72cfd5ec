#pragma once
#include <QLoggingCategory>

// Diagnostics of the settings store; off unless QT_LOGGING_RULES="movra.settings.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
