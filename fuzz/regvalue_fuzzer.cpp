// Registry value data of any type and any length, read back through every typed getter of
// the settings store, as another program or a damaged database can leave it. Binary reads
// return the bytes exactly; text reads return well-formed UTF-8 or fail.

#include "fuzzcheck.h"
#include "platform/registry.h"
#include "settings/memorybuffer.h"
#include "settings/opensettings.h"
#include "settings/refcountedptr.h"

#include <utf8.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace MovraRegistry;

namespace {

struct Store
{
    std::string dir;
    HKEY key = nullptr;
    mvtl::RefCountedPtr<mvds::IMovraSettings> section;

    Store()
    {
        // Memory-backed when possible: every write is a durable commit.
        const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        dir = std::string(base) + "/movra-regvalue-fuzz-XXXXXX";
        FUZZ_CHECK(::mkdtemp(&dir[0]) != nullptr);
        ::setenv("MOVRA_REGISTRY_DIR", dir.c_str(), 1);
        resetRegistryForTesting();
        FUZZ_CHECK(RegCreateKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\Settings\\Fuzz", 0, nullptr, 0,
                                   KEY_ALL_ACCESS, nullptr, &key, nullptr)
                   == ERROR_SUCCESS);
        FUZZ_CHECK(mvds::openSettings(std::string("Settings/Fuzz"), mvds::UserReadWrite, section.out()));
    }
    ~Store()
    {
        section.reset();
        RegCloseKey(key);
        resetRegistryForTesting();
        const std::string command = "rm -rf '" + dir + "'";
        if (std::system(command.c_str()) != 0) {
        }
    }
};

Store& store()
{
    static Store value;
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > (1u << 16))
        return 0;
    Store& s = store();
    const DWORD type = data[0] % 12;  // REG_NONE .. REG_QWORD
    const BYTE* bytes = data + 1;
    const DWORD length = static_cast<DWORD>(size - 1);
    if (RegSetValueExW(s.key, u"v", 0, type, bytes, length) != ERROR_SUCCESS)
        return 0;

    mvds::IMovraSettings& section = *s.section;
    const std::string name = "v";
    mvtl::MemoryBuffer<char> buffer;
    if (section.getValue(name, buffer))
        FUZZ_CHECK(buffer.byteSize() == length && (length == 0 || std::memcmp(buffer.get(), bytes, length) == 0));
    std::string text;
    if (section.getValue(name, text))
        FUZZ_CHECK(utf8::is_valid(text.begin(), text.end()));
    std::u16string wide;
    section.getValue(name, wide);
    int32_t i32;
    uint32_t u32;
    int64_t i64;
    uint64_t u64;
    long long ll;
    float f;
    double d;
    bool b;
    section.getValue(name, i32);
    section.getValue(name, u32);
    section.getValue(name, i64);
    section.getValue(name, u64);
    section.getValue(name, ll);
    section.getValue(name, f);
    section.getValue(name, d);
    section.getValue(name, b);
    return 0;
}
