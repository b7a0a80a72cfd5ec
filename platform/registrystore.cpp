// The SQLite life cycle of a registry root: opening, creating and closing its database,
// and what makes a root broken.

#include "platform/registrystore_internal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcRegistry, "movra.platform.registry", QtWarningMsg)

namespace MovraRegistry {

using namespace StoreDetail;

namespace {

bool pathExists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::string parentDirectory(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Whether a database could be created at `path` without creating anything to find out:
// the nearest existing ancestor folder must be writable.
bool canCreateAt(const std::string& path)
{
    std::string dir = parentDirectory(path);
    while (!pathExists(dir)) {
        const std::string up = parentDirectory(dir);
        if (up == dir)
            return false;
        dir = up;
    }
    return ::access(dir.c_str(), W_OK | X_OK) == 0;
}

bool makeDirectories(const std::string& dir, mode_t mode)
{
    if (pathExists(dir))
        return true;
    const std::string up = parentDirectory(dir);
    if (up != dir && !makeDirectories(up, mode))
        return false;
    return ::mkdir(dir.c_str(), mode) == 0 || errno == EEXIST;
}

// Takes the group's and others' rights away from a file or folder of ours.
void restrictToOwner(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 077) != 0
        && ::chmod(path.c_str(), st.st_mode & 07700) != 0)
        qCDebug(lcRegistry, "cannot make %s private: %s", path.c_str(), std::strerror(errno));
}

} // namespace

RegistryStore::~RegistryStore()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    closeDatabase_locked();
    for (Statement* statement : m_statements)
        delete statement;
}

sqlite3_stmt* RegistryStore::statement_locked(Statement* statement)
{
    if (!statement->stmt && m_db) {
        const int rc = sqlite3_prepare_v3(m_db, statement->sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT,
                                          &statement->stmt, nullptr);
        // Our own statements compile against any root of ours; one that does not has a
        // schema that is not ours, which the next error report marks as broken.
        if (rc != SQLITE_OK && (rc & 0xFF) == SQLITE_ERROR && m_statementProblem.empty())
            m_statementProblem = std::string("unexpected schema: ") + sqlite3_errmsg(m_db);
    }
    return statement->stmt;
}

std::string RegistryStore::problem_locked()
{
    prepare_locked(false);
    return m_state == State::Broken ? m_problem : std::string();
}

