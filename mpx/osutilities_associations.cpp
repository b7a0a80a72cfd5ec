// The user's default programs on a freedesktop system, through GIO, which is what the
// desktops themselves read: a desktop entry for the player, a MIME package for the file
// types the shared MIME database lacks, and the user's defaults in mimeapps.list.
//
// The defaults are written to the user's mimeapps.list here, all of them in one rewrite
// (GIO would rewrite and sync the whole file once per type); taking a default back still
// goes through GIO. Both rewrite the file as a whole, through a new file and a rename, so
// before anything is written the file is checked, and one a rewrite would damage is left
// exactly as it is.

#include "integration/filetypes.h"
#include "mpx/associationsmodule_p.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QElapsedTimer>
#include <QSet>
#include <QStandardPaths>

// GIO's headers name struct members "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcIntegration, "movra.integration", QtWarningMsg)

namespace MovraPlayerX {

namespace {

constexpr char kDesktopId[] = "movra-player.desktop";
constexpr char kIconName[] = "movra-player";
constexpr char kMimePackageName[] = "movra-player.xml";
constexpr char kDefaultGroup[] = "Default Applications";
constexpr char kAddedGroup[] = "Added Associations";
constexpr char kRemovedGroup[] = "Removed Associations";

template <typename T>
struct GFreeDeleter
{
    void operator()(T* pointer) const { g_free(pointer); }
};
using GCharPtr = std::unique_ptr<char, GFreeDeleter<char>>;

struct ObjectUnref
{
    void operator()(gpointer object) const
    {
        if (object)
            g_object_unref(object);
    }
};
using AppInfoPtr = std::unique_ptr<GAppInfo, ObjectUnref>;

struct KeyFileFree
{
    void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFilePtr = std::unique_ptr<GKeyFile, KeyFileFree>;

struct StrvFree
{
    void operator()(char** list) const { g_strfreev(list); }
};
using StrvPtr = std::unique_ptr<char*, StrvFree>;

// What went wrong during one call, reported as one warning at its end. A process that
// meets the same trouble twice (the start and a maintenance request) says it once.
class Problems
{
public:
    // A silent collection: for lookups, whose troubles the next change meets and reports.
    explicit Problems(bool report = true) : report(report) {}
    void reportAfterAll() { report = true; }
    void add(const QString& problem)
    {
        if (!problems.contains(problem))
            problems << problem;
    }
    bool isEmpty() const { return problems.isEmpty(); }
    ~Problems()
    {
        if (problems.isEmpty() || !report)
            return;
        const QString message = QStringLiteral("file-type associations: ") + problems.join(QStringLiteral("; "));
        static std::mutex mutex;
        static QSet<QString> reported;
        std::lock_guard<std::mutex> lock(mutex);
        if (reported.contains(message))
            return;
        reported.insert(message);
        qCWarning(lcIntegration).noquote() << message;
    }

private:
    bool report;
    QStringList problems;
};

QString userDataDir()
{
    return QFile::decodeName(g_get_user_data_dir());
}

QString userConfigDir()
{
    return QFile::decodeName(g_get_user_config_dir());
}

QByteArray resource(const QString& name)
{
    QFile file(QStringLiteral(":/movra/integration/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The folders of the files written since the last syncWrittenFiles().
QStringList g_unsyncedFolders;

void noteWritten(const QString& folder)
{
    if (!g_unsyncedFolders.contains(folder))
        g_unsyncedFolders << folder;
}

// The files written since the last call reach the disk, all in one sync of each file system
// they are on (the data and configuration folders usually share one): the first start
// writes a handful of them (and the MIME database a dozen more) and would otherwise wait
// for each on its own. A file lost to a crash before this is written again at the next
// start, which finds it missing or different.
void syncWrittenFiles()
{
    QList<dev_t> synced;
    for (const QString& path : std::as_const(g_unsyncedFolders)) {
        const int folder = open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat status;
        if (folder >= 0 && fstat(folder, &status) == 0 && !synced.contains(status.st_dev)) {
            synced << status.st_dev;
            syncfs(folder);
        }
        if (folder >= 0)
            close(folder);
    }
    g_unsyncedFolders.clear();
}

// Replaces `path` with `contents` through a new file beside it and a rename, so a reader
// sees the old file or the new one; an existing file's permissions are kept, a new one
// gets `newMode`. Left for syncWrittenFiles() to make durable.
bool replaceFile(const QString& path, const QByteArray& contents, QString* error, mode_t newMode = 0644)
{
    const QByteArray target = QFile::encodeName(path);
    QByteArray temporary = target + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    struct stat existing;
    const mode_t mode = stat(target.constData(), &existing) == 0 ? (existing.st_mode & 07777) : newMode;
    bool ok = fchmod(fd, mode) == 0;
    for (qsizetype done = 0; ok && done < contents.size();) {
        const ssize_t n = write(fd, contents.constData() + done, static_cast<size_t>(contents.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? n : 0;
    }
    if (!ok)
        *error = QString::fromLocal8Bit(strerror(errno));
    if (close(fd) != 0 && ok) {
        ok = false;
        *error = QString::fromLocal8Bit(strerror(errno));
    }
    if (ok && rename(temporary.constData(), target.constData()) != 0) {
        ok = false;
        *error = QString::fromLocal8Bit(strerror(errno));
    }
    if (!ok)
        unlink(temporary.constData());
    if (ok)
        noteWritten(QFileInfo(path).absolutePath());
    return ok;
}

// Writes `contents` through a new file and a rename unless the file already holds them.
// True when the file now holds them.
bool writeFileIfChanged(const QString& path, const QByteArray& contents, Problems& problems, bool* changed = nullptr)
{
    if (changed)
        *changed = false;
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == contents)
        return true;
    existing.close();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        problems.add(QStringLiteral("cannot create the folder %1").arg(QFileInfo(path).absolutePath()));
        return false;
    }
    QString error;
    if (!replaceFile(path, contents, &error)) {
        problems.add(QStringLiteral("cannot write %1: %2").arg(path, error));
        return false;
    }
    if (changed)
        *changed = true;
    return true;
}

bool systemHasMimeType(const char* mimeType)
{
    for (const char* const* dir = g_get_system_data_dirs(); dir && *dir; ++dir) {
        if (QFileInfo::exists(QFile::decodeName(*dir) + QStringLiteral("/mime/") + QLatin1String(mimeType)
                              + QStringLiteral(".xml")))
            return true;
    }
    return false;
}

// The player's own types (integration/movra-player-mime.xml), and the common types of its
// extensions (kFileTypes rows with a comment) on a system whose database lacks them: a
// second definition of a type the system has would hide its translated descriptions.
QByteArray mimePackage()
{
    QByteArray package = resource(QStringLiteral("movra-player-mime.xml"));
    QByteArray extra;
    QSet<QByteArray> declared;
    for (const FileTypeRow& type : kFileTypes) {
        if (!type.mimeComment || systemHasMimeType(type.mimeType))
            continue;
        if (!declared.contains(type.mimeType)) {
            declared.insert(type.mimeType);
            extra += QByteArray("  <mime-type type=\"") + type.mimeType + "\">\n    <comment>" + type.mimeComment
                     + "</comment>\n    <generic-icon name=\"video-x-generic\"/>\n";
            for (const FileTypeRow& same : kFileTypes) {
                if (same.mimeComment && qstrcmp(same.mimeType, type.mimeType) == 0)
                    extra += QByteArray("    <glob pattern=\"*.") + same.extension + "\"/>\n";
            }
            extra += "  </mime-type>\n";
        }
    }
    package.replace("</mime-info>", extra + "</mime-info>");
    return package;
}

// Runs `tool` with one argument and waits for it (at most 30 s); true when it ran and
// answered 0. Started with posix_spawn rather than fork: the process has threads by now
// (Qt's, GIO's), and a fork would copy their locks in whatever state they are. `extra`
// ("NAME=value") is added to its environment.
bool runTool(const QString& tool, const QString& argument, QString& output, const char* extra = nullptr)
{
    std::vector<char*> environment;
    for (char** entry = environ; *entry; ++entry)
        environment.push_back(*entry);
    if (extra)
        environment.push_back(const_cast<char*>(extra));
    environment.push_back(nullptr);

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        output = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);

    const QByteArray program = QFile::encodeName(tool);
    const QByteArray folder = QFile::encodeName(argument);
    char* const argv[] = {const_cast<char*>(program.constData()), const_cast<char*>(folder.constData()), nullptr};
    pid_t child = -1;
    const int spawned = posix_spawn(&child, program.constData(), &actions, &attributes, argv, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        output = QString::fromLocal8Bit(strerror(spawned));
        return false;
    }

    QByteArray collected;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        pollfd readable{pipeFds[0], POLLIN, 0};
        const qint64 left = 30000 - clock.elapsed();
        if (left <= 0 || poll(&readable, 1, static_cast<int>(left)) <= 0) {
            if (left > 0 && errno == EINTR)
                continue;
            kill(child, SIGKILL);
            collected += "(timed out)";
            break;
        }
        char buffer[4096];
        const ssize_t got = read(pipeFds[0], buffer, sizeof(buffer));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break; // the tool closed its end: it is done
        if (collected.size() < 65536)
            collected.append(buffer, got);
    }
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    output = QString::fromLocal8Bit(collected);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The player's types in the user's MIME database, rebuilt when the package changed or the
// database is older than it.
void ensureMimePackage(Problems& problems)
{
    const QString mimeDir = userDataDir() + QStringLiteral("/mime");
    const QString packagePath = mimeDir + QStringLiteral("/packages/") + QLatin1String(kMimePackageName);
    bool changed = false;
    if (!writeFileIfChanged(packagePath, mimePackage(), problems, &changed))
        return;
    const QFileInfo cache(mimeDir + QStringLiteral("/mime.cache"));
    if (!changed && cache.exists() && cache.lastModified() >= QFileInfo(packagePath).lastModified())
        return;

    const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (tool.isEmpty()) {
        problems.add(QStringLiteral("update-mime-database (shared-mime-info) is not installed, so the player's own "
                                    "file types have no MIME type"));
        return;
    }
    // The tool syncs each of the dozen files it writes; as package managers do, it is asked
    // not to, and syncWrittenFiles() makes all of them durable at once. A database lost to a
    // crash before then is older than the package or missing, so it is rebuilt next time.
    QString output;
    const bool ran = runTool(tool, mimeDir, output, "PKGSYSTEM_ENABLE_FSYNC=0");
    noteWritten(mimeDir);
    if (!ran) {
        problems.add(QStringLiteral("update-mime-database %1 failed: %2").arg(mimeDir, output.trimmed()));
        return;
    }
    // GIO reads the database again only now and then; this makes it read it at once.
    g_content_type_set_mime_dirs(nullptr);
}

// A program path as one argument of a desktop entry's Exec key, escaped for the key file.
QString execArgument(const QString& path)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = false;
    for (const QChar c : path)
        quote = quote || reserved.contains(c);
    QString argument;
    for (const QChar c : path) {
        if (quote && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\')))
            argument += QLatin1Char('\\');
        argument += c;
    }
    if (quote)
        argument = QLatin1Char('"') + argument + QLatin1Char('"');
    argument.replace(QLatin1Char('%'), QStringLiteral("%%"));
    // The key file's own escape for a backslash.
    argument.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return argument;
}

// Where a data folder holds the player's desktop entry; empty when none does. Asked of the
// file system, not of GIO: GIO indexes the folders on first use and sees a file added
// after that only once a file monitor has told it, which may take seconds.
QString installedDesktopEntry()
{
    QStringList folders{userDataDir()};
    for (const char* const* dir = g_get_system_data_dirs(); dir && *dir; ++dir)
        folders << QFile::decodeName(*dir);
    for (const QString& folder : std::as_const(folders)) {
        const QString path = folder + QStringLiteral("/applications/") + QLatin1String(kDesktopId);
        if (QFileInfo::exists(path))
            return path;
    }
    return QString();
}

// A desktop entry's string value: backslashes and control characters escaped.
QByteArray desktopString(const QString& value)
{
    QByteArray escaped;
    for (const char c : value.toUtf8()) {
        switch (c) {
        case '\\': escaped += "\\\\"; break;
        case '\n': escaped += "\\n"; break;
        case '\t': escaped += "\\t"; break;
        case '\r': escaped += "\\r"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

// The icon of an entry written here lives in a folder of the player's own and the entry names
// it by path. A user's icons/hicolor folder has no icon cache, and Qt then looks in every one of
// its size folders for every themed icon a program asks for: tens of thousands of failed
// look-ups at each start of every Qt program of that user.
QString userIconPath()
{
    return userDataDir() + QStringLiteral("/movra-player/") + QLatin1String(kIconName) + QStringLiteral(".svg");
}

// Earlier versions put the icon into the user's theme. It goes, with the folders that held
// only it; a file there that is not ours, or anything beside it, stays.
void removeThemedIcon(const QByteArray& ours)
{
    const QString icons = userDataDir() + QStringLiteral("/icons");
    const QString apps = icons + QStringLiteral("/hicolor/scalable/apps");
    const QString old = apps + QLatin1Char('/') + QLatin1String(kIconName) + QStringLiteral(".svg");
    QFile file(old);
    if (!file.open(QIODevice::ReadOnly) || file.readAll() != ours)
        return;
    file.close();
    if (!QFile::remove(old))
        return;
    QDir dir;
    for (const QString& folder : {apps, icons + QStringLiteral("/hicolor/scalable"), icons + QStringLiteral("/hicolor"), icons}) {
        if (!dir.rmdir(folder)) // not empty
            break;
    }
}

// The player's desktop entry. Written to the user's applications folder when no data
// folder has one, and kept naming the program that runs now while it is the copy written
// here (an installed entry is the package's business). Runs before the first question to
// GIO about programs, so that GIO's index already holds the entry. What it writes is left
// for the caller's syncWrittenFiles().
AppInfoPtr ensureDesktopEntry(Problems& problems)
{
    const QString path = userDataDir() + QStringLiteral("/applications/") + QLatin1String(kDesktopId);
    const QString installed = installedDesktopEntry();
    if (installed.isEmpty() || installed == path) {
        const QByteArray svg = resource(QStringLiteral("movra-player.svg"));
        const QString icon = userIconPath();
        QByteArray entry = resource(QStringLiteral("movra-player.desktop.in"));
        entry.replace("@MOVRA_EXEC@", execArgument(QCoreApplication::applicationFilePath()).toUtf8());
        // The icon first, so that the entry never names a file that is not there.
        Problems ignored(false); // a missing icon is cosmetic
        if (QFileInfo::exists(icon) || writeFileIfChanged(icon, svg, ignored))
            entry.replace("\nIcon=" + QByteArray(kIconName) + "\n", "\nIcon=" + desktopString(icon) + "\n");
        bool changed = false;
        if (writeFileIfChanged(path, entry, problems, &changed) && changed)
            removeThemedIcon(svg);
    }
    AppInfoPtr ours(G_APP_INFO(g_desktop_app_info_new(kDesktopId)));
    if (!ours && problems.isEmpty())
        problems.add(QStringLiteral("the desktop does not accept %1").arg(installed.isEmpty() ? path : installed));
    return ours;
}

QString userListPath()
{
    return userConfigDir() + QStringLiteral("/mimeapps.list");
}

// Why GIO must not rewrite the user's mimeapps.list; empty when it may. GIO keeps the
// groups and keys of a file it can read, and replaces anything else with a new file.
QString userListProblem()
{
    const QString path = userListPath();
    const QByteArray native = QFile::encodeName(path);
    struct stat status;
    if (lstat(native.constData(), &status) != 0)
        return errno == ENOENT ? QString() : QStringLiteral("cannot examine %1: %2").arg(path, QString::fromLocal8Bit(strerror(errno)));
    if (S_ISLNK(status.st_mode))
        return QStringLiteral("%1 is a symbolic link, which a rewrite would replace with a file; left unchanged").arg(path);
    if (!S_ISREG(status.st_mode))
        return QStringLiteral("%1 is not a file; left unchanged").arg(path);
    // A file without any write permission was made so on purpose, even where the caller
    // (root) could write it regardless.
    if (access(native.constData(), W_OK) != 0 || (status.st_mode & 0222) == 0)
        return QStringLiteral("%1 is read-only; left unchanged").arg(path);

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
    const QByteArray contents = file.readAll();
    if (!g_utf8_validate(contents.constData(), contents.size(), nullptr))
        return QStringLiteral("%1 is not UTF-8 text; left unchanged").arg(path);

    QSet<QByteArray> groups;
    for (const QByteArray& rawLine : contents.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (!line.startsWith('['))
            continue;
        const QByteArray name = line.mid(1, line.lastIndexOf(']') - 1);
        if (groups.contains(name))
            return QStringLiteral("%1 has the group [%2] twice; left unchanged").arg(path, QString::fromUtf8(name));
        groups.insert(name);
    }
    KeyFilePtr keys(g_key_file_new());
    GError* error = nullptr;
    if (!g_key_file_load_from_data(keys.get(), contents.constData(), contents.size(), G_KEY_FILE_NONE, &error)) {
        const QString why = QString::fromUtf8(error->message);
        g_error_free(error);
        return QStringLiteral("%1 cannot be read as a key file (%2); left unchanged").arg(path, why);
    }
    if (!contents.trimmed().isEmpty() && !g_key_file_has_group(keys.get(), kDefaultGroup)
        && !g_key_file_has_group(keys.get(), kAddedGroup) && !g_key_file_has_group(keys.get(), kRemovedGroup))
        return QStringLiteral("%1 holds none of the association groups, and a rewrite would drop what it holds; "
                              "left unchanged")
            .arg(path);
    return QString();
}

KeyFilePtr loadUserList()
{
    KeyFilePtr keys(g_key_file_new());
    if (!g_key_file_load_from_file(keys.get(), QFile::encodeName(userListPath()).constData(), G_KEY_FILE_NONE, nullptr))
        return nullptr;
    return keys;
}

QStringList listEntry(GKeyFile* keys, const char* group, const QByteArray& type)
{
    QStringList ids;
    StrvPtr list(g_key_file_get_string_list(keys, group, type.constData(), nullptr, nullptr));
    for (char** id = list.get(); id && *id; ++id)
        ids << QString::fromUtf8(*id);
    return ids;
}

// An empty list removes the key, as GIO does.
void setListEntry(GKeyFile* keys, const char* group, const QByteArray& type, const QStringList& ids)
{
    if (ids.isEmpty()) {
        g_key_file_remove_key(keys, group, type.constData(), nullptr);
        return;
    }
    QList<QByteArray> utf8;
    for (const QString& id : ids)
        utf8 << id.toUtf8();
    std::vector<const char*> list;
    for (const QByteArray& id : std::as_const(utf8))
        list.push_back(id.constData());
    g_key_file_set_string_list(keys, group, type.constData(), list.data(), list.size());
}

// Takes the player's default for `type` out of the user's list. GIO has no call that
// removes one default line: resetting the type clears every line of it, so the other
// programs' lines are put back afterwards, and a type whose lines name a program that is
// no longer installed (which GIO could not put back) is left alone.
bool removeOurDefault(const QByteArray& type, Problems& problems)
{
    KeyFilePtr keys = loadUserList();
    if (!keys)
        return true;
    GCharPtr current(g_key_file_get_string(keys.get(), kDefaultGroup, type.constData(), nullptr));
    if (!current || qstrcmp(current.get(), kDesktopId) != 0)
        return true;

    QStringList added = listEntry(keys.get(), kAddedGroup, type);
    added.removeAll(QLatin1String(kDesktopId));
    const QStringList removed = listEntry(keys.get(), kRemovedGroup, type);
    // (program, whether it is an added rather than a removed association)
    std::vector<std::pair<AppInfoPtr, bool>> restore;
    for (int i = 0; i < added.size() + removed.size(); ++i) {
        const bool supports = i < added.size();
        const QString& id = supports ? added.at(i) : removed.at(i - added.size());
        AppInfoPtr app(G_APP_INFO(g_desktop_app_info_new(id.toUtf8().constData())));
        if (!app) {
            problems.add(QStringLiteral("the default for %1 stays with the player: the list also names %2, "
                                        "which is not installed")
                             .arg(QString::fromUtf8(type), id));
            return false;
        }
        restore.emplace_back(std::move(app), supports);
    }

    g_app_info_reset_type_associations(type.constData());
    bool restored = true;
    for (auto& [app, supports] : restore) {
        GError* error = nullptr;
        const gboolean ok = supports ? g_app_info_add_supports_type(app.get(), type.constData(), &error)
                                     : g_app_info_remove_supports_type(app.get(), type.constData(), &error);
        if (!ok) {
            problems.add(QString::fromUtf8(error->message));
            g_error_free(error);
            restored = false;
        }
    }
    return restored;
}

// Makes the player the default for each of `types` in the user's list, as GIO would one
// type at a time: the default line names the player, the player joins the type's added
// associations (at the end, or where it already stands) and leaves its removed ones.
// Everything else in the file, other programs' lines, other groups and comments, stays.
// A missing or empty file starts a new one. Written once, and only when it changes; left
// for syncWrittenFiles() to make durable. Runs after userListProblem() found the file fit.
bool setOurDefaults(const QList<QByteArray>& types, Problems& problems)
{
    const QString path = userListPath();
    QFile file(path);
    QByteArray before;
    if (file.open(QIODevice::ReadOnly))
        before = file.readAll();
    file.close();
    KeyFilePtr keys(g_key_file_new());
    GError* error = nullptr;
    const auto flags = GKeyFileFlags(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS);
    if (!before.trimmed().isEmpty()
        && !g_key_file_load_from_data(keys.get(), before.constData(), before.size(), flags, &error)) {
        problems.add(QStringLiteral("%1 cannot be read as a key file (%2); left unchanged")
                         .arg(path, QString::fromUtf8(error->message)));
        g_error_free(error);
        return false;
    }
    const QString ours = QLatin1String(kDesktopId);
    for (const QByteArray& type : types) {
        GCharPtr current(g_key_file_get_string(keys.get(), kDefaultGroup, type.constData(), nullptr));
        if (!current || qstrcmp(current.get(), kDesktopId) != 0) {
            g_key_file_set_string(keys.get(), kDefaultGroup, type.constData(), kDesktopId);
            QStringList added = listEntry(keys.get(), kAddedGroup, type);
            if (!added.contains(ours))
                setListEntry(keys.get(), kAddedGroup, type, added << ours);
        }
        QStringList removed = listEntry(keys.get(), kRemovedGroup, type);
        if (removed.removeAll(ours) > 0)
            setListEntry(keys.get(), kRemovedGroup, type, removed);
    }
    gsize size = 0;
    GCharPtr data(g_key_file_to_data(keys.get(), &size, nullptr));
    const QByteArray after(data.get(), static_cast<qsizetype>(size));
    if (after == before)
        return true;
    QString why;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !replaceFile(path, after, &why, 0600)) {
        problems.add(QStringLiteral("cannot write %1: %2").arg(path, why.isEmpty() ? QStringLiteral("no folder") : why));
        return false;
    }
    return true;
}

QString mimeTypeForExtension(const QString& dottedExtension)
{
    QString extension = dottedExtension;
    if (extension.startsWith(QLatin1Char('.')))
        extension.remove(0, 1);
    if (extension.isEmpty() || extension.contains(QLatin1Char('/')))
        return QString();
    gboolean uncertain = FALSE;
    GCharPtr type(g_content_type_guess(("x." + extension.toUtf8()).constData(), nullptr, 0, &uncertain));
    if (!type || g_content_type_is_unknown(type.get()))
        return QString();
    GCharPtr mime(g_content_type_get_mime_type(type.get()));
    return mime ? QString::fromUtf8(mime.get()) : QString();
}

bool getFileTypeAssociations(const QStringList& extensions, QMap<QString, QString>& programs)
{
    // What this writes is made durable by the next change (a first start asks, then
    // changes) or written again by the next start, which finds it missing.
    Problems problems(false);
    ensureMimePackage(problems);
    ensureDesktopEntry(problems);
    bool anyType = extensions.isEmpty();
    for (const QString& extension : extensions) {
        const QString type = mimeTypeForExtension(extension);
        QString program;
        if (!type.isEmpty()) {
            anyType = true;
            AppInfoPtr app(g_app_info_get_default_for_type(type.toUtf8().constData(), FALSE));
            if (app && g_app_info_get_id(app.get()))
                program = QString::fromUtf8(g_app_info_get_id(app.get()));
        }
        programs.insert(extension, program);
    }
    // Without any MIME database nothing can be told, and every type would look unclaimed.
    if (!anyType) {
        problems.add(QStringLiteral("no MIME database, so no file type can be told"));
        problems.reportAfterAll();
    }
    return anyType;
}

bool setFileTypeAssociations(const QMap<QString, bool>& wanted)
{
    Problems problems;
    ensureMimePackage(problems);
    AppInfoPtr ours = ensureDesktopEntry(problems);
    struct SyncAtEnd
    {
        ~SyncAtEnd() { syncWrittenFiles(); }
    } syncAtEnd;

    const QString refusal = userListProblem();
    if (!refusal.isEmpty()) {
        problems.add(refusal);
        return false;
    }

    // Extensions may share a type (".mpg" and ".mpeg"); a type one of them wants is kept.
    QMap<QByteArray, bool> types;
    bool complete = true;
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
        const QString type = mimeTypeForExtension(it.key());
        if (type.isEmpty()) {
            complete = false;
            continue;
        }
        types[type.toUtf8()] = types.value(type.toUtf8(), false) || it.value();
    }

    QList<QByteArray> defaults;
    for (auto it = types.cbegin(); it != types.cend(); ++it) {
        if (!it.value())
            complete = removeOurDefault(it.key(), problems) && complete;
        else if (ours)
            defaults << it.key();
        else
            complete = false;
    }
    if (!defaults.isEmpty())
        complete = setOurDefaults(defaults, problems) && complete;
    return complete;
}

const AssociationFunctions kFunctions = {getFileTypeAssociations, setFileTypeAssociations, mimeTypeForExtension};

} // namespace

} // namespace MovraPlayerX

extern "C" __attribute__((visibility("default"))) const MovraPlayerX::AssociationFunctions* MPXAssociations_functions()
{
    return &MovraPlayerX::kFunctions;
}
