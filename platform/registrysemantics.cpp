// The Win32 semantics of a registry root: keys and values as the calls see them, served
// from a cache of each key that any commit invalidates.

#include "platform/registrytransactions.h"

#include <chrono>
#include <cstring>

namespace MovraRegistry {

using namespace StoreDetail;

namespace {

int64_t nowFileTime()
{
    // 100 ns units since 1601-01-01, as FILETIME counts.
    const auto since1970 = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return since1970.count() / 100 + 116444736000000000LL;
}

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

namespace {

// Up to this size a root is read whole at the first read: a few hundred keys and values,
// far less than reading them one key at a time would cost in transactions.
constexpr int64_t kWholeRootBytes = 512 * 1024;

} // namespace

void RegistryStore::loadWholeRoot_locked()
{
    m_wholeRootTried = true;
    sqlite3_int64 size = 0;
    if (m_file->pMethods->xFileSize(m_file, &size) != SQLITE_OK || size > kWholeRootBytes)
        return;
    struct KeyRow
    {
        int64_t parent;
        SubKey key;
    };
    std::vector<KeyRow> keys;
    std::vector<std::pair<int64_t, Value>> values;
    const LONG rc = readTransaction_locked([&] {
        Query keyQuery(statement_locked(m_allKeys));
        int step;
        while ((step = keyQuery.step()) == SQLITE_ROW) {
            KeyRow row;
            row.key.id = keyQuery.integer(0);
            row.parent = keyQuery.integer(1);
            row.key.name.text = keyQuery.name(2);
            row.key.name.folded = keyQuery.folded(3);
            row.key.lastWrite = keyQuery.integer(4);
            keys.push_back(std::move(row));
        }
        if (step != SQLITE_DONE)
            return step;
        Query valueQuery(statement_locked(m_allValues));
        while ((step = valueQuery.step()) == SQLITE_ROW) {
            Value value;
            value.name.text = valueQuery.name(1);
            value.name.folded = valueQuery.folded(2);
            value.type = static_cast<DWORD>(valueQuery.integer(3));
            value.data = valueQuery.bytes(4);
            values.emplace_back(valueQuery.integer(0), std::move(value));
        }
        return step == SQLITE_DONE ? SQLITE_OK : step;
    });
    if (rc != ERROR_SUCCESS)
        return;
    // The state read replaces whatever the cache held: both are of the same stamp now.
    m_cache.clear();
    const auto complete = [](KeyCache& entry) {
        entry.presence = KeyCache::Present;
        entry.valuesLoaded = entry.subKeysLoaded = entry.childrenComplete = true;
    };
    complete(m_cache[kRootKey]);
    for (const KeyRow& row : keys) {
        KeyCache& entry = m_cache[row.key.id];
        complete(entry);
        entry.lastWrite = row.key.lastWrite;
    }
    for (KeyRow& row : keys) {
        auto parent = m_cache.find(row.parent);
        if (parent == m_cache.end())
            continue; // a row whose parent is gone is never reached
        parent->second.children[row.key.name.folded] = row.key.id;
        parent->second.subKeys.push_back(std::move(row.key));
    }
    for (auto& [key, value] : values) {
        auto entry = m_cache.find(key);
        if (entry != m_cache.end())
            entry->second.values.push_back(std::move(value));
    }
    for (auto& [key, entry] : m_cache) {
        (void)key;
        entry.indexValues();
    }
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
    if (!m_wholeRootTried)
        loadWholeRoot_locked();
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
    if (found != cache->children.end() || cache->childrenComplete) {
        *child = found != cache->children.end() ? found->second : -1;
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

LONG RegistryStore::endBatch_locked()
{
    if (m_batchDepth == 0 || --m_batchDepth > 0)
        return ERROR_SUCCESS;
    LONG rc = m_batchError;
    m_batchError = ERROR_SUCCESS;
    if (!m_batchOpen)
        return rc;
    m_batchOpen = false;
    const int sqliteRc = Query(statement_locked(m_commit)).step();
    if (sqliteRc != SQLITE_DONE) {
        const LONG error = sqliteError_locked(sqliteRc, true);
        if (m_db && !sqlite3_get_autocommit(m_db))
            Query(statement_locked(m_rollback)).step();
        qCWarning(lcRegistry, "registry file %s: the writes of a batch were lost (error %d)", m_path.c_str(),
                  int(error));
        m_cache.clear();
        m_stamp = -1;
        return rc != ERROR_SUCCESS ? rc : error;
    }
    afterCommit_locked(m_batchCounter);
    return rc;
}

} // namespace MovraRegistry
