#pragma once
// What an address given to the player stands for in the play queue: a media file or a network
// address is itself; a folder is its media files in natural order; a playlist (.m3u, .m3u8,
// .pls: lists of files and addresses, not HLS) is its entries, relative ones taken from the
// playlist's folder. What cannot be queued is skipped and named.

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace MovraReference {

struct QueueInput
{
    QList<QUrl> urls;
    // One line per entry that was skipped, with the reason; at most kMaxNamedSkips of them,
    // `skipped` counts all.
    QStringList skippedNames;
    int skipped = 0;

    // A short text for the window naming what was skipped; empty when nothing was.
    QString notice() const;
};

class PlaylistReader
{
public:
    static constexpr int kMaxNamedSkips = 10;
    // Beyond this many entries a playlist is cut short (with a notice): the queue stays
    // usable and the reading quick.
    static constexpr int kMaxEntries = 1000000;
    // A larger "playlist" is not a list of addresses.
    static constexpr qint64 kMaxPlaylistBytes = 64 * 1024 * 1024;

    static bool isPlaylist(const QString& path);
    // Expands one address as described above.
    static QueueInput expand(const QUrl& url);

private:
    struct Reading;
};

} // namespace MovraReference
