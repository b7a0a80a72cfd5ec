// How a connection learns that another one committed, and the read cache's stamp: the log
// index's change counter, the connection's data version, or the file header's counter.

#include "platform/registrystore_internal.h"

namespace MovraRegistry {

using namespace StoreDetail;

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

} // namespace MovraRegistry
