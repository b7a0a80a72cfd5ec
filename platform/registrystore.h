#pragma once
// One registry root kept in one SQLite database. Keys are rows with a parent, values rows
// with a key; names are kept as written and looked up by their folded form.
//
// Reads are served from a cache that any commit, by this or another process, invalidates.
// How a commit is noticed depends on the journal:
// - The user's root keeps a write-ahead log. Every committing SQLite connection, ours or
//   not, bumps the change counter in the header of the log's index, which all connections
//   map shared (the -shm file beside the database); a read compares it, with one atomic
//   load and no system call, against the counter the cache was filled at. A root opened
//   read-only may not have that mapping shared, so there the connection's data version is
//   asked instead.
// - The machine root keeps a rollback journal, so that users can read it without write
//   access to its folder; its file change counter (bytes 24..27 of the database header,
//   bumped by every commit) is read from the file on each call.
// A durable write to the user's root costs one sync of the log, which it mostly overwrites
// rather than extends; checkpoints run on a thread of their own, and in the writer only
// once a long burst of writes outran them. The log and its index stay on disk between
// connections.

#include "platform/registry.h"
#include "platform/registrynames.h"

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_file;

namespace MovraRegistry {

class RegistryStore
{
public:
    static constexpr int64_t kRootKey = 0;

    struct Value
    {
        RegistryName name;
        DWORD type = REG_NONE;
        // Most values are numbers or short texts: kept inline, a read of one touches no
        // second allocation.
        std::basic_string<BYTE> data;
    };

    struct SubKey
    {
        RegistryName name;
        int64_t id = 0;
        int64_t lastWrite = 0;
    };

    // A private store (the user's root) keeps its folder and files to its owner; a store
    // with `writeAheadLog` keeps its journal in a write-ahead log when it can write it.
    RegistryStore(std::string path, bool forceReadOnly, bool isPrivate = false, bool writeAheadLog = false);
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    const std::string& path() const { return m_path; }

    // Every *_locked call expects the lock returned here to be held; pointers it hands
    // out stay valid until the lock is released or the next call.
    std::unique_lock<std::mutex> lock() { return std::unique_lock<std::mutex>(m_mutex); }

    // "" when the root is usable (or simply absent), else why its file cannot be used.
    std::string problem_locked();

    LONG checkWritable_locked();
    LONG checkKey_locked(int64_t key, int64_t* lastWrite = nullptr);
    LONG openPath_locked(int64_t key, const std::vector<RegistryName>& path, int64_t* result);
    LONG findValue_locked(int64_t key, const std::u16string& folded, const Value** value);
    LONG values_locked(int64_t key, const std::vector<Value>** values);
    LONG subKeys_locked(int64_t key, const std::vector<SubKey>** subKeys);

    LONG createPath_locked(int64_t key, const std::vector<RegistryName>& path, int64_t* result,
                           bool* created);
    LONG setValue_locked(int64_t key, const RegistryName& name, DWORD type, const BYTE* data,
                         DWORD size);
    LONG deleteValue_locked(int64_t key, const std::u16string& folded);
    // Deletes `key` itself; without `tree` a key that has sub-keys is refused.
    LONG deleteKey_locked(int64_t key, bool tree);

    // A batch: while one is open (they nest), the writes of every thread share one
    // transaction that begins with the first of them and commits when the outermost batch
    // ends, so the group costs one durable commit and other processes see all of it or
    // none. Each write stays atomic on its own: one that fails leaves the others in.
    // The store whose batch must begin before this one's (taken under this store's lock:
    // the one place a second store's lock is taken), so that two processes in batches
    // always take the two roots' write locks in the same order.
    void setBatchPredecessor(RegistryStore* first) { m_batchPredecessor = first; }
    void beginBatch_locked() { ++m_batchDepth; }
    // ERROR_SUCCESS when every write of the batch is committed (or there was none).
    LONG endBatch_locked();

private:
    enum class State { Closed, Absent, Open, Broken };
    struct Statement;
    struct KeyCache
    {
        enum { Unknown, Present, Missing } presence = Unknown;
        int64_t lastWrite = 0;
        bool valuesLoaded = false;
        std::vector<Value> values;
        // Open addressing over the values' folded names, one 64-bit slot each (the value's
        // position + 1 in the low half, the name's hash in the high half, 0: empty): a
        // lookup reads a slot or two in one flat array and then only the value it finds.
        std::vector<uint64_t> valueSlots;
        size_t findValue(const std::u16string& folded) const;
        void indexValues();
        void indexValue(size_t position);
        bool subKeysLoaded = false;
        std::vector<SubKey> subKeys;
        std::unordered_map<std::u16string, int64_t> children; // -1: no such child
        bool childrenComplete = false; // a name not in `children` is no child
    };

