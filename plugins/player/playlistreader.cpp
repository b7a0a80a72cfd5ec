#include "playlistreader.h"
#include "playqueue.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <map>

namespace MovraReference {

namespace {

QString tx(const char* text)
{
    return QCoreApplication::translate("MovraPlayQueue", text);
}

// Playlists inside playlists are followed this deep; deeper is a chain nobody writes by hand.
constexpr int kMaxNesting = 16;

// Schemes of addresses libavformat opens; anything else in a playlist is not playable.
bool isNetworkScheme(const QString& scheme)
{
    static const QSet<QString> kSchemes = {
        QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("ftp"),  QStringLiteral("sftp"),
        QStringLiteral("rtmp"), QStringLiteral("rtmps"), QStringLiteral("rtsp"), QStringLiteral("rtsps"),
        QStringLiteral("rtp"),  QStringLiteral("srt"),   QStringLiteral("udp"),  QStringLiteral("tcp"),
        QStringLiteral("mms"),  QStringLiteral("mmsh"),  QStringLiteral("mmst")};
    return kSchemes.contains(scheme.toLower());
}

// Text of a playlist: UTF-8 when it is valid UTF-8 (always for .m3u8), else Latin-1, which
// older .m3u writers used; a byte-order mark is dropped.
QString decodePlaylist(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

// The entries of an .m3u/.m3u8: every line that is not blank and not a #-directive.
QStringList m3uEntries(const QString& text)
{
    QStringList entries;
    const QList<QStringView> lines = QStringView(text).split(QLatin1Char('\n'));
    for (QStringView line : lines) {
        line = line.trimmed();
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
            entries.append(line.toString());
    }
    return entries;
}

// The entries of a .pls: the FileN= lines in the order of N (as players read it; the
// NumberOfEntries line is advice, not a limit).
QStringList plsEntries(const QString& text)
{
    std::multimap<qint64, QString> numbered;
    const QList<QStringView> lines = QStringView(text).split(QLatin1Char('\n'));
    for (QStringView line : lines) {
        line = line.trimmed();
        if (!line.startsWith(QLatin1String("file"), Qt::CaseInsensitive))
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        bool ok = false;
        const qint64 number = line.mid(4, equals - 4).trimmed().toLongLong(&ok);
        const QStringView value = line.mid(equals + 1).trimmed();
        if (ok && !value.isEmpty())
            numbered.emplace(number, value.toString());
    }
    QStringList entries;
    entries.reserve(qsizetype(numbered.size()));
    for (const auto& [number, value] : numbered)
        entries.append(value);
    return entries;
}

bool isPlaylistSuffix(const QString& suffix)
{
    return suffix.compare(QLatin1String("m3u"), Qt::CaseInsensitive) == 0
           || suffix.compare(QLatin1String("m3u8"), Qt::CaseInsensitive) == 0
           || suffix.compare(QLatin1String("pls"), Qt::CaseInsensitive) == 0;
}

} // namespace

struct PlaylistReader::Reading
{
    QueueInput result;
    // Canonical paths of the playlists being read, outermost first: an entry naming one of
    // them would never end.
    QStringList open;
    bool full = false;

    // `reason` holds %1 for the entry's name.
    void skip(const QString& name, const QString& reason)
    {
        ++result.skipped;
        if (result.skippedNames.size() < kMaxNamedSkips)
            result.skippedNames.append(reason.arg(name));
    }

    void add(const QUrl& url)
    {
        if (result.urls.size() >= kMaxEntries) {
            full = true;
            return;
        }
        result.urls.append(url);
    }

    void addLocal(const QString& path, const QString& shownAs)
    {
        const QFileInfo info(path);
        if (!info.exists()) {
            skip(shownAs, tx("%1 (the file does not exist)"));
        } else if (info.isDir()) {
            const QStringList files = mediaFilesIn(info.absoluteFilePath());
            if (files.isEmpty())
                skip(shownAs, tx("%1 (the folder holds no media files)"));
            for (const QString& file : files)
                add(QUrl::fromLocalFile(file));
        } else if (!info.isReadable()) {
            skip(shownAs, tx("%1 (the file cannot be read)"));
        } else if (isPlaylistSuffix(info.suffix())) {
            readPlaylist(info, shownAs);
        } else {
            add(QUrl::fromLocalFile(path));
        }
    }

