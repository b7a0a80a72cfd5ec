#include "platform/registrystore.h"

#include <QLoggingCategory>

#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <thread>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

Q_LOGGING_CATEGORY(lcRegistry, "movra.platform.registry", QtWarningMsg)

namespace MovraRegistry {

namespace {

// 'MVRG': marks a database as a registry root, so no other SQLite file is ever written to.
constexpr int kApplicationId = 0x4D565247;
constexpr int kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 30000;
constexpr int kChangeCounterOffset = 24;
// The log index's header (SQLite's WalIndexHdr, in native byte order at the start of the
// -shm file): its version, then at byte 8 a counter every commit increments.
constexpr int kWalIndexRegionSize = 32768;
constexpr uint32_t kWalIndexVersion = 3007000;
constexpr int kWalIndexChangeOffset = 8;
// The log is used as a small ring. A checkpoint is asked for once it holds this many pages
// (about 256 KB); once everything in it was copied, the next commit starts the log over
// from its beginning and so overwrites blocks the file already has: a sync then only
// flushes data, where a commit that extends the file also waits for the file system's own
// journal to record the new size and blocks (about twice the time on ext4).
// A passive checkpoint lets the writers go on, so under a long burst of writes it may never
// catch up: from four times that size on, the writer itself copies everything after its
// commit, waiting for readers, so that the next commit starts over (the file is kept).
// A log that grew beyond the size limit (a large transaction) is cut back to it when it
// starts over; closing the last connection keeps the files, with the log emptied.
constexpr int kCheckpointFrames = 64;
constexpr int kBurstCheckpointFrames = 4 * kCheckpointFrames;
constexpr const char* kJournalSizeLimit = "PRAGMA journal_size_limit=2097152";

// Creating the log and its index at every start, and removing them at every exit, costs
// more than everything else the root does at start-up: both files are kept across
// connections. A log left by a process that died is recovered by the next connection as
// before; an emptied one holds nothing to recover.
void keepLogFiles(sqlite3* db)
{
    int persist = 1;
    sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
}

const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS keys("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  parent INTEGER NOT NULL,"
    "  name BLOB NOT NULL,"
    "  folded BLOB NOT NULL,"
    "  mtime INTEGER NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS keys_by_name ON keys(parent, folded);"
    "CREATE TABLE IF NOT EXISTS vals("
    "  id INTEGER PRIMARY KEY,"
    "  key INTEGER NOT NULL,"
    "  name BLOB NOT NULL,"
    "  folded BLOB NOT NULL,"
    "  type INTEGER NOT NULL,"
    "  data BLOB NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS vals_by_name ON vals(key, folded);";

// A key id is never reused (AUTOINCREMENT), so a handle to a deleted key can never find a
// newer key under its old id.
const char kSubtree[] =
    "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL SELECT keys.id FROM keys JOIN tree "
    "ON keys.parent = tree.id) ";

int64_t nowFileTime()
{
    // 100 ns units since 1601-01-01, as FILETIME counts.
    const auto since1970 = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return since1970.count() / 100 + 116444736000000000LL;
}

// Folded names are stored big-endian so that the index orders them by code unit.
std::string foldedBytes(const std::u16string& folded)
{
    std::string bytes(folded.size() * 2, '\0');
    for (size_t i = 0; i < folded.size(); ++i) {
        bytes[2 * i] = static_cast<char>(folded[i] >> 8);
        bytes[2 * i + 1] = static_cast<char>(folded[i] & 0xFF);
    }
    return bytes;
}

std::u16string foldedFromBytes(const void* data, int size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::u16string folded(static_cast<size_t>(size / 2), u'\0');
    for (size_t i = 0; i < folded.size(); ++i)
        folded[i] = static_cast<char16_t>((bytes[2 * i] << 8) | bytes[2 * i + 1]);
    return folded;
}

std::u16string nameFromBlob(const void* data, int size)
{
    std::u16string name(static_cast<size_t>(size / 2), u'\0');
    if (size > 0)
        std::memcpy(&name[0], data, name.size() * 2);
    return name;
}

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

uint32_t bigEndian32(const unsigned char* bytes)
{
    return (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
}

// How many pages the database file itself must hold. With a write-ahead log the database
// may be smaller than `pageCount`, the size its readers see, until the log's pages are
// copied back; the header's own record of the file's size (valid while the counter it was
// written at is the file change counter) is what the file must reach in either journal.
int64_t pagesInFile(const unsigned char (&header)[100], int64_t pageCount)
{
    const uint32_t inHeader = bigEndian32(header + 28);
    if (inHeader != 0 && bigEndian32(header + 92) == bigEndian32(header + 24))
        return inHeader;
    const bool writeAheadLog = header[18] == 2 || header[19] == 2;
    return writeAheadLog ? 0 : pageCount;
}

// The parts of the log index a truncation check needs: the header's change counter and
// last valid frame (first copy of the header), and how many of those frames a checkpoint
// has copied into the database (the checkpoint information after both header copies).
constexpr int kWalIndexMaxFrameOffset = 16;
constexpr int kWalIndexBackfillOffset = 96;

struct LogState
{
    uint32_t change = 0;
    uint32_t maxFrame = 0;
    uint32_t backfilled = 0;
    bool operator==(const LogState& other) const
    {
        return change == other.change && maxFrame == other.maxFrame && backfilled == other.backfilled;
    }
    // Every frame of the log is in the database file: the file must hold all its pages.
    bool copied() const { return backfilled >= maxFrame; }
};

// The log index as this connection maps it; false where it has no shared mapping of it (a
// read-only connection, a journal that is not a log).
bool readLogState(sqlite3_file* file, LogState* state)
{
    if (file->pMethods->iVersion < 2 || !file->pMethods->xShmMap)
        return false;
    volatile void* region = nullptr;
    if (file->pMethods->xShmMap(file, 0, kWalIndexRegionSize, 0, &region) != SQLITE_OK || !region)
        return false;
    const auto* words = static_cast<const uint32_t*>(const_cast<const void*>(region));
    if (__atomic_load_n(words, __ATOMIC_ACQUIRE) != kWalIndexVersion)
        return false;
    state->change = __atomic_load_n(words + kWalIndexChangeOffset / 4, __ATOMIC_ACQUIRE);
    state->maxFrame = __atomic_load_n(words + kWalIndexMaxFrameOffset / 4, __ATOMIC_ACQUIRE);
    state->backfilled = __atomic_load_n(words + kWalIndexBackfillOffset / 4, __ATOMIC_ACQUIRE);
    return true;
}

// Whether the database file is shorter than the pages it must hold. With a write-ahead
// log that is only damage when every frame of the log was copied back: a checkpoint
// writes page 1, with the new size in its header, before the pages after it, and one
// that was killed (or is still running in another process) leaves the rest in the log,
// from which readers take them and the next checkpoint copies them. So the check runs
// only on a log whose frames are all copied and that no other connection changed while
// the file was looked at; a log this connection cannot map counts as copied only when
// empty. Damage the check cannot see is left to SQLite, which reports it as corrupt.
bool fileIsTruncated(sqlite3_file* file, const std::string& path, int64_t pageCount, int64_t pageSize)
{
    unsigned char header[100] = {};
    if (file->pMethods->xRead(file, header, sizeof header, 0) != SQLITE_OK)
        return false;
    const bool writeAheadLog = header[18] == 2 || header[19] == 2;
    LogState before;
    const bool mapped = writeAheadLog && readLogState(file, &before);
    if (writeAheadLog && !mapped) {
        struct stat log;
        if (::stat((path + "-wal").c_str(), &log) == 0 && log.st_size > 0)
            return false;
    }
    if (mapped && !before.copied())
        return false;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return false;
    if (pagesInFile(header, pageCount) * pageSize <= st.st_size)
        return false;
    LogState after;
    return !mapped || (readLogState(file, &after) && after == before);
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

// Prepared on first use: a start that only reads never compiles the writes.
struct RegistryStore::Statement
{
    std::string sql;
    sqlite3_stmt* stmt = nullptr;
};

// Copies the write-ahead log back into the database beside the writes, on a connection
// and thread of its own, so that no write waits for a checkpoint and no reader waits
// behind one for the store's lock. A passive checkpoint never blocks writers or readers;
// what it cannot copy because a reader still needs it is copied the next time.
class RegistryStore::Checkpointer
{
public:
    explicit Checkpointer(std::string path) : m_path(std::move(path)) {}
    ~Checkpointer()
    {
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        if (m_thread.joinable())
            m_thread.join();
    }
    Checkpointer(const Checkpointer&) = delete;
    Checkpointer& operator=(const Checkpointer&) = delete;

    void request()
    {
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_pending = true;
            if (!m_thread.joinable())
                m_thread = std::thread([this] { run(); });
        }
        m_wake.notify_one();
    }

    // Drops a pending request and waits for a checkpoint under way, so that the caller's own
    // checkpoint does not find the checkpoint lock taken by ours.
    void stand()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_pending = false;
        m_idle.wait(lock, [this] { return !m_running; });
    }

private:
    sqlite3* open() const
    {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(m_path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
            sqlite3_close(db);
            return nullptr;
        }
        keepLogFiles(db);
        sqlite3_exec(db, kJournalSizeLimit, nullptr, nullptr, nullptr);
        // A connection finds the log on its first read; before that a checkpoint does
        // nothing and says it succeeded.
        sqlite3_exec(db, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr);
        return db;
    }

    void run()
    {
        sqlite3* db = nullptr;
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_pending || m_stop; });
            if (m_stop)
                break;
            m_pending = false;
            m_running = true;
            lock.unlock();
            if (!db)
                db = open();
            if (db && sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr) != SQLITE_OK)
                qCDebug(lcRegistry, "checkpoint of %s: %s", m_path.c_str(), sqlite3_errmsg(db));
            lock.lock();
            m_running = false;
            m_idle.notify_all();
        }
        lock.unlock();
        sqlite3_close(db);
    }

    const std::string m_path;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    bool m_pending = false;
    bool m_running = false;
    bool m_stop = false;
    std::thread m_thread;
};

