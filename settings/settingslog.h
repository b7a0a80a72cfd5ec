#pragma once
#include <QLoggingCategory>
#include <QString>

#include <string>

// Diagnostics of the settings store; off unless QT_LOGGING_RULES="movra.settings.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcSettings)

namespace mvds {

// A registry path or name as the diagnostics print it.
inline QString debugText(const std::u16string& text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace mvds
