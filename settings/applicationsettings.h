#pragma once
// The application settings: one section of the store (Settings\<component id>, per user
// with a machine-wide read fallback), split into groups, every key named by one row of
// the key table. Reads carry their caller's default; writes report success.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>

namespace MovraPlayerX {

// How the player reads and writes a key. The store itself keeps whatever type was written;
// this is what lets text from an untyped source (the legacy INI files) be stored typed.
enum class SettingType { Text, Integer, Boolean, TextList };

struct SettingKeyRow
{
    const char* key;
    const char* group;
    SettingType type;
};

// Rows of the key table, in table order. The spellings are what the store holds.
enum SettingKey : int {
    // Paths
    kSkinInstallPath, kQtPluginsInstallPath, kI18nInstallPath, kStreamEnginePluginsInstallPath,
    kPlayerXPluginsInstallPath,
    // GlobalState
    kDefaultViewPlugin,
    // PlayerState
    kPlayerXPos, kPlayerYPos, kPlayerWidth, kPlayerHeight, kPRefFixedWidth, kPRefFixedHeight,
    kAspectRatio, kDisplayState, kLastOpenFileLocation, kDimmerIntensity, kVolume, kHEVCPingSent,
    kFirstRunPingSent, kRunWithoutInternetConnection, kFirstRunAdayPingTime, kFirstPlayerLaunch,
    kKeyHelpXPos, kKeyHelpYPos, kKeyHelpWidth, kKeyHelpHeight,
    // DFXAudio
    kDFXPurchaseURL, kDFXHelpFile, kDFXShown, kDFXWindowX, kDFXWindowY,
    // General
    kBannerMarket, kLocale, kMacStyleWindowControls, kSkin, kUseTranslucentWindow, kUseWindowBlur,
    kMediaFolder, kDesktopFolder, kShowBannerAds, kDefaultOpenFileLocation, kKVSServer,
    kKVSServerOverride, kKVSEmail, kKVSPassword, kKVSCheckPointID, kKVSDebug, kStartupView,
    kAVIFileAssoc, kMOVRAFileAssoc, kXVIDFileAssoc, kMKVFileAssoc, kMOVFileAssoc, kMP4FileAssoc,
    kWMVFileAssoc, kVOBFileAssoc, kMPGFileAssoc, kASFFileAssoc, kQTFileAssoc,
    kInitialFileAssociationsHaveBeenMade, kTransferDevicesConfirmDeletions,
    kTransferDevicesPaneShown, kPlayerVersion, kRemoteControlsEnabled,
    // DownloadManager
    kAutoClearDownloads, kResumeDownloadsOnStartup,
    // MediaLibrary
    kAutoCloseImportDialog, kAddPlayedVideoToLibrary, kAddVideoInDefFolderToLibrary,
    kDeletLibraryFileAndDiskFile, kEnableRecentWatchedPlaylist, kShowVideoThumbnail,
    kDefaultViewColumnsEstablished,
    // RecentFilis
    kRecentWatchedMovies, kRecentFiles,
    // Playback
    kEnableToolTips, kHideInactiveButtons, kAlwaysOnTop, kLoopPlayback, kResumeFromLastPos,
    kShowResumeOffer, kLoopPlaylist, kResizePlayerToVideo, kDisableScreenSaver, kShowUltraMenus,
    kRecentFileMaximum, kRecentFileMenuMaximum, kRememberPreviousMovie, kWasPlaying,
    kRememberRecentFilePosition, kPauseInBackground, kBlackoutWhenPaused, kFadeOutWhenPlaying,
    kDimDesktop, kDimWindowWithDesktop, kAudioOutputMode, kSmoothTrickPlayThreshold,
    kKeyframeTrickPlayInterval,
    // Languages
    kAudioLanguage, kSubtitleLanguage, kMenuLanguage,
    // Codec
    kPostProcessingMode, kDeblockingLevel, kBrightness, kContrast, kSaturation,
    kFilmEffectEnabled, kFilmEffectLevel,
    // Video
    kDeinterlacingMethod, kVideoOutputMethod, kHardwareDecodingDisabled,
    // Subtitles
    kSubtitleFont, kAlwaysUseExternalFont, kUseExternalSubtitles, kSubtitleTextColor,
    kSubtitleOutlineColor, kSubtitleDelay, kSubtitleCodePage, kSubtitleFrameRateNumerator,
    kSubtitleFrameRateDenominator, kDisableDualSubtitles,
    // Profiles
    kProfileGUID,
    // OSD
    kOSDPosition, kOSDFont,

    kSettingKeyCount
};

static_assert(kSettingKeyCount == 124, "the key table has 124 rows");

extern const SettingKeyRow kSettingKeyTable[kSettingKeyCount];

// The row naming `key` of `group`, or null for a key the player does not know.
const SettingKeyRow* findSettingKey(const std::string& group, const std::string& key);

// One process-wide reference to the application settings root with its accessors. There
// are two of them: one for start-up and shut-down, one for the application object; each
// opens the root on first use and again after release().
class ApplicationSettings
{
public:
    static ApplicationSettings& startup();
    static ApplicationSettings& application();

    // Opens the root if it is not open; false when it cannot be opened.
    bool open();
    // Releases the root; the next accessor opens it again.
    void release();
    bool isOpen() const;

    QString getSetting(const std::string& group, const std::string& key, const QString& defaultValue);
    // A string literal must read as a string, not as the bool it would otherwise convert to.
    QString getSetting(const std::string& group, const std::string& key, const char* defaultValue)
    {
        return getSetting(group, key, QString::fromUtf8(defaultValue));
    }
    int32_t getSetting(const std::string& group, const std::string& key, int32_t defaultValue);
    uint32_t getSetting(const std::string& group, const std::string& key, uint32_t defaultValue);
    bool getSetting(const std::string& group, const std::string& key, bool defaultValue);

    bool setSetting(const std::string& group, const std::string& key, const QString& value);
    bool setSetting(const std::string& group, const std::string& key, const char* value)
    {
        return setSetting(group, key, QString::fromUtf8(value));
    }
    bool setSetting(const std::string& group, const std::string& key, const QStringList& value);
    bool setSetting(const std::string& group, const std::string& key, int32_t value);
    bool setSetting(const std::string& group, const std::string& key, bool value);

    // The same, naming the key by its table row.
    template <typename T>
    auto get(SettingKey row, const T& defaultValue)
    {
        return getSetting(kSettingKeyTable[row].group, kSettingKeyTable[row].key, defaultValue);
    }
    template <typename T>
    bool set(SettingKey row, const T& value)
    {
        return setSetting(kSettingKeyTable[row].group, kSettingKeyTable[row].key, value);
    }

    ApplicationSettings(const ApplicationSettings&) = delete;
    ApplicationSettings& operator=(const ApplicationSettings&) = delete;

private:
    ApplicationSettings();
    ~ApplicationSettings();
    struct Private;
    Private* d;
};

// One-time move of an older version's settings out of Qt's native settings store (on
// Linux the INI files of the system and user scopes) into the application settings.
// Runs before any Qt object exists.
void importLegacySettings();

} // namespace MovraPlayerX
