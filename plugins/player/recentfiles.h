#pragma once
// The files and addresses opened last, newest first, as File › Open Recent lists them. Kept in
// the application settings once useSettings() is called (in memory only before), one encoded
// address a line; an address keeps no user name or password.

#include <QList>
#include <QUrl>

namespace MovraReference {

class RecentFiles
{
public:
    static constexpr int kMaxEntries = 10;

    // Reads the stored list from now on and writes every change back.
    void useSettings();
    QList<QUrl> urls() const { return m_urls; }
    void add(const QUrl& url);
    void clear();

    static QUrl withoutCredentials(const QUrl& url);
    // A local file that is no longer there (an address is never missing: it can only be tried).
    static bool isMissing(const QUrl& url);

private:
    void save();

    QList<QUrl> m_urls;
    bool m_usesSettings = false;
};

} // namespace MovraReference
