#include "recentfiles.h"

#include "settings/applicationsettings.h"

#include <QFileInfo>

namespace MovraReference {

namespace {

MovraPlayerX::ApplicationSettings& settings()
{
    return MovraPlayerX::ApplicationSettings::application();
}

// Encoded addresses never hold a line break, so one a line needs no escaping.
const QLatin1Char kSeparator('\n');

} // namespace

void RecentFiles::useSettings()
{
    m_usesSettings = true;
    m_urls.clear();
    const QString stored = settings().get(MovraPlayerX::kRecentFiles, QString());
    for (const QString& line : stored.split(kSeparator, Qt::SkipEmptyParts)) {
        // Stored by an older or damaged writer: credentials never come back, duplicates go.
        const QUrl url = withoutCredentials(QUrl::fromEncoded(line.trimmed().toUtf8(), QUrl::StrictMode));
        if (url.isValid() && !url.isEmpty() && !m_urls.contains(url) && m_urls.size() < kMaxEntries)
            m_urls.append(url);
    }
}

void RecentFiles::add(const QUrl& url)
{
    const QUrl kept = withoutCredentials(url);
    if (!kept.isValid() || kept.isEmpty())
        return;
    m_urls.removeAll(kept);
    m_urls.prepend(kept);
    while (m_urls.size() > kMaxEntries)
        m_urls.removeLast();
    save();
}

void RecentFiles::clear()
{
    m_urls.clear();
    save();
}

void RecentFiles::save()
{
    if (!m_usesSettings)
        return;
    QStringList lines;
    for (const QUrl& url : m_urls)
        lines.append(QString::fromUtf8(url.toEncoded()));
    settings().set(MovraPlayerX::kRecentFiles, lines.join(kSeparator));
}

QUrl RecentFiles::withoutCredentials(const QUrl& url)
{
    QUrl kept = url;
    kept.setUserInfo(QString());
    return kept;
}

bool RecentFiles::isMissing(const QUrl& url)
{
    return url.isLocalFile() && !QFileInfo::exists(url.toLocalFile());
}

} // namespace MovraReference