    void readPlaylist(const QFileInfo& info, const QString& shownAs)
    {
        const QString canonical = info.canonicalFilePath();
        if (open.contains(canonical)) {
            skip(shownAs, tx("%1 (the playlist includes itself)"));
            return;
        }
        if (open.size() >= kMaxNesting) {
            skip(shownAs, tx("%1 (playlists nested too deeply)"));
            return;
        }
        if (info.size() > kMaxPlaylistBytes) {
            skip(shownAs, tx("%1 (too large for a playlist)"));
            return;
        }
        QFile file(info.absoluteFilePath());
        if (!file.open(QIODevice::ReadOnly)) {
            skip(shownAs, tx("%1 (the file cannot be read)"));
            return;
        }
        const QString text = decodePlaylist(file.read(kMaxPlaylistBytes));
        const QStringList entries =
            info.suffix().compare(QLatin1String("pls"), Qt::CaseInsensitive) == 0 ? plsEntries(text) : m3uEntries(text);
        open.append(canonical);
        const QDir folder = info.absoluteDir();
        for (const QString& entry : entries) {
            if (full)
                break;
            addEntry(entry, folder);
        }
        open.removeLast();
        if (full && open.isEmpty())
            skip(shownAs, tx("%1 (only the first %2 entries were queued)").arg(QStringLiteral("%1"), QString::number(kMaxEntries)));
    }

    void addEntry(const QString& entry, const QDir& folder)
    {
        // No file name holds a NUL: such a line is binary, not an entry.
        if (hasScheme(entry) || entry.contains(QChar(0))) {
            const QUrl asUrl(entry, QUrl::StrictMode);
            if (asUrl.isValid() && asUrl.isLocalFile())
                addLocal(asUrl.toLocalFile(), entry);
            else if (asUrl.isValid() && isNetworkScheme(asUrl.scheme()))
                add(asUrl);
            else
                skip(entry, tx("%1 (not a file or an address the player can open)"));
            return;
        }
        QString path = folder.absoluteFilePath(entry);
        // Playlists written on Windows separate folders with backslashes.
        if (entry.contains(QLatin1Char('\\')) && !QFileInfo::exists(path))
            path = folder.absoluteFilePath(QString(entry).replace(QLatin1Char('\\'), QLatin1Char('/')));
        addLocal(QDir::cleanPath(path), entry);
    }

    // "scheme:" with a scheme of two characters or more; one letter is a Windows drive.
    static bool hasScheme(const QString& entry)
    {
        const qsizetype colon = entry.indexOf(QLatin1Char(':'));
        if (colon < 2 || !isAsciiLetter(entry.at(0)))
            return false;
        for (qsizetype i = 1; i < colon; ++i) {
            const QChar c = entry.at(i);
            if (!isAsciiLetter(c) && !(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && c != QLatin1Char('+')
                && c != QLatin1Char('-') && c != QLatin1Char('.'))
                return false;
        }
        return true;
    }

    static bool isAsciiLetter(QChar c)
    {
        return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
    }
};

QString QueueInput::notice() const
{
    if (skipped == 0)
        return QString();
    QString text = tx("Skipped: %1").arg(skippedNames.join(QStringLiteral("; ")));
    if (skipped > skippedNames.size())
        text += QLatin1Char(' ') + tx("(%1 more)").arg(skipped - skippedNames.size());
    return text;
}

bool PlaylistReader::isPlaylist(const QString& path)
{
    return isPlaylistSuffix(QFileInfo(path).suffix());
}

QueueInput PlaylistReader::expand(const QUrl& url)
{
    Reading reading;
    if (url.isLocalFile()) {
        const QString path = url.toLocalFile();
        const QFileInfo info(path);
        // A single file goes on as it is: if it cannot play, the window says why when it comes.
        if (info.isDir() || (isPlaylist(path) && info.isFile()))
            reading.addLocal(path, path);
        else
            reading.add(url);
    } else if (url.isValid()) {
        reading.add(url);
    }
    return reading.result;
}

} // namespace MovraReference