namespace {

// Binds, steps and always resets its statement, so no statement keeps a lock alive.
class Query
{
public:
    // A statement that could not be prepared (null) fails its step.
    explicit Query(sqlite3_stmt* stmt) : m_stmt(stmt) {}
    ~Query()
    {
        if (!m_stmt)
            return;
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    Query& bind(int index, int64_t value)
    {
        if (m_stmt)
            sqlite3_bind_int64(m_stmt, index, value);
        return *this;
    }
    Query& bindBlob(int index, const void* data, size_t size)
    {
        // A zero-length blob must still be a blob, not NULL: the columns are NOT NULL.
        static const char empty = 0;
        if (m_stmt)
            sqlite3_bind_blob(m_stmt, index, size ? data : &empty, static_cast<int>(size), SQLITE_TRANSIENT);
        return *this;
    }
    Query& bindName(int index, const std::u16string& name)
    {
        return bindBlob(index, name.data(), name.size() * 2);
    }
    Query& bindFolded(int index, const std::u16string& folded)
    {
        const std::string bytes = foldedBytes(folded);
        return bindBlob(index, bytes.data(), bytes.size());
    }
    int step() { return m_stmt ? sqlite3_step(m_stmt) : SQLITE_ERROR; }
    int64_t integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
    std::u16string name(int column) const
    {
        return nameFromBlob(sqlite3_column_blob(m_stmt, column), sqlite3_column_bytes(m_stmt, column));
    }
    std::u16string folded(int column) const
    {
        return foldedFromBytes(sqlite3_column_blob(m_stmt, column), sqlite3_column_bytes(m_stmt, column));
    }
    std::basic_string<BYTE> bytes(int column) const
    {
        const auto* data = static_cast<const BYTE*>(sqlite3_column_blob(m_stmt, column));
        const int size = sqlite3_column_bytes(m_stmt, column);
        return size > 0 ? std::basic_string<BYTE>(data, static_cast<size_t>(size)) : std::basic_string<BYTE>();
    }

private:
    sqlite3_stmt* m_stmt;
};

} // namespace

namespace {

uint32_t nameHash(const std::u16string& folded)
{
    const size_t hash = std::hash<std::u16string>()(folded);
    return static_cast<uint32_t>(hash ^ (hash >> 32));
}

} // namespace

size_t RegistryStore::KeyCache::findValue(const std::u16string& folded) const
{
    if (valueSlots.empty())
        return size_t(-1);
    const uint32_t hash = nameHash(folded);
    const size_t mask = valueSlots.size() - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const uint64_t entry = valueSlots[slot];
        if (entry == 0)
            return size_t(-1);
        const size_t position = static_cast<uint32_t>(entry) - 1;
        if (uint32_t(entry >> 32) == hash && values[position].name.folded == folded)
            return position;
    }
}

