// The write-ahead log of the user's root: the checkpointer that copies it back into the
// database, and the check that tells a truncated file from one whose pages the log holds.

#include "platform/registrystore_internal.h"

#include <sys/stat.h>

namespace MovraRegistry {

using namespace StoreDetail;

namespace {

uint32_t bigEndian32(const unsigned char* bytes)
{
    return (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
}

} // namespace

namespace StoreDetail {

// Creating the log and its index at every start, and removing them at every exit, costs
// more than everything else the root does at start-up: both files are kept across
// connections. A log left by a process that died is recovered by the next connection as
// before; an emptied one holds nothing to recover.
// Nor does closing copy the log back: that checkpoint syncs the log and the database
// (three syncs at every exit, with the folder's), and the next commit, starting the log
// over, syncs its header once more. Every commit is already durable in the log, which the
// next connection reads as it is, and the checkpointer copies it back once it is long.
void keepLogFiles(sqlite3* db)
{
    int persist = 1;
    sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
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

} // namespace StoreDetail

RegistryStore::Checkpointer::~Checkpointer()
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void RegistryStore::Checkpointer::request()
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_pending = true;
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
    }
    m_wake.notify_one();
}

void RegistryStore::Checkpointer::stand()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_pending = false;
    m_idle.wait(lock, [this] { return !m_running; });
}

sqlite3* RegistryStore::Checkpointer::open() const
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

void RegistryStore::Checkpointer::run()
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

} // namespace MovraRegistry
