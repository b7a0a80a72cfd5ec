#pragma once
// Read and write transactions of the registry store, for registrysemantics.cpp: where a
// transaction meets the change signal and the cache's stamp, and the batch that lets a
// group of writes share one commit.

#include "platform/registrystore_internal.h"

namespace MovraRegistry {

using StoreDetail::Query;
using StoreDetail::kBurstCheckpointFrames;

template <typename Fn> LONG RegistryStore::readTransaction_locked(Fn&& fn)
{
    // With a log, commits go on while the transaction reads, so the counter is taken
    // before its snapshot. The file header instead is read inside the transaction after
    // its first query, so it is the one of the state that transaction sees; read before
    // it, it could show a commit still in progress that a crash then rolls back.
    if (m_batchOpen) {
        // Inside the batch's own transaction, which sees its uncommitted writes; no other
        // connection can commit while it holds the write lock, so the cache's stamp holds.
        const int sqliteRc = fn();
        return sqliteRc == SQLITE_OK ? ERROR_SUCCESS : sqliteError_locked(sqliteRc, false);
    }
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
    if (m_batchDepth > 0) {
        LONG rc = openBatch_locked();
        if (rc != ERROR_SUCCESS)
            return rc;
        // A savepoint per write: one that fails is undone alone and the batch goes on.
        int sqliteRc = Query(statement_locked(m_savepoint)).step();
        if (sqliteRc != SQLITE_DONE) {
            rc = sqliteError_locked(sqliteRc, true);
            loseBatch_locked(rc);
            return rc;
        }
        int sqliteError = SQLITE_OK;
        rc = fn(&sqliteError);
        if (sqliteError == SQLITE_OK && rc == ERROR_SUCCESS) {
            sqliteRc = Query(statement_locked(m_release)).step();
            if (sqliteRc == SQLITE_DONE)
                return ERROR_SUCCESS;
            sqliteError = sqliteRc;
        }
        m_cache.clear();
        m_stamp = -1;
        const LONG error = sqliteError != SQLITE_OK ? sqliteError_locked(sqliteError, true) : rc;
        // Some failures (a full disk, an I/O error) make SQLite roll the whole transaction
        // back by itself; the writes before this one are then gone too.
        if (!m_batchOpen || !m_db || sqlite3_get_autocommit(m_db)) {
            loseBatch_locked(error);
            return error;
        }
        const bool undone = Query(statement_locked(m_rollbackTo)).step() == SQLITE_DONE
                            && Query(statement_locked(m_release)).step() == SQLITE_DONE;
        if (!undone)
            loseBatch_locked(error);
        return error;
    }
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
    afterCommit_locked(before);
    return ERROR_SUCCESS;
}

// After our commit, begun when the change counter read `before`.
inline void RegistryStore::afterCommit_locked(uint32_t before)
{
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
}

inline LONG RegistryStore::openBatch_locked()
{
    if (m_batchOpen)
        return ERROR_SUCCESS;
    if (m_batchPredecessor) {
        auto first = m_batchPredecessor->lock();
        // A root that cannot be written only fails its own writes.
        if (m_batchPredecessor->m_batchDepth > 0)
            (void)m_batchPredecessor->openBatch_locked();
    }
    m_openingBatch = true;
    LONG rc = prepare_locked(true);
    m_openingBatch = false;
    if (rc != ERROR_SUCCESS || m_batchOpen) // a new root's schema began the transaction
        return rc;
    const int sqliteRc = Query(statement_locked(m_beginImmediate)).step();
    if (sqliteRc != SQLITE_DONE)
        return sqliteError_locked(sqliteRc, true);
    m_batchCounter = changeCounter_locked();
    if (m_stamp != int64_t(m_batchCounter)) {
        m_cache.clear();
        m_stamp = m_batchCounter;
    }
    m_batchOpen = true;
    return ERROR_SUCCESS;
}

inline void RegistryStore::loseBatch_locked(LONG error)
{
    if (m_batchOpen && m_db && !sqlite3_get_autocommit(m_db))
        Query(statement_locked(m_rollback)).step();
    if (m_batchOpen || m_batchError == ERROR_SUCCESS)
        qCWarning(lcRegistry, "registry file %s: the writes of a batch were lost (error %d)", m_path.c_str(),
                  int(error));
    m_batchOpen = false;
    if (m_batchError == ERROR_SUCCESS)
        m_batchError = error == ERROR_SUCCESS ? ERROR_CANTWRITE : error;
    m_cache.clear();
    m_stamp = -1;
}

} // namespace MovraRegistry