void RegistryStore::KeyCache::indexValue(size_t position)
{
    // At most half full, so a probe sequence stays short and always ends at an empty slot.
    if (values.size() * 2 > valueSlots.size()) {
        indexValues();
        return;
    }
    const uint32_t hash = nameHash(values[position].name.folded);
    const size_t mask = valueSlots.size() - 1;
    size_t slot = hash & mask;
    while (valueSlots[slot] != 0)
        slot = (slot + 1) & mask;
    valueSlots[slot] = (uint64_t(hash) << 32) | uint64_t(position + 1);
}

void RegistryStore::KeyCache::indexValues()
{
    size_t size = 8;
    while (size < values.size() * 2)
        size *= 2;
    valueSlots.assign(size, 0);
    for (size_t i = 0; i < values.size(); ++i)
        indexValue(i);
}

RegistryStore::RegistryStore(std::string path, bool forceReadOnly, bool isPrivate, bool writeAheadLog)
    : m_path(std::move(path)), m_forceReadOnly(forceReadOnly), m_private(isPrivate), m_writeAheadLog(writeAheadLog)
{
    const std::string subtree = kSubtree;
    const struct
    {
        Statement** slot;
        std::string sql;
    } statements[] = {
        {&m_begin, "BEGIN"},
        {&m_beginImmediate, "BEGIN IMMEDIATE"},
        {&m_commit, "COMMIT"},
        {&m_rollback, "ROLLBACK"},
        {&m_keyRow, "SELECT mtime FROM keys WHERE id = ?1"},
        {&m_child, "SELECT id FROM keys WHERE parent = ?1 AND folded = ?2"},
        {&m_childList, "SELECT id, name, folded, mtime FROM keys WHERE parent = ?1 ORDER BY folded"},
        {&m_valueList, "SELECT name, folded, type, data FROM vals WHERE key = ?1 ORDER BY id"},
        {&m_insertKey, "INSERT INTO keys(parent, name, folded, mtime) VALUES(?1, ?2, ?3, ?4)"},
        {&m_touchKey, "UPDATE keys SET mtime = ?2 WHERE id = ?1"},
        {&m_upsertValue, "INSERT INTO vals(key, name, folded, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
                         "ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data"},
        {&m_deleteValue, "DELETE FROM vals WHERE key = ?1 AND folded = ?2"},
        {&m_hasChildren, "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1"},
        {&m_deleteTreeValues, subtree + "DELETE FROM vals WHERE key IN tree"},
        {&m_deleteTreeKeys, subtree + "DELETE FROM keys WHERE id IN tree"},
        {&m_dataVersion, "PRAGMA data_version"},
    };
    for (const auto& entry : statements) {
        auto* statement = new Statement{entry.sql, nullptr};
        m_statements.push_back(statement);
        *entry.slot = statement;
    }
}

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
    // The checkpointer's connection goes first, so that ours is the last one and closing
    // it copies the log into the database and empties it.
    delete m_checkpointer;
    m_checkpointer = nullptr;
    m_walChange = nullptr;
    m_walFrames = 0;
    m_signal = ChangeSignal::FileHeader;
    for (Statement* statement : m_statements) {
        sqlite3_finalize(statement->stmt);
        statement->stmt = nullptr;
    }
    m_statementProblem.clear();
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
    rc = sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr);
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
    if (!sqlite3_get_autocommit(m_db))
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
    return ERROR_SUCCESS;
}

