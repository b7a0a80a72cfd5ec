#pragma once
// The player's file types: one row per extension with every fact both halves of the
// associations need. The registry half (integration/fileassociations.cpp) writes the
// Windows-shaped records and applies the user's choices from it; the desktop half
// (MPXLibrary's mpx/osutilities_associations.cpp) builds the MIME package from it. Plain
// data with no dependencies, so both libraries read the same table.

#include <cstddef>

namespace MovraPlayerX {

struct FileTypeRow
{
    // Without the dot.
    const char* extension;
    // The icon a "program,index" value names in the program file. 2 is the icon every video
    // type shares; .tix (3) and .mkv (4) are the two types with icons of their own. Only a
    // Windows shell reads these; a desktop takes the icon from the MIME type.
    int iconIndex;
    // The player writes this extension's own key (HKCR\.ext) when no program has; the other
    // extensions' keys stay with whoever has them.
    bool writesExtensionKey;
    // "Content Type" of the handler record, and of the extension key; null: none is written.
    const char* handlerContentType;
    const char* extensionContentType;
    // The handler and the extension key carry "BrowserFlags" 8 (opened outside a browser).
    bool browserFlags;
    // The user's choice of the player as default: the Settings\Player\General value, and
    // whether it is on until the user says otherwise. Null: the type follows `followsChoice`
    // (".mvr" goes with ".movra", ".mpeg" with ".mpg"), or, without one, is always claimed.
    const char* choiceKey;
    bool choiceDefault;
    const char* followsChoice;
    // The desktop's MIME type of the extension, and for a common type the comment the
    // player's MIME package gives it on a system whose database lacks it. Null comment: the
    // player's own type, declared by integration/movra-player-mime.xml.
    const char* mimeType;
    const char* mimeComment;
};

inline constexpr char kMovraContentType[] = "video/movra";

// clang-format off
inline constexpr FileTypeRow kFileTypes[] = {
    // ext     icon key    handler CT         extension CT       browser choice            default follows  MIME type                 comment
    {"avi",   2, true,  nullptr,           nullptr,           false, "AVIFileAssoc",   true,  nullptr, "video/x-msvideo",        "AVI video"},
    {"movra", 2, true,  kMovraContentType, kMovraContentType, false, "MOVRAFileAssoc", true,  nullptr, "video/movra",            nullptr},
    {"mvr",   2, true,  kMovraContentType, kMovraContentType, false, nullptr,          false, "movra", "video/movra",            nullptr},
    {"tix",   3, true,  nullptr,           nullptr,           true,  nullptr,          false, nullptr, "video/x-tix",            nullptr},
    {"xvid",  2, true,  nullptr,           kMovraContentType, false, "XVIDFileAssoc",  false, nullptr, "video/x-xvid",           nullptr},
    {"mkv",   4, true,  kMovraContentType, kMovraContentType, false, "MKVFileAssoc",   true,  nullptr, "video/x-matroska",       "Matroska video"},
    {"mov",   2, false, nullptr,           nullptr,           false, "MOVFileAssoc",   false, nullptr, "video/quicktime",        "QuickTime video"},
    {"mp4",   2, false, nullptr,           nullptr,           false, "MP4FileAssoc",   false, nullptr, "video/mp4",              "MPEG-4 video"},
    {"wmv",   2, false, nullptr,           nullptr,           false, "WMVFileAssoc",   false, nullptr, "video/x-ms-wmv",         "Windows Media video"},
    {"vob",   2, false, nullptr,           nullptr,           false, "VOBFileAssoc",   false, nullptr, "video/mpeg",             "MPEG video"},
    {"mpg",   2, false, nullptr,           nullptr,           false, "MPGFileAssoc",   false, nullptr, "video/mpeg",             "MPEG video"},
    {"mpeg",  2, false, nullptr,           nullptr,           false, nullptr,          false, "mpg",   "video/mpeg",             "MPEG video"},
    {"asf",   2, false, nullptr,           nullptr,           false, "ASFFileAssoc",   false, nullptr, "application/vnd.ms-asf", "ASF video"},
    {"qt",    2, false, nullptr,           nullptr,           false, "QTFileAssoc",    false, nullptr, "video/quicktime",        "QuickTime video"},
};
// clang-format on

} // namespace MovraPlayerX
