#pragma once
#include "shell/appevents.h"

#include <QEvent>

#include <cstdint>

namespace MovraPlayerX {

// The install worker's report, posted to the application object.
class GetCodecEvent : public QEvent
{
public:
    GetCodecEvent(int32_t status, int32_t detail)
        : QEvent(static_cast<QEvent::Type>(kGetCodecEvent)), status(status), detail(detail)
    {
    }

    int32_t status;  // 0: installed
    int32_t detail;
};

} // namespace MovraPlayerX
