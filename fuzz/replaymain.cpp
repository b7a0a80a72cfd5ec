// Without libFuzzer (a GCC build) every target is a program that feeds it the files it is
// given, and the files inside folders it is given, one input each. CTest runs it on the
// target's corpus, so every input that ever found a fault stays a regression test.

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace {

void collect(const std::string& path, std::vector<std::string>& files)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return;
    if (!S_ISDIR(st.st_mode)) {
        files.push_back(path);
        return;
    }
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            collect(path + "/" + name, files);
    }
    ::closedir(dir);
}

} // namespace

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i)
        collect(argv[i], files);
    std::sort(files.begin(), files.end());
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        const std::string input = bytes.str();
        // A block of exactly the input's size, as libFuzzer hands it over: under AddressSanitizer
        // a read past the input is then caught here too, not hidden by a string's spare room.
        const std::unique_ptr<uint8_t[]> exact(new uint8_t[input.size()]);
        std::memcpy(exact.get(), input.data(), input.size());
        LLVMFuzzerTestOneInput(exact.get(), input.size());
    }
    std::printf("%zu inputs replayed\n", files.size());
    return files.empty() ? 1 : 0;
}
