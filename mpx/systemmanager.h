#pragma once
#include "mpx/mpxglobal.h"

#include <QString>

#include <memory>

namespace MovraPlayerX {

// The player's suppression of the screen saver and of system sleep, asked for by plug-ins
// while media plays and undone at shut-down. Held through the desktop's D-Bus services
// (org.freedesktop.ScreenSaver, org.freedesktop.PowerManagement.Inhibit, else logind) when a
// bus offers them; without one only the bookkeeping is kept. Main thread only.
class MPX_EXPORT SystemManager
{
public:
    static SystemManager& Instance();

    // Asking again while held changes nothing.
    void inhibitScreensaver(const QString& reason = QString());
    void inhibitSystemPowerManagement(const QString& reason = QString());
    // Releases what is held; nothing held is fine.
    void restoreScreensaver();
    void restoreSystemPowerManagement();

    bool isScreensaverInhibited() const;
    bool isPowerManagementInhibited() const;
    // True when the inhibition is also held by a desktop service, not only booked here.
    bool isScreensaverInhibitedBySystem() const;
    bool isPowerManagementInhibitedBySystem() const;

    SystemManager(const SystemManager&) = delete;
    SystemManager& operator=(const SystemManager&) = delete;

private:
    SystemManager();
    ~SystemManager();

    struct Inhibition;
    std::unique_ptr<Inhibition> m_screensaver;
    std::unique_ptr<Inhibition> m_power;
};

} // namespace MovraPlayerX