    LONG prepare_locked(bool forWrite);
    LONG openDatabase_locked();
    LONG createDatabase_locked();
    LONG initialiseSchema_locked();
    sqlite3_stmt* statement_locked(Statement* statement);
    void closeDatabase_locked();
    LONG markBroken_locked(const std::string& reason);
    LONG sqliteError_locked(int rc, bool writing);

    // What tells this connection that another one committed.
    enum class ChangeSignal { FileHeader, WalIndex, DataVersion };
    class Checkpointer;
    void chooseChangeSignal_locked();
    uint32_t changeCounter_locked();
    void refresh_locked();
    LONG beginRead_locked();
    void endRead_locked(uint32_t counter);
    template <typename Fn> LONG readTransaction_locked(Fn&& fn);
    template <typename Fn> LONG writeTransaction_locked(Fn&& fn);

    // The first read of a connection to a small root reads every key and value in one
    // transaction, so a start's reads cost one transaction rather than one per key.
    void loadWholeRoot_locked();
    LONG loadKey_locked(int64_t key, KeyCache** cache);
    // As loadKey_locked(), but a key that does not exist is ERROR_KEY_DELETED.
    LONG loadPresentKey_locked(int64_t key, KeyCache** cache);
    // Fills one of a present key's cached lists (values, sub-keys) unless `loaded` says
    // it is there already: `readRow` makes one item of a row of `list`, a statement taking
    // the key, and `keep` stores the items in the key's cache entry.
    template <typename ReadRow, typename Keep>
    LONG loadList_locked(int64_t key, bool KeyCache::*loaded, Statement* list, KeyCache** cache,
                         ReadRow&& readRow, Keep&& keep);
    LONG loadValues_locked(int64_t key, KeyCache** cache);
    LONG loadSubKeys_locked(int64_t key, KeyCache** cache);
    LONG findChild_locked(int64_t parent, const RegistryName& name, int64_t* child);

    void afterCommit_locked(uint32_t before);
    LONG openBatch_locked();
    // Drops the batch's transaction after a failure; what was written in it is lost.
    void loseBatch_locked(LONG error);

    LONG keyExistsInTransaction_locked(int64_t key);
    LONG childInTransaction_locked(int64_t parent, const std::u16string& folded, int64_t* child);
    LONG touchKey_locked(int64_t key, int64_t now);

    std::mutex m_mutex;
    const std::string m_path;
    const bool m_forceReadOnly;
    const bool m_private;
    const bool m_writeAheadLog;
    State m_state = State::Closed;
    bool m_readOnly = false;
    std::string m_problem;
    sqlite3* m_db = nullptr;
    sqlite3_file* m_file = nullptr;
    ChangeSignal m_signal = ChangeSignal::FileHeader;
    // The change counter of the log index's header, in SQLite's shared mapping of it,
    // which stays put while the connection is open in WAL mode.
    const uint32_t* m_walChange = nullptr;
    Checkpointer* m_checkpointer = nullptr;
    int m_walFrames = 0; // pages in the log after our last commit
    std::vector<Statement*> m_statements;
    std::string m_statementProblem; // why one of them did not compile
    Statement* m_begin = nullptr;
    Statement* m_beginImmediate = nullptr;
    Statement* m_commit = nullptr;
    Statement* m_rollback = nullptr;
    Statement* m_keyRow = nullptr;
    Statement* m_child = nullptr;
    Statement* m_childList = nullptr;
    Statement* m_valueList = nullptr;
    Statement* m_insertKey = nullptr;
    Statement* m_touchKey = nullptr;
    Statement* m_upsertValue = nullptr;
    Statement* m_deleteValue = nullptr;
    Statement* m_hasChildren = nullptr;
    Statement* m_deleteTreeValues = nullptr;
    Statement* m_deleteTreeKeys = nullptr;
    Statement* m_dataVersion = nullptr;
    Statement* m_allKeys = nullptr;
    Statement* m_allValues = nullptr;
    bool m_wholeRootTried = false;
    Statement* m_savepoint = nullptr;
    Statement* m_release = nullptr;
    Statement* m_rollbackTo = nullptr;

    int m_batchDepth = 0;
    bool m_batchOpen = false;       // the batch's transaction is under way
    bool m_openingBatch = false;    // a new root created now keeps its schema in the batch
    uint32_t m_batchCounter = 0;    // the change counter when it began
    LONG m_batchError = ERROR_SUCCESS; // why writes of the batch were lost, for its end
    RegistryStore* m_batchPredecessor = nullptr;

    std::unordered_map<int64_t, KeyCache> m_cache;
    KeyCache m_absentKey;
    int64_t m_stamp = -1; // change counter the cache reflects; -1: cache empty
};

} // namespace MovraRegistry
