#pragma once
// Registry files in the format "Windows Registry Editor Version 5.00": what they hold,
// how they are read (UTF-8 or UTF-16LE with a byte-order mark) and written (UTF-16LE with
// a byte-order mark, as the system's own editor writes them).

#include "platform/registry.h"

#include <string>
#include <vector>

namespace MovraReg {

struct RegFileValue
{
    std::u16string name; // empty: the key's unnamed value ("@")
    bool remove = false; // "name"=-
    MovraRegistry::DWORD type = MovraRegistry::REG_SZ;
    std::vector<MovraRegistry::BYTE> data;
};

struct RegFileKey
{
    std::u16string path; // as written between the brackets, root name included
    bool remove = false; // [-KEY]
    int line = 0;
    std::vector<RegFileValue> values;
};

struct RegFile
{
    std::vector<RegFileKey> keys;
};

struct RegFileError
{
    int line = 0;
    std::string message;
};

// Reads a whole file; on failure nothing of it is returned and the error names the line.
bool parseRegFile(const std::string& bytes, RegFile* file, RegFileError* error);

std::string formatRegFile(const RegFile& file);

// The text of one value line ("name"=... without the line break), wrapped like the
// system's editor wraps long hexadecimal data.
std::u16string formatRegValue(const RegFileValue& value);

} // namespace MovraReg
