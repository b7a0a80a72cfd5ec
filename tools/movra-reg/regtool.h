#pragma once
// The movra-reg command: query, add, delete, import and export with the arguments of the
// Windows reg command, over the registry layer. Exit status 0 on success, 1 on failure.

#include "platform/registry.h"
#include "tools/movra-reg/regfile.h"
#include "tools/movra-reg/regkeypath.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace MovraReg {

class RegTool
{
public:
    RegTool(std::ostream& out, std::ostream& err, std::istream& in) : m_out(out), m_err(err), m_in(in) {}

    int run(const std::vector<std::u16string>& args);

private:
    struct Options;

    int query(const Options& options);
    int add(const Options& options);
    int remove(const Options& options);
    int import(const Options& options);
    int exportKey(const Options& options);

    int fail(const std::string& message);
    int failRegistry(MovraRegistry::LONG rc, const std::u16string& what);
    bool confirm(const std::string& question);
    void printValue(const std::u16string& name, MovraRegistry::DWORD type,
                    const std::vector<MovraRegistry::BYTE>& data);
    MovraRegistry::LONG printKey(MovraRegistry::HKEY key, const std::u16string& fullName, bool recurse);
    MovraRegistry::LONG collect(MovraRegistry::HKEY key, const std::u16string& fullName, RegFile* file);

    std::ostream& m_out;
    std::ostream& m_err;
    std::istream& m_in;
};

} // namespace MovraReg
