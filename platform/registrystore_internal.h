#pragma once
// What the files of the registry store share, and no one else includes. The store is split
// by concern:
//   registrystore.cpp         the SQLite life cycle: opening, creating, closing, broken files
//   registryschema.cpp        the tables, the statements, how names are kept in rows
//   registrychangesignal.cpp  how a connection learns of another's commits; the cache's stamp
//   registrytransactions.h    read and write transactions (where writes would be grouped)
//   registrycheckpoints.cpp   the write-ahead log: checkpoints and the truncation check
//   registrysemantics.cpp     the Win32 semantics: keys, values and the cache of them

#include "platform/registrystore.h"

#include <QLoggingCategory>

#include <sqlite3.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

Q_DECLARE_LOGGING_CATEGORY(lcRegistry)

namespace MovraRegistry {

namespace StoreDetail {

// 'MVRG': marks a database as a registry root, so no other SQLite file is ever written to.
inline constexpr int kApplicationId = 0x4D565247;
inline constexpr int kSchemaVersion = 1;
inline constexpr int kBusyTimeoutMs = 30000;
inline constexpr int kChangeCounterOffset = 24;
// The log index's header (SQLite's WalIndexHdr, in native byte order at the start of the
// -shm file): its version, then at byte 8 a counter every commit increments.
inline constexpr int kWalIndexRegionSize = 32768;
inline constexpr uint32_t kWalIndexVersion = 3007000;
inline constexpr int kWalIndexChangeOffset = 8;
// The log is used as a small ring. A checkpoint is asked for once it holds this many pages
// (about 256 KB); once everything in it was copied, the next commit starts the log over
// from its beginning and so overwrites blocks the file already has: a sync then only
// flushes data, where a commit that extends the file also waits for the file system's own
// journal to record the new size and blocks (about twice the time on ext4).
// A passive checkpoint lets the writers go on, so under a long burst of writes it may never
// catch up: from four times that size on, the writer itself copies everything after its
// commit, waiting for readers, so that the next commit starts over (the file is kept).
// A log that grew beyond the size limit (a large transaction) is cut back to it when it
// starts over; closing the last connection keeps both files, and the log what it holds.
inline constexpr int kCheckpointFrames = 64;
inline constexpr int kBurstCheckpointFrames = 4 * kCheckpointFrames;
inline constexpr const char* kJournalSizeLimit = "PRAGMA journal_size_limit=2097152";

// Keeps the log, its contents and its index on disk when the connection closes
// (registrycheckpoints.cpp).
void keepLogFiles(sqlite3* db);
// Whether the database file lacks pages it must hold (registrycheckpoints.cpp).
bool fileIsTruncated(sqlite3_file* file, const std::string& path, int64_t pageCount, int64_t pageSize);

// Names in rows (registryschema.cpp).
std::string foldedBytes(const std::u16string& folded);
std::u16string foldedFromBytes(const void* data, int size);
std::u16string nameFromBlob(const void* data, int size);

} // namespace StoreDetail

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
    ~Checkpointer();
    Checkpointer(const Checkpointer&) = delete;
    Checkpointer& operator=(const Checkpointer&) = delete;

    void request();
    // Drops a pending request and waits for a checkpoint under way, so that the caller's own
    // checkpoint does not find the checkpoint lock taken by ours.
    void stand();

private:
    sqlite3* open() const;
    void run();

    const std::string m_path;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    bool m_pending = false;
    bool m_running = false;
    bool m_stop = false;
    std::thread m_thread;
};

namespace StoreDetail {

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

} // namespace StoreDetail

} // namespace MovraRegistry
