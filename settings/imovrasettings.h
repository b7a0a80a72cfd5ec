#pragma once
// A section of the settings store: typed named values and child sections, kept in the
// registry below SOFTWARE\Movra\ of the user, of the machine, or of both.
//
// Every operation reports success as a bool. Names and strings come in UTF-16 and in UTF-8;
// the UTF-8 forms convert and forward, so a UTF-8 name that does not convert fails.

#include "settings/irefcounted.h"
#include "settings/memorybuffer.h"

#include <cstdint>
#include <set>
#include <string>

namespace mvds {

// How a section opens its registry keys; children inherit their parent's mode.
enum SettingsOpenMode : int32_t {
    UserReadWrite = 1,
    UserReadWriteMachineFallback = 2,
    MachineReadWrite = 3,
    UserReadOnly = 4,
    UserReadOnlyMachineFallback = 5,
    MachineReadOnly = 6,
    UserCreate = 7,
    UserCreateMachineFallback = 8,
    MachineCreate = 9,
};

using WideString = std::u16string;
using WideNameSet = std::set<std::u16string>;
using NameSet = std::set<std::string>;

// The slot order of these operations is part of the contract.
class IMovraSettings : public mvtl::IRefCounted
{
public:
    virtual bool getName(std::u16string& name) = 0;
    virtual bool getName(std::string& name) = 0;

    virtual bool getSectionCount(uint32_t& count) = 0;
    virtual bool getSectionNames(std::set<std::u16string>& names) = 0;
    virtual bool getSectionNames(std::set<std::string>& names) = 0;
    // Opens (in the create modes: creates) the child section at `path` ("a/b" or "a\b").
    // On success `section`, when given, receives one reference that the caller owns.
    virtual bool openSection(const std::u16string& path, IMovraSettings** section) = 0;
    virtual bool openSection(const std::string& path, IMovraSettings** section) = 0;

    // The unnamed (default) value is not counted or listed.
    virtual bool getValueCount(uint32_t& count) = 0;
    virtual bool getValueNames(std::set<std::u16string>& names) = 0;
    virtual bool getValueNames(std::set<std::string>& names) = 0;

    // Integers of every width are stored as REG_QWORD; floats and bools as REG_DWORD,
    // doubles as REG_QWORD, strings as REG_SZ, bytes as REG_BINARY.
    virtual bool setValue(const std::u16string& name, long long value) = 0;
    virtual bool setValue(const std::string& name, long long value) = 0;
    virtual bool setValue(const std::u16string& name, int32_t value) = 0;
    virtual bool setValue(const std::string& name, int32_t value) = 0;
    virtual bool setValue(const std::u16string& name, uint32_t value) = 0;
    virtual bool setValue(const std::string& name, uint32_t value) = 0;
    virtual bool setValue(const std::u16string& name, int64_t value) = 0;
    virtual bool setValue(const std::string& name, int64_t value) = 0;
    virtual bool setValue(const std::u16string& name, uint64_t value) = 0;
    virtual bool setValue(const std::string& name, uint64_t value) = 0;
    virtual bool setValue(const std::u16string& name, float value) = 0;
    virtual bool setValue(const std::string& name, float value) = 0;
    virtual bool setValue(const std::u16string& name, double value) = 0;
    virtual bool setValue(const std::string& name, double value) = 0;
    virtual bool setValue(const std::u16string& name, bool value) = 0;
    virtual bool setValue(const std::string& name, bool value) = 0;
    virtual bool setValue(const std::u16string& name, const std::string& value) = 0;
    virtual bool setValue(const std::string& name, const std::string& value) = 0;
    virtual bool setValue(const std::u16string& name, const std::u16string& value) = 0;
    virtual bool setValue(const std::string& name, const std::u16string& value) = 0;
    // A null `data` is allowed only with a size of 0, which stores an empty value.
    virtual bool setValue(const std::u16string& name, const char* data, uint32_t size) = 0;
    virtual bool setValue(const std::string& name, const char* data, uint32_t size) = 0;

    // Reads try the section's primary key, then (in the fallback modes) the machine key.
    // The integer getters accept REG_QWORD and REG_DWORD; the others only their own type.
    // A getter that fails leaves its out variable as it was.
    virtual bool getValue(const std::u16string& name, long long& value) = 0;
    virtual bool getValue(const std::string& name, long long& value) = 0;
    virtual bool getValue(const std::u16string& name, int32_t& value) = 0;
    virtual bool getValue(const std::string& name, int32_t& value) = 0;
    virtual bool getValue(const std::u16string& name, uint32_t& value) = 0;
    virtual bool getValue(const std::string& name, uint32_t& value) = 0;
    virtual bool getValue(const std::u16string& name, int64_t& value) = 0;
    virtual bool getValue(const std::string& name, int64_t& value) = 0;
    virtual bool getValue(const std::u16string& name, uint64_t& value) = 0;
    virtual bool getValue(const std::string& name, uint64_t& value) = 0;
    virtual bool getValue(const std::u16string& name, float& value) = 0;
    virtual bool getValue(const std::string& name, float& value) = 0;
    virtual bool getValue(const std::u16string& name, double& value) = 0;
    virtual bool getValue(const std::string& name, double& value) = 0;
    virtual bool getValue(const std::u16string& name, bool& value) = 0;
    virtual bool getValue(const std::string& name, bool& value) = 0;
    virtual bool getValue(const std::u16string& name, std::string& value) = 0;
    virtual bool getValue(const std::string& name, std::string& value) = 0;
    virtual bool getValue(const std::u16string& name, std::u16string& value) = 0;
    virtual bool getValue(const std::string& name, std::u16string& value) = 0;
    virtual bool getValue(const std::u16string& name, mvtl::MemoryBuffer<char>& value) = 0;
    virtual bool getValue(const std::string& name, mvtl::MemoryBuffer<char>& value) = 0;

    // Deletes this section's key with everything below it; the object stays usable.
    virtual bool removeSection() = 0;
    virtual bool removeValue(const std::u16string& name) = 0;
    virtual bool removeValue(const std::string& name) = 0;

    // A string literal must store as a string, not as the bool it would otherwise convert to.
    bool setValue(const std::u16string& name, const char16_t* value) { return setValue(name, std::u16string(value)); }
    bool setValue(const std::string& name, const char16_t* value) { return setValue(name, std::u16string(value)); }
    bool setValue(const std::u16string& name, const char* value) { return setValue(name, std::string(value)); }
    bool setValue(const std::string& name, const char* value) { return setValue(name, std::string(value)); }
};

} // namespace mvds
