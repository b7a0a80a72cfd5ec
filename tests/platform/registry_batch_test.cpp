// Batches of registry writes: one commit per root at the outermost batch's end, each write
// still standing or failing alone, and nothing created by a batch that only reads.

#include "platform/registry.h"
#include "support/temporaryregistry.h"
#include "registrystoragetesting.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <string>

using namespace MovraRegistry;
using namespace RegistryStorageTest;

namespace {

// How many values another connection sees in the user's root right now.
int64_t valuesSeenElsewhere(const std::string& database)
{
    sqlite3* other = nullptr;
    int64_t count = -1;
    if (sqlite3_open_v2(database.c_str(), &other, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(other, "SELECT count(*) FROM vals", -1, &stmt, nullptr) == SQLITE_OK
            && sqlite3_step(stmt) == SQLITE_ROW)
            count = sqlite3_column_int64(stmt, 0);
        sqlite3_finalize(stmt);
    }
    sqlite3_close(other);
    return count;
}

} // namespace

// Inside a batch each write still stands or fails alone and reads see the batch's writes;
// nothing reaches the file before the outermost batch ends, and then all of it does.
TEST(RegistryStorage, BatchCommitsItsWritesTogetherAndEachWriteAlone)
{
    MovraTest::TemporaryRegistry registry;
    ASSERT_EQ(setDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\Old", u"o", 1), ERROR_SUCCESS);
    HKEY stale = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\Old", 0, KEY_ALL_ACCESS, &stale), ERROR_SUCCESS);
    ASSERT_EQ(valuesSeenElsewhere(registry.userDatabase()), 1);
    {
        RegistryBatch outer;
        ASSERT_EQ(setDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\New", u"a", 1), ERROR_SUCCESS);
        {
            RegistryBatch inner;
            ASSERT_EQ(setDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\New", u"b", 2), ERROR_SUCCESS);
            EXPECT_EQ(inner.commit(), ERROR_SUCCESS);
        }
        EXPECT_EQ(valuesSeenElsewhere(registry.userDatabase()), 1) << "a nested batch committed";
        ASSERT_EQ(SHDeleteKeyW(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\Old"), ERROR_SUCCESS);
        const DWORD value = 3;
        EXPECT_EQ(RegSetValueExW(stale, u"lost", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4),
                  ERROR_KEY_DELETED);
        ASSERT_EQ(setDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\New", u"c", 3), ERROR_SUCCESS);
        DWORD read = 0;
        EXPECT_EQ(getDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\New", u"b", &read), ERROR_SUCCESS);
        EXPECT_EQ(read, 2u);
        EXPECT_EQ(getDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\Old", u"o", &read), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(valuesSeenElsewhere(registry.userDatabase()), 1);
        EXPECT_EQ(outer.commit(), ERROR_SUCCESS);
        EXPECT_EQ(valuesSeenElsewhere(registry.userDatabase()), 3);
        EXPECT_EQ(outer.commit(), ERROR_SUCCESS); // a second end is no second commit
    }
    RegCloseKey(stale);
    const struct
    {
        const char16_t* name;
        DWORD value;
    } kept[] = {{u"a", 1}, {u"b", 2}, {u"c", 3}};
    for (const auto& k : kept) {
        DWORD read = 0;
        EXPECT_EQ(getDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\New", k.name, &read), ERROR_SUCCESS);
        EXPECT_EQ(read, k.value);
    }
}

// A batch that only reads takes no write lock and creates no file; one that writes to a
// machine root it may not write still commits the user's writes.
TEST(RegistryStorage, BatchWithoutWritesCreatesNothingAndAnUnwritableRootFailsAlone)
{
    MovraTest::TemporaryRegistry registry;
    MovraTest::ScopedEnvironment readOnly("MOVRA_REGISTRY_MACHINE_READONLY", "1");
    resetRegistryForTesting();
    {
        RegistryBatch batch;
        DWORD read = 0;
        EXPECT_EQ(getDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra", u"x", &read), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(batch.commit(), ERROR_SUCCESS);
    }
    EXPECT_FALSE(exists(registry.userDatabase()));
    {
        RegistryBatch batch;
        EXPECT_EQ(setDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra", u"m", 1), ERROR_ACCESS_DENIED);
        EXPECT_EQ(setDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra", u"u", 2), ERROR_SUCCESS);
        EXPECT_EQ(batch.commit(), ERROR_SUCCESS);
    }
    EXPECT_FALSE(exists(registry.machineDatabase()));
    EXPECT_EQ(valuesSeenElsewhere(registry.userDatabase()), 1);
}