void RegistryStore::chooseChangeSignal_locked()
{
    m_signal = ChangeSignal::FileHeader;
    bool wal = false;
    // A read of the schema also makes SQLite open the log (after a switch to it) and map
    // its index.
    sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, "PRAGMA journal_mode", -1, &stmt, nullptr) == SQLITE_OK
        && sqlite3_step(stmt) == SQLITE_ROW) {
        const auto* mode = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        wal = mode && sqlite3_stricmp(mode, "wal") == 0;
    }
    sqlite3_finalize(stmt);
    if (!wal)
        return;
    m_signal = ChangeSignal::DataVersion;
    // Only a connection that may write has the index mapped from the shared file; a
    // read-only one may be left with a private copy that no other process updates.
    if (m_readOnly || m_file->pMethods->iVersion < 2 || !m_file->pMethods->xShmMap)
        return;
    volatile void* region = nullptr;
    if (m_file->pMethods->xShmMap(m_file, 0, kWalIndexRegionSize, 0, &region) != SQLITE_OK || !region)
        return;
    const auto* header = static_cast<const uint32_t*>(const_cast<const void*>(region));
    if (__atomic_load_n(header, __ATOMIC_ACQUIRE) != kWalIndexVersion)
        return;
    // The counter is read from SQLite's own mapping of the index, which SQLite reads on
    // every transaction anyway: a file truncated under a live connection faults SQLite's
    // next read as much as ours, so reading it adds no new way to fail. SQLite itself only
    // rebuilds or shrinks the file when no connection has it open, and ours stays open.
    // The commit and the counter's bump are one store (publishing the new header is what
    // makes a commit visible), so no writer can die between them; the counter only starts
    // over when SQLite rebuilds a header that a writer died in the middle of writing.
    m_walChange = header + kWalIndexChangeOffset / sizeof(uint32_t);
    m_signal = ChangeSignal::WalIndex;
    m_checkpointer = new Checkpointer(m_path);
    // Our own hook replaces SQLite's automatic checkpoint, which would run inside the commit
    // of whichever write crossed the threshold.
    sqlite3_wal_hook(
        m_db,
        [](void* store, sqlite3*, const char*, int frames) {
            auto* self = static_cast<RegistryStore*>(store);
            self->m_walFrames = frames;
            // From the burst size on, the writer checkpoints itself after this commit.
            if (frames >= kCheckpointFrames && frames < kBurstCheckpointFrames && self->m_checkpointer)
                self->m_checkpointer->request();
            return SQLITE_OK;
        },
        this);
}

LONG RegistryStore::initialiseSchema_locked()
{
    // Another process may initialise the same new file at the same moment; the immediate
    // transaction serialises the two and the second finds the work done.
    int rc = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        int64_t applicationId = 0, tables = 0;
        rc = sqlite3_prepare_v2(m_db, "SELECT (SELECT application_id FROM pragma_application_id),"
                                      " (SELECT count(*) FROM sqlite_schema)", -1, &stmt, nullptr);
        if (rc == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW) {
            applicationId = sqlite3_column_int64(stmt, 0);
            tables = sqlite3_column_int64(stmt, 1);
        } else if (rc == SQLITE_OK) {
            rc = sqlite3_errcode(m_db);
        }
        sqlite3_finalize(stmt);
        if (rc == SQLITE_OK && applicationId == 0 && tables == 0) {
            const std::string sql = std::string(kSchema) + "PRAGMA application_id=" + std::to_string(kApplicationId)
                                    + ";PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";";
            rc = sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr);
        } else if (rc == SQLITE_OK && applicationId != kApplicationId) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            return markBroken_locked("not a registry database");
        }
        if (rc == SQLITE_OK)
            rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        const LONG error = sqliteError_locked(rc, true);
        if (m_state != State::Broken)
            closeDatabase_locked();
        return error;
    }
    return ERROR_SUCCESS;
}

