#pragma once
#include <QString>

#include <memory>

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

} // namespace MovraPlayerX
