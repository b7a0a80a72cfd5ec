#pragma once
#include "mpx/mpxglobal.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <string>

namespace MovraPlayerX {

class MPX_EXPORT OSUtilities
{
public:
    enum Platform { PlatformUnknown = 0, PlatformMac = 1, PlatformWindows = 2, PlatformLinux = 3 };

    // Identity of this program; the application settings live under Settings\<id>.
    static std::string getComponentIdUTF8();

    // The locale of the library's services, as a code such as "fr", "fr_CA", "zh-tw" or
    // "sr_Latn_RS" ("-" and "_" both separate; a ".codeset" or "@modifier" tail is ignored).
    // An empty code goes back to the system locale (QLocale's default).
    static void setLocale(const QString& code);
    // The code given to setLocale, or the default QLocale's name when none was given.
    static QString getLocale();

    // Translation code for the locale in effect: its language and, when the code names a
    // country, the separator and the country ("fr_CA"; "fr" for a bare "fr"). Empty when the
    // language is not one of supportedList (comma-separated, compared exactly: "en,fr,de").
    static QString getLanguageAndCountryCode(const QString& separator, const QString& supportedList);

    // PlatformLinux here. Tests of platform-dependent callers override the answer with
    // setPlatformForTesting; 0 removes the override.
    static int getPlatform();
    static void setPlatformForTesting(int platform);

    // Default folder for the player's own movies: "<videos folder>/Movra Movies" (not created).
    static QString getMovraMoviesPathDefault();
    // The user's desktop folder: $XDG_DESKTOP_DIR, else XDG_DESKTOP_DIR in
    // $XDG_CONFIG_HOME/user-dirs.dirs (~/.config when unset), else ~/Desktop.
    static QString getDesktopPath();

    // The user's default programs, as the desktop keeps them (freedesktop: GIO and the
    // user's mimeapps.list, honouring the XDG_* folders). Both first make sure the player's
    // desktop entry and its MIME package (the types the system lacks) are in place.
    //
    // Per dotted extension, the desktop id of the program that opens it now; "" when none
    // or when the extension has no MIME type. False when no extension has a MIME type (no
    // MIME database at all), since then nothing can be told.
    static bool getFileTypeAssociations(const QStringList& extensions, QMap<QString, QString>& programs);
    // true: the player becomes the user's default for the extension's type; false: the
    // player's own default for it is taken back, another program's is never touched.
    // Extensions that share a type (".mpg", ".mpeg") share the answer; true wins. False when
    // anything could not be done; the reason is one "movra.integration" warning, and a
    // mimeapps.list that a rewrite would damage is left exactly as it is.
    static bool setFileTypeAssociations(const QMap<QString, bool>& wanted);
    // The MIME type the desktop gives a dotted extension; "" when it knows none.
    static QString mimeTypeForExtension(const QString& dottedExtension);
};

} // namespace MovraPlayerX