uint32_t RegistryStore::changeCounter_locked()
{
    switch (m_signal) {
    case ChangeSignal::WalIndex:
        // The writer stores the header with release ordering after the log holds the
        // commit, so once the new counter is seen a read transaction sees the commit.
        return __atomic_load_n(m_walChange, __ATOMIC_ACQUIRE);
    case ChangeSignal::DataVersion: {
        Query query(statement_locked(m_dataVersion));
        return query.step() == SQLITE_ROW ? static_cast<uint32_t>(query.integer(0)) : 0;
    }
    case ChangeSignal::FileHeader:
        break;
    }
    unsigned char bytes[4] = {0, 0, 0, 0};
    // A short read (a file still empty) fills zeros, which is what an empty root counts.
    m_file->pMethods->xRead(m_file, bytes, sizeof bytes, kChangeCounterOffset);
    return (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
}

void RegistryStore::refresh_locked()
{
    if (m_stamp >= 0 && changeCounter_locked() != uint32_t(m_stamp)) {
        m_cache.clear();
        m_stamp = -1;
    }
}

LONG RegistryStore::beginRead_locked()
{
    // The statement is reset before the error is handled: a broken file closes the
    // connection and every statement with it.
    const int rc = Query(statement_locked(m_begin)).step();
    return rc == SQLITE_DONE ? ERROR_SUCCESS : sqliteError_locked(rc, false);
}

// `counter` is the change counter of the state the transaction read, or of an older one:
// an older stamp costs one needless reload later, a newer one would keep a stale cache.
void RegistryStore::endRead_locked(uint32_t counter)
{
    Query(statement_locked(m_commit)).step();
    if (m_stamp != int64_t(counter)) {
        m_cache.clear();
        m_stamp = counter;
    }
}

template <typename Fn> LONG RegistryStore::readTransaction_locked(Fn&& fn)
{
    // With a log, commits go on while the transaction reads, so the counter is taken
    // before its snapshot. The file header instead is read inside the transaction after
    // its first query, so it is the one of the state that transaction sees; read before
    // it, it could show a commit still in progress that a crash then rolls back.
    const bool before = m_signal != ChangeSignal::FileHeader;
    const uint32_t early = before ? changeCounter_locked() : 0;
    LONG rc = beginRead_locked();
    if (rc != ERROR_SUCCESS)
        return rc;
    int sqliteRc = fn();
    if (sqliteRc != SQLITE_OK) {
        Query(statement_locked(m_rollback)).step();
        return sqliteError_locked(sqliteRc, false);
    }
    endRead_locked(before ? early : changeCounter_locked());
    return ERROR_SUCCESS;
}

// Every write is its own immediate transaction: the write lock is taken up front, so two
// writers never deadlock upgrading a read lock, and the busy timeout does the waiting.
// `fn` returns a Win32 code, or stores a SQLite failure in its argument; either rolls back.
template <typename Fn> LONG RegistryStore::writeTransaction_locked(Fn&& fn)
{
    LONG rc = prepare_locked(true);
    if (rc != ERROR_SUCCESS)
        return rc;
    int sqliteRc = Query(statement_locked(m_beginImmediate)).step();
    if (sqliteRc != SQLITE_DONE)
        return sqliteError_locked(sqliteRc, true);
    const uint32_t before = changeCounter_locked();
    if (m_stamp != int64_t(before)) {
        m_cache.clear();
        m_stamp = before;
    }
    int sqliteError = SQLITE_OK;
    rc = fn(&sqliteError);
    if (rc == ERROR_SUCCESS) {
        sqliteRc = Query(statement_locked(m_commit)).step();
        if (sqliteRc != SQLITE_DONE)
            sqliteError = sqliteRc;
    }
    if (sqliteError != SQLITE_OK || rc != ERROR_SUCCESS) {
        if (!sqlite3_get_autocommit(m_db))
            Query(statement_locked(m_rollback)).step();
        m_cache.clear();
        m_stamp = -1;
        return sqliteError != SQLITE_OK ? sqliteError_locked(sqliteError, true) : rc;
    }
    if (m_walFrames >= kBurstCheckpointFrames) {
        m_walFrames = 0;
        if (m_checkpointer)
            m_checkpointer->stand();
        if (sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_RESTART, nullptr, nullptr) != SQLITE_OK)
            qCDebug(lcRegistry, "checkpoint of %s: %s", m_path.c_str(), sqlite3_errmsg(m_db));
    }
    // Our commit advanced the counter by exactly one (the data version counts only the
    // commits of other connections) unless another process committed in between; only
    // then may the cache, updated by the caller, be kept.
    const uint32_t expected = before + (m_signal == ChangeSignal::DataVersion ? 0 : 1);
    if (changeCounter_locked() == expected) {
        m_stamp = expected;
    } else {
        m_cache.clear();
        m_stamp = -1;
    }
    return ERROR_SUCCESS;
}

