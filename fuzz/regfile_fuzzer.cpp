// .reg files as movra-reg imports them. A file that parses exports to text that parses to the
// same file, and exports again byte for byte the same; one that does not parse says why and
// hands back nothing.

#include "fuzzcheck.h"
#include "tools/movra-reg/regfile.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    MovraReg::RegFile file;
    MovraReg::RegFileError error;
    if (!MovraReg::parseRegFile(bytes, &file, &error)) {
        FUZZ_CHECK(!error.message.empty());
        FUZZ_CHECK(file.keys.empty());
        return 0;
    }
    const std::string exported = MovraReg::formatRegFile(file);
    MovraReg::RegFile again;
    FUZZ_CHECK(MovraReg::parseRegFile(exported, &again, &error));
    FUZZ_CHECK(again.keys.size() == file.keys.size());
    FUZZ_CHECK(MovraReg::formatRegFile(again) == exported);
    return 0;
}
