#include "shell/usagehints.h"

#include "mpx/osutilities.h"
#include "mpx/pingmanager.h"
#include "settings/applicationsettings.h"

#include <QString>

#include <utility>

namespace MovraPlayerX {

namespace {

struct PlatformHints
{
    int platform;
    const char* word; // as in "/hint/m10-<word>player/..."
    const char* openPath;
    const char* closePath;
};

const PlatformHints kPlatformHints[] = {
    {OSUtilities::PlatformMac, "mac", "/hint/m10-macplayer/MacPlayerOpen", "/hint/m10-macplayer/MacPlayerClose"},
    {OSUtilities::PlatformWindows, "win", "/hint/m10-winplayer/WindowsPlayerOpen",
     "/hint/m10-winplayer/WindowsPlayerClose"},
};

const char kOncePerDaySuffix[] = "-unique-per-day";
const char kLaunchAfterOfflinePath[] = "player/launch-internet-inactive";
const char kFirstRunPath[] = "player/FirstRunAfterInstall";

std::function<std::time_t()>& hintClock()
{
    static std::function<std::time_t()> clock;
    return clock;
}

std::time_t now()
{
    const auto& clock = hintClock();
    return clock ? clock() : std::time(nullptr);
}

// Platforms without a hint vocabulary (Linux among them) send nothing.
const PlatformHints* currentPlatformHints()
{
    const int platform = OSUtilities::getPlatform();
    for (const PlatformHints& hints : kPlatformHints) {
        if (hints.platform == platform)
            return &hints;
    }
    return nullptr;
}

QString hintUrl(const char* path)
{
    return PingManager::serverBaseUrl() + QLatin1String(path);
}

QString platformHintUrl(const PlatformHints& hints, const char* tail)
{
    return PingManager::serverBaseUrl() + QLatin1String("/hint/m10-") + QLatin1String(hints.word)
           + QLatin1String(tail);
}

} // namespace

void sendStartHints()
{
    ApplicationSettings& settings = ApplicationSettings::startup();
    const bool firstRunPingSent = settings.get(kFirstRunPingSent, false);

    const PlatformHints* hints = currentPlatformHints();
    if (!hints)
        return;

    const QString openUrl = hintUrl(hints->openPath);
    if (!PingManager::sendPing(openUrl, true)) {
        settings.set(kRunWithoutInternetConnection, true);
        return;
    }

    const std::time_t time = now();
    std::tm utc{};
    if (gmtime_r(&time, &utc)) {
        const int32_t today = utc.tm_yday;
        if (settings.get(kFirstRunAdayPingTime, int32_t(0)) != today) {
            settings.set(kFirstRunAdayPingTime, today);
            PingManager::sendPing(openUrl + QLatin1String(kOncePerDaySuffix), false);
        }
    }

    if (settings.get(kRunWithoutInternetConnection, false)) {
        settings.set(kRunWithoutInternetConnection, false);
        PingManager::sendPing(platformHintUrl(*hints, kLaunchAfterOfflinePath), false);
    }

    if (!firstRunPingSent) {
        settings.set(kFirstRunPingSent, true);
        PingManager::sendPing(platformHintUrl(*hints, kFirstRunPath), false);
    }
}

void sendCloseHint()
{
    if (const PlatformHints* hints = currentPlatformHints())
        PingManager::sendPing(hintUrl(hints->closePath), false);
}

void setHintClockForTesting(std::function<std::time_t()> clock)
{
    hintClock() = std::move(clock);
}

} // namespace MovraPlayerX