LONG RegistryStore::loadKey_locked(int64_t key, KeyCache** cache)
{
    LONG rc = prepare_locked(false);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (m_state != State::Open) {
        // An absent root holds its root key and nothing else.
        m_absentKey = KeyCache();
        m_absentKey.presence = key == kRootKey ? KeyCache::Present : KeyCache::Missing;
        m_absentKey.valuesLoaded = m_absentKey.subKeysLoaded = true;
        *cache = &m_absentKey;
        return ERROR_SUCCESS;
    }
    refresh_locked();
    auto found = m_cache.find(key);
    if (found != m_cache.end() && found->second.presence != KeyCache::Unknown) {
        *cache = &found->second;
        return ERROR_SUCCESS;
    }
    if (key == kRootKey) {
        KeyCache& entry = m_cache[key];
        entry.presence = KeyCache::Present;
        *cache = &entry;
        return ERROR_SUCCESS;
    }
    bool present = false;
    int64_t lastWrite = 0;
    rc = readTransaction_locked([&] {
        Query query(statement_locked(m_keyRow));
        query.bind(1, key);
        const int step = query.step();
        if (step == SQLITE_ROW) {
            present = true;
            lastWrite = query.integer(0);
        }
        return step == SQLITE_ROW || step == SQLITE_DONE ? SQLITE_OK : step;
    });
    if (rc != ERROR_SUCCESS)
        return rc;
    KeyCache& entry = m_cache[key];
    entry.presence = present ? KeyCache::Present : KeyCache::Missing;
    entry.lastWrite = lastWrite;
    *cache = &entry;
    return ERROR_SUCCESS;
}

