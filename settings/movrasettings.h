#pragma once
#include "settings/imovrasettings.h"
#include "settings/refcountedptr_stlsafe.h"

#include "platform/registry.h"

#include <unordered_map>

namespace mvds {

// A section stored in the registry. Keys are opened lazily by the first operation that
// needs them (ensureOpen) and kept open for the section's life. Not thread-safe: a section
// and everything reachable from it belong to one thread at a time.
class MovraSettings : public IMovraSettings
{
public:
    static constexpr uint32_t kUserRoot = 0x80000001u;     // HKEY_CURRENT_USER
    static constexpr uint32_t kMachineRoot = 0x80000002u;  // HKEY_LOCAL_MACHINE

    // Without a parent the section is SOFTWARE\Movra\<name> and has no reference yet. With
    // one it is <parent path>\<name>, and the parent's children map holds its only
    // reference (replacing any child of the same name).
    MovraSettings(SettingsOpenMode mode, const std::u16string& name, MovraSettings* parent);
    ~MovraSettings() override;

    MovraSettings(const MovraSettings&) = delete;
    MovraSettings& operator=(const MovraSettings&) = delete;

    int32_t addRef() override;
    int32_t release() override;
    int32_t getRefCount() override;

    bool getName(std::u16string& name) override;
    bool getName(std::string& name) override;
    bool getSectionCount(uint32_t& count) override;
    bool getSectionNames(std::set<std::u16string>& names) override;
    bool getSectionNames(std::set<std::string>& names) override;
    bool openSection(const std::u16string& path, IMovraSettings** section) override;
    bool openSection(const std::string& path, IMovraSettings** section) override;
    bool getValueCount(uint32_t& count) override;
    bool getValueNames(std::set<std::u16string>& names) override;
    bool getValueNames(std::set<std::string>& names) override;

    using IMovraSettings::setValue;
    bool setValue(const std::u16string& name, long long value) override;
    bool setValue(const std::string& name, long long value) override;
    bool setValue(const std::u16string& name, int32_t value) override;
    bool setValue(const std::string& name, int32_t value) override;
    bool setValue(const std::u16string& name, uint32_t value) override;
    bool setValue(const std::string& name, uint32_t value) override;
    bool setValue(const std::u16string& name, int64_t value) override;
    bool setValue(const std::string& name, int64_t value) override;
    bool setValue(const std::u16string& name, uint64_t value) override;
    bool setValue(const std::string& name, uint64_t value) override;
    bool setValue(const std::u16string& name, float value) override;
    bool setValue(const std::string& name, float value) override;
    bool setValue(const std::u16string& name, double value) override;
    bool setValue(const std::string& name, double value) override;
    bool setValue(const std::u16string& name, bool value) override;
    bool setValue(const std::string& name, bool value) override;
    bool setValue(const std::u16string& name, const std::string& value) override;
    bool setValue(const std::string& name, const std::string& value) override;
    bool setValue(const std::u16string& name, const std::u16string& value) override;
    bool setValue(const std::string& name, const std::u16string& value) override;
    bool setValue(const std::u16string& name, const char* data, uint32_t size) override;
    bool setValue(const std::string& name, const char* data, uint32_t size) override;

    bool getValue(const std::u16string& name, long long& value) override;
    bool getValue(const std::string& name, long long& value) override;
    bool getValue(const std::u16string& name, int32_t& value) override;
    bool getValue(const std::string& name, int32_t& value) override;
    bool getValue(const std::u16string& name, uint32_t& value) override;
    bool getValue(const std::string& name, uint32_t& value) override;
    bool getValue(const std::u16string& name, int64_t& value) override;
    bool getValue(const std::string& name, int64_t& value) override;
    bool getValue(const std::u16string& name, uint64_t& value) override;
    bool getValue(const std::string& name, uint64_t& value) override;
    bool getValue(const std::u16string& name, float& value) override;
    bool getValue(const std::string& name, float& value) override;
    bool getValue(const std::u16string& name, double& value) override;
    bool getValue(const std::string& name, double& value) override;
    bool getValue(const std::u16string& name, bool& value) override;
    bool getValue(const std::string& name, bool& value) override;
    bool getValue(const std::u16string& name, std::string& value) override;
    bool getValue(const std::string& name, std::string& value) override;
    bool getValue(const std::u16string& name, std::u16string& value) override;
    bool getValue(const std::string& name, std::u16string& value) override;
    bool getValue(const std::u16string& name, mvtl::MemoryBuffer<char>& value) override;
    bool getValue(const std::string& name, mvtl::MemoryBuffer<char>& value) override;

    bool removeSection() override;
    bool removeValue(const std::u16string& name) override;
    bool removeValue(const std::string& name) override;

    // Opens the keys the mode needs that are not open yet; true when the section is usable.
    bool ensureOpen();

    const std::u16string& getPath() const { return path; }
    SettingsOpenMode getMode() const { return mode; }
    // The root of the last successful open (kUserRoot or kMachineRoot), 0 before.
    uint32_t getUsedRoot() const { return usedRoot; }

private:
    bool isFallbackMode() const;
    bool isCreateMode() const;
    MovraRegistry::HKEY primaryKey() const;
    MovraRegistry::HKEY fallbackKey() const;
    void closeKeys();

    bool writeValue(const std::u16string& name, MovraRegistry::DWORD type, const void* data,
                    MovraRegistry::DWORD size);
    // Runs `read` on the primary key and, when that fails, on the fallback key.
    template <typename Read>
    bool readWithFallback(const std::u16string& name, Read read);
    bool collectSectionNames(MovraRegistry::HKEY key, std::set<std::u16string>& names);

    int32_t refCount = 0;
    std::u16string path;
    std::u16string name;
    SettingsOpenMode mode;
    uint32_t usedRoot = 0;
    MovraRegistry::HKEY userKey = nullptr;
    MovraRegistry::HKEY machineKey = nullptr;
    std::unordered_map<std::u16string, mvtl::RefCountedPtr_STLSafe<IMovraSettings>> children;
};

} // namespace mvds
