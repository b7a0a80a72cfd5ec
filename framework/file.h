#pragma once
// Files and folders for the framework, on wide-string paths.

#include <MSE/List.h>
#include <MSE/PluginInfo.h>
#include <MSE/Result.h>
#include <MSE/String.h>

#include <cstdint>

namespace MSE {

class MSE_FRAMEWORK_API File
{
public:
    // Open modes: access, what happens to an existing / a missing file, where writing starts.
    enum Mode : uint32_t {
        ReadExisting = 0,         // read; open / fail; start
        WriteTruncate = 1,        // write; truncate / create; start
        WriteNew = 2,             // write; fail / create; start
        ReadWriteTruncate = 3,    // read and write; truncate / create; start
        ReadWrite = 4,            // read and write; open / create; start
        ReadWriteNew = 5,         // read and write; fail / create; start
        WriteAtEnd = 6,           // write; open / create; end
        ReadWriteAtEnd = 7,       // read and write; open / create; end
    };

    File() {}
    virtual ~File();

    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // kResultOk open; kResultMissingArgument this object already holds a file (nothing
    // changes); kResultOpenRefused the system refused (also for a folder); kResultFailed
    // mode above 7.
    int open(const movra_string<wchar_t>& path, uint32_t mode);
    bool isOpen() const { return m_handle >= 0; }
    // Length in bytes; the position is unchanged. 0 for a closed file.
    uint64_t size() const;
    // Up to count bytes from the current position in one system call; 0 when closed or on error.
    uint32_t read(void* buffer, uint32_t count);
    int close();

private:
    int m_handle = -1;
};

// True for an existing file that is not a folder. An empty path gives false.
MSE_FRAMEWORK_API bool fileExists(const movra_string<wchar_t>& path);

// Full paths of the folder's entries whose extension (text after the last dot, compared
// without regard to case) is one of the comma-separated extensions, in the system's listing
// order. With recursive set, subfolders are listed where they are met; otherwise a folder
// entry is tested by name like a file. A folder that cannot be listed gives an empty list.
MSE_FRAMEWORK_API List<movra_string<wchar_t>> listFiles(const movra_string<wchar_t>& folder,
                                                        const movra_string<wchar_t>& extensions,
                                                        bool recursive);

// The folder with "/" separators (backslashes converted) and one trailing "/".
MSE_FRAMEWORK_API movra_string<wchar_t> normalizedFolder(const movra_string<wchar_t>& folder);

constexpr wchar_t kPathSeparator = L'/';

} // namespace MSE
