#include "settings/applicationsettings.h"

namespace MovraPlayerX {

// Group names, each written once.
static const char kGroupPaths[] = "Paths";
static const char kGroupGlobalState[] = "GlobalState";
static const char kGroupPlayerState[] = "PlayerState";
static const char kGroupDFXAudio[] = "DFXAudio";
static const char kGroupGeneral[] = "General";
static const char kGroupDownloadManager[] = "DownloadManager";
static const char kGroupMediaLibrary[] = "MediaLibrary";
static const char kGroupRecentFilis[] = "RecentFilis";
static const char kGroupPlayback[] = "Playback";
static const char kGroupLanguages[] = "Languages";
static const char kGroupCodec[] = "Codec";
static const char kGroupVideo[] = "Video";
static const char kGroupSubtitles[] = "Subtitles";
static const char kGroupProfiles[] = "Profiles";
static const char kGroupOSD[] = "OSD";

// Spellings are what the store holds: "PRefFixedWidth", "DeletLibraryFileAndDiskFile" and
// the group "RecentFilis" are read under these names by every module that uses them.
const SettingKeyRow kSettingKeyTable[kSettingKeyCount] = {
    {"SkinInstallPath", kGroupPaths, SettingType::Text},
    {"QtPluginsInstallPath", kGroupPaths, SettingType::Text},
    {"I18nInstallPath", kGroupPaths, SettingType::Text},
    {"StreamEnginePluginsInstallPath", kGroupPaths, SettingType::Text},
    {"PlayerXPluginsInstallPath", kGroupPaths, SettingType::Text},
    {"DefaultViewPlugin", kGroupGlobalState, SettingType::Text},
    {"PlayerXPos", kGroupPlayerState, SettingType::Integer},
    {"PlayerYPos", kGroupPlayerState, SettingType::Integer},
    {"PlayerWidth", kGroupPlayerState, SettingType::Integer},
    {"PlayerHeight", kGroupPlayerState, SettingType::Integer},
    {"PRefFixedWidth", kGroupPlayerState, SettingType::Integer},
    {"PRefFixedHeight", kGroupPlayerState, SettingType::Integer},
    {"AspectRatio", kGroupPlayerState, SettingType::Integer},
    {"DisplayState", kGroupPlayerState, SettingType::Integer},
    {"LastOpenFileLocation", kGroupPlayerState, SettingType::Text},
    {"DimmerIntensity", kGroupPlayerState, SettingType::Integer},
    {"Volume", kGroupPlayerState, SettingType::Integer},
    {"HEVCPingSent", kGroupPlayerState, SettingType::Boolean},
    {"FirstRunPingSent", kGroupPlayerState, SettingType::Boolean},
    {"RunWithoutInternetConnection", kGroupPlayerState, SettingType::Boolean},
    {"FirstRunAdayPingTime", kGroupPlayerState, SettingType::Integer},
    {"FirstPlayerLaunch", kGroupPlayerState, SettingType::Boolean},
    {"KeyHelpXPos", kGroupPlayerState, SettingType::Integer},
    {"KeyHelpYPos", kGroupPlayerState, SettingType::Integer},
    {"KeyHelpWidth", kGroupPlayerState, SettingType::Integer},
    {"KeyHelpHeight", kGroupPlayerState, SettingType::Integer},
    {"DFXPurchaseURL", kGroupDFXAudio, SettingType::Text},
    {"DFXHelpFile", kGroupDFXAudio, SettingType::Text},
    {"DFXShown", kGroupDFXAudio, SettingType::Boolean},
    {"DFXWindowX", kGroupDFXAudio, SettingType::Integer},
    {"DFXWindowY", kGroupDFXAudio, SettingType::Integer},
    {"BannerMarket", kGroupGeneral, SettingType::Text},
    {"Locale", kGroupGeneral, SettingType::Text},
    {"MacStyleWindowControls", kGroupGeneral, SettingType::Boolean},
    {"Skin", kGroupGeneral, SettingType::Text},
    {"UseTranslucentWindow", kGroupGeneral, SettingType::Boolean},
    {"UseWindowBlur", kGroupGeneral, SettingType::Boolean},
    {"MediaFolder", kGroupGeneral, SettingType::Text},
    {"DesktopFolder", kGroupGeneral, SettingType::Text},
    {"ShowBannerAds", kGroupGeneral, SettingType::Boolean},
    {"DefaultOpenFileLocation", kGroupGeneral, SettingType::Text},
    {"KVSServer", kGroupGeneral, SettingType::Text},
    {"KVSServerOverride", kGroupGeneral, SettingType::Text},
    {"KVSEmail", kGroupGeneral, SettingType::Text},
    {"KVSPassword", kGroupGeneral, SettingType::Text},
    {"KVSCheckPointID", kGroupGeneral, SettingType::Text},
    {"KVSDebug", kGroupGeneral, SettingType::Boolean},
    {"StartupView", kGroupGeneral, SettingType::Text},
    {"AVIFileAssoc", kGroupGeneral, SettingType::Boolean},
    {"MOVRAFileAssoc", kGroupGeneral, SettingType::Boolean},
    {"XVIDFileAssoc", kGroupGeneral, SettingType::Boolean},
    {"MKVFileAssoc", kGroupGeneral, SettingType::Boolean},
    {"MOVFileAssoc", kGroupGeneral, SettingType::Boolean},
    {"MP4FileAssoc", kGroupGeneral, SettingType::Boolean},
    {"WMVFileAssoc", kGroupGeneral, SettingType::Boolean},
    {"VOBFileAssoc", kGroupGeneral, SettingType::Boolean},
    {"MPGFileAssoc", kGroupGeneral, SettingType::Boolean},
    {"ASFFileAssoc", kGroupGeneral, SettingType::Boolean},
    {"QTFileAssoc", kGroupGeneral, SettingType::Boolean},
    {"InitialFileAssociationsHaveBeenMade", kGroupGeneral, SettingType::Boolean},
    {"TransferDevicesConfirmDeletions", kGroupGeneral, SettingType::Boolean},
    {"TransferDevicesPaneShown", kGroupGeneral, SettingType::Boolean},
    {"PlayerVersion", kGroupGeneral, SettingType::Text},
    {"RemoteControlsEnabled", kGroupGeneral, SettingType::Boolean},
    {"AutoClearDownloads", kGroupDownloadManager, SettingType::Boolean},
    {"ResumeDownloadsOnStartup", kGroupDownloadManager, SettingType::Boolean},
    {"AutoCloseImportDialog", kGroupMediaLibrary, SettingType::Boolean},
    {"AddPlayedVideoToLibrary", kGroupMediaLibrary, SettingType::Boolean},
    {"AddVideoInDefFolderToLibrary", kGroupMediaLibrary, SettingType::Boolean},
    {"DeletLibraryFileAndDiskFile", kGroupMediaLibrary, SettingType::Boolean},
    {"EnableRecentWatchedPlaylist", kGroupMediaLibrary, SettingType::Boolean},
    {"ShowVideoThumbnail", kGroupMediaLibrary, SettingType::Boolean},
    {"DefaultViewColumnsEstablished", kGroupMediaLibrary, SettingType::Boolean},
    {"RecentWatchedMovies", kGroupRecentFilis, SettingType::TextList},
    // File › Open Recent: one encoded address a line (a ":"-joined list cannot hold addresses).
    {"RecentFiles", kGroupRecentFilis, SettingType::Text},
    {"enableToolTips", kGroupPlayback, SettingType::Boolean},
    {"hideInactiveButtons", kGroupPlayback, SettingType::Boolean},
    {"AlwaysOnTop", kGroupPlayback, SettingType::Boolean},
    {"LoopPlayback", kGroupPlayback, SettingType::Boolean},
    {"ResumeFromLastPos", kGroupPlayback, SettingType::Boolean},
    {"ShowResumeOffer", kGroupPlayback, SettingType::Boolean},
    {"LoopPlaylist", kGroupPlayback, SettingType::Boolean},
    {"ResizePlayerToVideo", kGroupPlayback, SettingType::Boolean},
    {"DisableScreenSaver", kGroupPlayback, SettingType::Boolean},
    {"ShowUltraMenus", kGroupPlayback, SettingType::Boolean},
    {"RecentFileMaximum", kGroupPlayback, SettingType::Integer},
    {"RecentFileMenuMaximum", kGroupPlayback, SettingType::Integer},
    {"RememberPreviousMovie", kGroupPlayback, SettingType::Boolean},
    {"WasPlaying", kGroupPlayback, SettingType::Boolean},
    {"RememberRecentFilePosition", kGroupPlayback, SettingType::Boolean},
    {"PauseInBackground", kGroupPlayback, SettingType::Boolean},
    {"BlackoutWhenPaused", kGroupPlayback, SettingType::Boolean},
    {"FadeOutWhenPlaying", kGroupPlayback, SettingType::Boolean},
    {"DimDesktop", kGroupPlayback, SettingType::Boolean},
    {"DimWindowWithDesktop", kGroupPlayback, SettingType::Boolean},
    {"AudioOutputMode", kGroupPlayback, SettingType::Integer},
    {"SmoothTrickPlayThreshold", kGroupPlayback, SettingType::Integer},
    {"KeyframeTrickPlayInterval", kGroupPlayback, SettingType::Integer},
    {"AudioLanguage", kGroupLanguages, SettingType::Text},
    {"SubtitleLanguage", kGroupLanguages, SettingType::Text},
    {"MenuLanguage", kGroupLanguages, SettingType::Text},
    {"PostProcessingMode", kGroupCodec, SettingType::Integer},
    {"DeblockingLevel", kGroupCodec, SettingType::Integer},
    {"Brightness", kGroupCodec, SettingType::Integer},
    {"Contrast", kGroupCodec, SettingType::Integer},
    {"Saturation", kGroupCodec, SettingType::Integer},
    {"FilmEffectEnabled", kGroupCodec, SettingType::Boolean},
    {"FilmEffectLevel", kGroupCodec, SettingType::Integer},
    {"DeinterlacingMethod", kGroupVideo, SettingType::Integer},
    {"VideoOutputMethod", kGroupVideo, SettingType::Integer},
    {"HardwareDecodingDisabled", kGroupVideo, SettingType::Boolean},
    {"SubtitleFont", kGroupSubtitles, SettingType::TextList},
    {"AlwaysUseExternalFont", kGroupSubtitles, SettingType::Boolean},
    {"UseExternalSubtitles", kGroupSubtitles, SettingType::Boolean},
    {"SubtitleTextColor", kGroupSubtitles, SettingType::Text},
    {"SubtitleOutlineColor", kGroupSubtitles, SettingType::Text},
    {"SubtitleDelay", kGroupSubtitles, SettingType::Integer},
    {"SubtitleCodePage", kGroupSubtitles, SettingType::Integer},
    {"SubtitleFrameRateNumerator", kGroupSubtitles, SettingType::Integer},
    {"SubtitleFrameRateDenominator", kGroupSubtitles, SettingType::Integer},
    {"DisableDualSubtitles", kGroupSubtitles, SettingType::Boolean},
    {"ProfileGUID", kGroupProfiles, SettingType::Text},
    {"OSDPosition", kGroupOSD, SettingType::Integer},
    {"OSDFont", kGroupOSD, SettingType::TextList},
};

const SettingKeyRow* findSettingKey(const std::string& group, const std::string& key)
{
    for (const SettingKeyRow& row : kSettingKeyTable) {
        if (key == row.key && group == row.group)
            return &row;
    }
    return nullptr;
}

} // namespace MovraPlayerX
