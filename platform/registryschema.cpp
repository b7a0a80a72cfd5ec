// The tables of a registry root, the statements the store runs on them, and how names are
// kept in rows.

#include "platform/registrystore_internal.h"

#include <cstring>

namespace MovraRegistry {

using namespace StoreDetail;

namespace {

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

} // namespace

namespace StoreDetail {

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

} // namespace StoreDetail

// Only names the statements: each is prepared on its first use (statement_locked).
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
        {&m_allKeys, "SELECT id, parent, name, folded, mtime FROM keys ORDER BY parent, folded"},
        {&m_allValues, "SELECT key, name, folded, type, data FROM vals ORDER BY key, id"},
        {&m_savepoint, "SAVEPOINT movra_write"},
        {&m_release, "RELEASE movra_write"},
        {&m_rollbackTo, "ROLLBACK TO movra_write"},
    };
    for (const auto& entry : statements) {
        auto* statement = new Statement{entry.sql, nullptr};
        m_statements.push_back(statement);
        *entry.slot = statement;
    }
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
        // Inside a batch the new root's schema is committed with the batch's writes, in the
        // same transaction: one commit instead of two, and a batch cut short leaves the file
        // as empty as it was, to be initialised again.
        if (rc == SQLITE_OK && m_openingBatch)
            m_batchOpen = true;
        else if (rc == SQLITE_OK)
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

} // namespace MovraRegistry