LONG RegistryStore::checkWritable_locked()
{
    const LONG rc = prepare_locked(false);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (m_state == State::Open)
        return m_readOnly ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
    if (pathExists(m_path))
        return ERROR_ACCESS_DENIED; // an empty file we may not write
    return !m_forceReadOnly && canCreateAt(m_path) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

void RegistryStore::closeDatabase_locked()
{
    // The checkpointer's connection goes first: a checkpoint under way finishes before ours
    // closes. Neither copies the log back on closing (keepLogFiles).
    delete m_checkpointer;
    m_checkpointer = nullptr;
    m_walChange = nullptr;
    m_walFrames = 0;
    m_signal = ChangeSignal::FileHeader;
    // Closing rolls an open batch back: its end must not report the writes as kept.
    if (m_batchOpen) {
        m_batchOpen = false;
        if (m_batchError == ERROR_SUCCESS)
            m_batchError = ERROR_CANTWRITE;
    }
    for (Statement* statement : m_statements) {
        sqlite3_finalize(statement->stmt);
        statement->stmt = nullptr;
    }
    m_statementProblem.clear();
    m_wholeRootTried = false;
    if (m_db)
        sqlite3_close(m_db);
    m_db = nullptr;
    m_file = nullptr;
    m_cache.clear();
    m_stamp = -1;
}

LONG RegistryStore::markBroken_locked(const std::string& reason)
{
    if (m_state != State::Broken)
        qCWarning(lcRegistry, "registry file %s cannot be used: %s", m_path.c_str(), reason.c_str());
    closeDatabase_locked();
    m_state = State::Broken;
    m_problem = m_path + ": " + reason;
    return ERROR_BADDB;
}

LONG RegistryStore::sqliteError_locked(int rc, bool writing)
{
    if (!m_statementProblem.empty()) {
        const std::string problem = m_statementProblem;
        return markBroken_locked(problem);
    }
    switch (rc & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return markBroken_locked(sqlite3_errstr(rc));
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ERROR_BUSY;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return ERROR_ACCESS_DENIED;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_NOMEM:
        return ERROR_OUTOFMEMORY;
    default:
        qCDebug(lcRegistry, "registry file %s: %s", m_path.c_str(), sqlite3_errmsg(m_db));
        return writing ? ERROR_CANTWRITE : ERROR_CANTREAD;
    }
}

// Brings the root to a usable state. For reads an absent file is an empty root; for
// writes it is created, unless the root cannot be written, in which case nothing is made.
LONG RegistryStore::prepare_locked(bool forWrite)
{
    switch (m_state) {
    case State::Broken:
        return ERROR_BADDB;
    case State::Open:
        return forWrite && m_readOnly ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
    case State::Closed:
    case State::Absent:
        break;
    }
    if (pathExists(m_path)) {
        const LONG rc = openDatabase_locked();
        if (rc != ERROR_SUCCESS)
            return rc;
        if (m_state == State::Open)
            return forWrite && m_readOnly ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
        // An empty file in a root we may not write: an empty root.
        return forWrite ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
    }
    m_state = State::Absent;
    if (!forWrite)
        return ERROR_SUCCESS;
    if (m_forceReadOnly || !canCreateAt(m_path))
        return ERROR_ACCESS_DENIED;
    return createDatabase_locked();
}

LONG RegistryStore::createDatabase_locked()
{
    // The machine root must stay readable by every user; a user's own root is private.
    if (!makeDirectories(parentDirectory(m_path), m_private ? 0700 : 0755)) {
        qCDebug(lcRegistry, "cannot create the folder of %s: %s", m_path.c_str(), std::strerror(errno));
        return ERROR_ACCESS_DENIED;
    }
    if (m_private) {
        // SQLite would create the file by the umask (usually 0644) and gives its journal the
        // database's mode, so the file is made here first.
        const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0)
            ::close(fd);
    }
    const int rc = sqlite3_open_v2(m_path.c_str(), &m_db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                   nullptr);
    if (rc != SQLITE_OK) {
        closeDatabase_locked();
        return ERROR_ACCESS_DENIED;
    }
    closeDatabase_locked();
    return openDatabase_locked() == ERROR_SUCCESS && m_state == State::Open && !m_readOnly
               ? ERROR_SUCCESS
               : (m_state == State::Broken ? ERROR_BADDB : ERROR_ACCESS_DENIED);
}