LONG RegistryStore::loadPresentKey_locked(int64_t key, KeyCache** cache)
{
    const LONG rc = loadKey_locked(key, cache);
    if (rc != ERROR_SUCCESS)
        return rc;
    return (*cache)->presence == KeyCache::Present ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG RegistryStore::checkKey_locked(int64_t key, int64_t* lastWrite)
{
    KeyCache* cache = nullptr;
    const LONG rc = loadPresentKey_locked(key, &cache);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (lastWrite)
        *lastWrite = cache->lastWrite;
    return ERROR_SUCCESS;
}

template <typename ReadRow, typename Keep>
LONG RegistryStore::loadList_locked(int64_t key, bool KeyCache::*loaded, Statement* list, KeyCache** cache,
                                    ReadRow&& readRow, Keep&& keep)
{
    LONG rc = loadPresentKey_locked(key, cache);
    if (rc != ERROR_SUCCESS || (*cache)->*loaded)
        return rc;
    std::vector<decltype(readRow(std::declval<const Query&>()))> items;
    rc = readTransaction_locked([&] {
        Query query(statement_locked(list));
        query.bind(1, key);
        int step;
        while ((step = query.step()) == SQLITE_ROW)
            items.push_back(readRow(query));
        return step == SQLITE_DONE ? SQLITE_OK : step;
    });
    if (rc != ERROR_SUCCESS)
        return rc;
    // The read may have found a newer state and emptied the cache; the key row is then
    // looked up again.
    rc = loadPresentKey_locked(key, cache);
    if (rc != ERROR_SUCCESS)
        return rc;
    keep(**cache, std::move(items));
    (*cache)->*loaded = true;
    return ERROR_SUCCESS;
}

LONG RegistryStore::loadValues_locked(int64_t key, KeyCache** cache)
{
    const auto readRow = [](const Query& query) {
        Value value;
        value.name.text = query.name(0);
        value.name.folded = query.folded(1);
        value.type = static_cast<DWORD>(query.integer(2));
        value.data = query.bytes(3);
        return value;
    };
    const auto keep = [](KeyCache& entry, std::vector<Value>&& values) {
        entry.values = std::move(values);
        entry.indexValues();
    };
    return loadList_locked(key, &KeyCache::valuesLoaded, m_valueList, cache, readRow, keep);
}

LONG RegistryStore::loadSubKeys_locked(int64_t key, KeyCache** cache)
{
    const auto readRow = [](const Query& query) {
        SubKey subKey;
        subKey.id = query.integer(0);
        subKey.name.text = query.name(1);
        subKey.name.folded = query.folded(2);
        subKey.lastWrite = query.integer(3);
        return subKey;
    };
    const auto keep = [](KeyCache& entry, std::vector<SubKey>&& subKeys) { entry.subKeys = std::move(subKeys); };
    return loadList_locked(key, &KeyCache::subKeysLoaded, m_childList, cache, readRow, keep);
}

LONG RegistryStore::findChild_locked(int64_t parent, const RegistryName& name, int64_t* child)
{
    KeyCache* cache = nullptr;
    LONG rc = loadPresentKey_locked(parent, &cache);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (m_state != State::Open) {
        *child = -1;
        return ERROR_SUCCESS;
    }
    auto found = cache->children.find(name.folded);
    if (found != cache->children.end()) {
        *child = found->second;
        return ERROR_SUCCESS;
    }
    int64_t id = -1;
    rc = readTransaction_locked([&] {
        Query query(statement_locked(m_child));
        query.bind(1, parent).bindFolded(2, name.folded);
        const int step = query.step();
        if (step == SQLITE_ROW)
            id = query.integer(0);
        return step == SQLITE_ROW || step == SQLITE_DONE ? SQLITE_OK : step;
    });
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = loadPresentKey_locked(parent, &cache);
    if (rc != ERROR_SUCCESS)
        return rc;
    cache->children[name.folded] = id;
    *child = id;
    return ERROR_SUCCESS;
}

LONG RegistryStore::openPath_locked(int64_t key, const std::vector<RegistryName>& path, int64_t* result)
{
    LONG rc = checkKey_locked(key);
    if (rc != ERROR_SUCCESS)
        return rc;
    int64_t current = key;
    for (const RegistryName& segment : path) {
        int64_t child = -1;
        rc = findChild_locked(current, segment, &child);
        if (rc == ERROR_KEY_DELETED && current != key)
            return ERROR_FILE_NOT_FOUND; // an intermediate key vanished while we walked
        if (rc != ERROR_SUCCESS)
            return rc;
        if (child < 0)
            return ERROR_FILE_NOT_FOUND;
        current = child;
    }
    *result = current;
    return ERROR_SUCCESS;
}

LONG RegistryStore::findValue_locked(int64_t key, const std::u16string& folded, const Value** value)
{
    KeyCache* cache = nullptr;
    const LONG rc = loadValues_locked(key, &cache);
    if (rc != ERROR_SUCCESS)
        return rc;
    const size_t found = cache->findValue(folded);
    if (found == size_t(-1))
        return ERROR_FILE_NOT_FOUND;
    *value = &cache->values[found];
    return ERROR_SUCCESS;
}

LONG RegistryStore::values_locked(int64_t key, const std::vector<Value>** values)
{
    KeyCache* cache = nullptr;
    const LONG rc = loadValues_locked(key, &cache);
    if (rc == ERROR_SUCCESS)
        *values = &cache->values;
    return rc;
}

LONG RegistryStore::subKeys_locked(int64_t key, const std::vector<SubKey>** subKeys)
{
    KeyCache* cache = nullptr;
    const LONG rc = loadSubKeys_locked(key, &cache);
    if (rc == ERROR_SUCCESS)
        *subKeys = &cache->subKeys;
    return rc;
}

LONG RegistryStore::keyExistsInTransaction_locked(int64_t key)
{
    if (key == kRootKey)
        return SQLITE_OK;
    Query query(statement_locked(m_keyRow));
    query.bind(1, key);
    const int step = query.step();
    return step == SQLITE_ROW ? SQLITE_OK : step == SQLITE_DONE ? SQLITE_NOTFOUND : step;
}

LONG RegistryStore::childInTransaction_locked(int64_t parent, const std::u16string& folded, int64_t* child)
{
    Query query(statement_locked(m_child));
    query.bind(1, parent).bindFolded(2, folded);
    const int step = query.step();
    *child = step == SQLITE_ROW ? query.integer(0) : -1;
    return step == SQLITE_ROW || step == SQLITE_DONE ? SQLITE_OK : step;
}

LONG RegistryStore::touchKey_locked(int64_t key, int64_t now)
{
    if (key == kRootKey)
        return SQLITE_OK;
    Query query(statement_locked(m_touchKey));
    query.bind(1, key).bind(2, now);
    const int step = query.step();
    return step == SQLITE_DONE ? SQLITE_OK : step;
}

// Runs one statement-level check inside a write transaction: a SQLite failure goes to
// `*sqliteError`, a missing key becomes ERROR_KEY_DELETED.
#define MOVRA_CHECK_SQL(expr)                                                                       \
    do {                                                                                            \
        const int sqlRc_ = (expr);                                                                  \
        if (sqlRc_ == SQLITE_NOTFOUND)                                                              \
            return ERROR_KEY_DELETED;                                                               \
        if (sqlRc_ != SQLITE_OK) {                                                                  \
            *sqliteError = sqlRc_;                                                                  \
            return ERROR_SUCCESS;                                                                   \
        }                                                                                           \
    } while (0)

LONG RegistryStore::createPath_locked(int64_t key, const std::vector<RegistryName>& path, int64_t* result,
                                      bool* created)
{
    int64_t current = key;
    bool madeAny = false;
    const LONG rc = writeTransaction_locked([&](int* sqliteError) -> LONG {
        MOVRA_CHECK_SQL(keyExistsInTransaction_locked(key));
        const int64_t now = nowFileTime();
        for (const RegistryName& segment : path) {
            int64_t child = -1;
            MOVRA_CHECK_SQL(childInTransaction_locked(current, segment.folded, &child));
            if (child < 0) {
                Query insert(statement_locked(m_insertKey));
                insert.bind(1, current).bindName(2, segment.text).bindFolded(3, segment.folded).bind(4, now);
                const int step = insert.step();
                MOVRA_CHECK_SQL(step == SQLITE_DONE ? SQLITE_OK : step);
                child = sqlite3_last_insert_rowid(m_db);
                MOVRA_CHECK_SQL(touchKey_locked(current, now));
                madeAny = true;
            }
            current = child;
        }
        return ERROR_SUCCESS;
    });
    if (rc == ERROR_SUCCESS) {
        if (madeAny) {
            m_cache.clear();
            m_stamp = -1;
        }
        *result = current;
        *created = madeAny;
    }
    return rc;
}

LONG RegistryStore::setValue_locked(int64_t key, const RegistryName& name, DWORD type, const BYTE* data,
                                    DWORD size)
{
    const int64_t now = nowFileTime();
    const LONG rc = writeTransaction_locked([&](int* sqliteError) -> LONG {
        MOVRA_CHECK_SQL(keyExistsInTransaction_locked(key));
        Query upsert(statement_locked(m_upsertValue));
        upsert.bind(1, key).bindName(2, name.text).bindFolded(3, name.folded).bind(4, type).bindBlob(5, data, size);
        const int step = upsert.step();
        MOVRA_CHECK_SQL(step == SQLITE_DONE ? SQLITE_OK : step);
        MOVRA_CHECK_SQL(touchKey_locked(key, now));
        return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS)
        return rc;
    // Keep the cache warm across our own writes: the settings store writes and reads back.
    auto found = m_cache.find(key);
    if (m_stamp >= 0 && found != m_cache.end()) {
        KeyCache& entry = found->second;
        entry.lastWrite = now;
        if (entry.valuesLoaded) {
            size_t index = entry.findValue(name.folded);
            if (index == size_t(-1)) {
                index = entry.values.size();
                entry.values.push_back(Value{name, type, {}});
                entry.indexValue(index);
            }
            Value& value = entry.values[index];
            value.type = type;
            if (size)
                value.data.assign(data, size);
            else
                value.data.clear(); // `data` may be null
        }
    }
    return ERROR_SUCCESS;
}

LONG RegistryStore::deleteValue_locked(int64_t key, const std::u16string& folded)
{
    bool deleted = false;
    const LONG rc = writeTransaction_locked([&](int* sqliteError) -> LONG {
        MOVRA_CHECK_SQL(keyExistsInTransaction_locked(key));
        Query remove(statement_locked(m_deleteValue));
        remove.bind(1, key).bindFolded(2, folded);
        const int step = remove.step();
        MOVRA_CHECK_SQL(step == SQLITE_DONE ? SQLITE_OK : step);
        if (sqlite3_changes(m_db) == 0)
            return ERROR_FILE_NOT_FOUND;
        deleted = true;
        MOVRA_CHECK_SQL(touchKey_locked(key, nowFileTime()));
        return ERROR_SUCCESS;
    });
    if (rc == ERROR_SUCCESS && deleted) {
        m_cache.erase(key);
    }
    return rc;
}

LONG RegistryStore::deleteKey_locked(int64_t key, bool tree)
{
    if (key == kRootKey)
        return ERROR_ACCESS_DENIED;
    const LONG rc = writeTransaction_locked([&](int* sqliteError) -> LONG {
        MOVRA_CHECK_SQL(keyExistsInTransaction_locked(key));
        if (!tree) {
            Query children(statement_locked(m_hasChildren));
            children.bind(1, key);
            const int step = children.step();
            if (step == SQLITE_ROW)
                return ERROR_ACCESS_DENIED;
            MOVRA_CHECK_SQL(step == SQLITE_DONE ? SQLITE_OK : step);
        }
        for (Statement* statement : {m_deleteTreeValues, m_deleteTreeKeys}) {
            Query remove(statement_locked(statement));
            remove.bind(1, key);
            const int step = remove.step();
            MOVRA_CHECK_SQL(step == SQLITE_DONE ? SQLITE_OK : step);
        }
        return ERROR_SUCCESS;
    });
    if (rc == ERROR_SUCCESS) {
        m_cache.clear();
        m_stamp = -1;
    }
    return rc;
}

} // namespace MovraRegistry
