#pragma once
#include <QString>
#include <QStringList>

#include <memory>

class QFont;
class QTranslator;

namespace MovraPlayerX {

// Finds the translation folder, hands the language to the service library, and creates
// the run's two translators (Qt's strings, the player's strings) in the given slots,
// installing each one that loads. Returns the raw "Locale" setting it read, which the
// first-launch defaults need.
QString setUpLanguage(std::unique_ptr<QTranslator>& qtTranslator,
                      std::unique_ptr<QTranslator>& playerTranslator);

// On the very first launch only: a subtitle font suited to the installed East Asian
// language, then the "FirstPlayerLaunch" mark.
void applyFirstLaunchDefaults(const QString& locale);

// The folder setUpLanguage loads translations from: "<I18nInstallPath>/i18n/Movra Player"
// when that folder exists, else the i18n folder beside the application (not checked).
QString translationFolder();

// A font as the subtitle settings store it: family, point size, weight name, then
// "Italic", "Underline" and "StrikeOut" or an empty entry each.
QStringList subtitleFontRecord(const QFont& font);

} // namespace MovraPlayerX