LONG RegistryStore::openDatabase_locked()
{
    closeDatabase_locked();
    const std::string dir = parentDirectory(m_path);
    // The journal lives beside the database, so writing needs the folder as well.
    m_readOnly = m_forceReadOnly || ::access(m_path.c_str(), W_OK) != 0 || ::access(dir.c_str(), W_OK) != 0;
    int rc = sqlite3_open_v2(m_path.c_str(), &m_db,
                             (m_readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    if (rc != SQLITE_OK) {
        const std::string reason = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
        return markBroken_locked(reason);
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(m_db, 1);
    if (m_writeAheadLog)
        keepLogFiles(m_db);
    if (sqlite3_file_control(m_db, "main", SQLITE_FCNTL_FILE_POINTER, &m_file) != SQLITE_OK || !m_file
        || !m_file->pMethods)
        return markBroken_locked("cannot read the file header");

    if (m_private && !m_readOnly) {
        // A folder shared with the machine root, or files an earlier version left readable.
        restrictToOwner(dir);
        restrictToOwner(m_path);
        // SQLite gives a log it creates the database's mode, but not one that exists.
        restrictToOwner(m_path + "-wal");
        restrictToOwner(m_path + "-shm");
    }
    struct stat st;
    if (::stat(m_path.c_str(), &st) != 0)
        return markBroken_locked(std::strerror(errno));
    if (st.st_size == 0) {
        if (m_readOnly) {
            closeDatabase_locked();
            m_state = State::Absent;
            return ERROR_SUCCESS;
        }
        // An empty file takes the log before its first transaction, so that the schema is
        // one commit to the log rather than a journalled commit and a second one to switch.
        // The switch writes the first page through a rollback journal; with nothing in the
        // file to protect, the journal is not synced (it still rolls back a killed
        // process), and the page is made durable by one sync of the file: without it, a
        // power cut after the first commit to the log would leave an empty file, whose
        // log SQLite then throws away with the commit in it.
        if (m_writeAheadLog) {
            sqlite3_exec(m_db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
            const bool switched = sqlite3_exec(m_db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr) == SQLITE_OK;
            sqlite3_exec(m_db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
            if (switched && m_file->pMethods->xSync(m_file, SQLITE_SYNC_NORMAL) != SQLITE_OK)
                return markBroken_locked("cannot make the new file durable");
        }
        const LONG init = initialiseSchema_locked();
        if (init != ERROR_SUCCESS)
            return init;
    }

    // One read transaction: read in separate ones, the facts could straddle another
    // process's first commit (no application id yet, but tables already) and a new root
    // would pass for a foreign database. Plain pragmas, not their table-valued forms, each
    // of which would compile a table declaration of its own.
    int64_t facts[5] = {0, 0, 0, 0, 0};
    const char* const factQueries[5] = {"SELECT count(*) FROM sqlite_schema", "PRAGMA application_id",
                                        "PRAGMA user_version", "PRAGMA page_count", "PRAGMA page_size"};
    // A new root's schema may have begun its batch's transaction already; it is read there.
    const bool ownTransaction = sqlite3_get_autocommit(m_db);
    rc = ownTransaction ? sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr) : SQLITE_OK;
    for (int i = 0; i < 5 && rc == SQLITE_OK; ++i) {
        sqlite3_stmt* stmt = nullptr;
        rc = sqlite3_prepare_v2(m_db, factQueries[i], -1, &stmt, nullptr);
        if (rc == SQLITE_OK) {
            rc = sqlite3_step(stmt);
            if (rc == SQLITE_ROW) {
                facts[i] = sqlite3_column_int64(stmt, 0);
                rc = SQLITE_OK;
            }
        }
        sqlite3_finalize(stmt);
    }
    if (ownTransaction && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    const int64_t tables = facts[0], applicationId = facts[1], version = facts[2], pageCount = facts[3],
                  pageSize = facts[4];
    if (rc != SQLITE_OK) {
        // Only a file that is not a sound database is broken; a lock held elsewhere or a
        // hot journal this process may not roll back is tried again on the next call.
        if ((rc & 0xFF) == SQLITE_NOTADB || (rc & 0xFF) == SQLITE_CORRUPT)
            return markBroken_locked(sqlite3_errstr(rc));
        const LONG error = sqliteError_locked(rc, false);
        closeDatabase_locked();
        return error;
    }
    if (fileIsTruncated(m_file, m_path, pageCount, pageSize))
        return markBroken_locked("the file is truncated");
    if (applicationId != kApplicationId || version != kSchemaVersion) {
        // A database nobody has written yet (an empty file another process just created)
        // may become a root; any other database is not ours and is never touched.
        if (applicationId != 0 || tables != 0 || m_readOnly)
            return markBroken_locked("not a registry database");
        const LONG init = initialiseSchema_locked();
        if (init != ERROR_SUCCESS)
            return init;
    }
    if (!m_readOnly) {
        // Switching to or from a log needs the database to itself; while another process
        // holds it open the journal stays as it is, which works as well, only slower.
        if (m_writeAheadLog) {
            sqlite3_exec(m_db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
            sqlite3_exec(m_db, kJournalSizeLimit, nullptr, nullptr, nullptr);
        } else {
            sqlite3_exec(m_db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
        }
        sqlite3_exec(m_db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    }
    chooseChangeSignal_locked();
    m_state = State::Open;
    if (m_batchOpen) {
        m_batchCounter = changeCounter_locked();
        m_stamp = m_batchCounter;
    }
    return ERROR_SUCCESS;
}

} // namespace MovraRegistry
