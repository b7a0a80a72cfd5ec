#pragma once
// Times as the controls write them.

#include <QString>

#include <algorithm>
#include <cstdint>

namespace MovraReference {

// "m:ss", or "h:mm:ss" when ms or the reference (the duration) reaches an hour.
inline QString clockText(int64_t ms, int64_t referenceMs = 0)
{
    const int64_t s = std::max<int64_t>(ms, 0) / 1000;
    if (s >= 3600 || referenceMs >= 3600 * 1000)
        return QStringLiteral("%1:%2:%3").arg(s / 3600).arg((s / 60) % 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace MovraReference
