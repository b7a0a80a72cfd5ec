#pragma once
// What discovery learnt about each library of one plug-in folder, kept between runs so
// that a start reads one file instead of every properties document.
//
// An entry is trusted only while its properties document is exactly as it was: the same
// device, inode, size, modification and change time. The library itself is never looked
// at: nothing in an entry comes from it, its presence comes from the folder listing, and
// loading a plug-in always opens the library file itself, so an entry cannot be stale
// about it. A document that changed is read again and replaces its own entry, nothing
// else. Entries remember failures too, with the messages they produced, so a start served
// from the cache logs what a start without it logs. A document touched within the last
// second is never cached: a second change inside the same clock tick would leave its times
// as they were.
//
// The cache lives in the user's cache folder ($XDG_CACHE_HOME, else ~/.cache) under
// movra/plugin-catalogue/, one file per plug-in folder: derived data, safe to delete, and
// written by users who cannot write to an installed plug-in folder. The file is replaced
// whole through a temporary file and a rename, so a reader sees the old file or the new
// one; two players starting at once each write a complete file and the last one stays.
// A file that is truncated, corrupt, of another format or of another folder is ignored and
// rewritten.

#include <MSE/PluginInfo.h>

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace MSE {

struct MSE_FRAMEWORK_API FileKey
{
    bool exists = false; // a file that is not a folder
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;

    static FileKey of(const std::string& path);
    // The file `name` of the folder open as `folder` (a descriptor; -1: `name` is a path).
    static FileKey of(int folder, const std::string& name);
    bool operator==(const FileKey& other) const;
    bool operator!=(const FileKey& other) const { return !(*this == other); }
};

struct CatalogueEntry
{
    enum Outcome : uint8_t { Parsed = 0, PropertiesMissing = 1, Unparsable = 2 };

    FileKey properties;
    Outcome outcome = PropertiesMissing;
    // NUL-terminated views into the loaded cache file or into strings the cache owns.
    std::string_view text;        // Parsed: the document's bytes
    std::string_view image;       // Parsed: the tree they gave (documentimage.h); empty: parse the text
    std::string_view diagnostics; // Unparsable: what the loader printed on standard error
    std::string_view reason;      // Unparsable: the one-line reason
};

class MSE_FRAMEWORK_API CatalogueCache
{
public:
    // Loads the cache of `folder` (UTF-8, with its trailing separator). Without a usable
    // cache folder the cache stays empty and save() does nothing.
    explicit CatalogueCache(const std::string& folder);
    ~CatalogueCache();
    CatalogueCache(const CatalogueCache&) = delete;
    CatalogueCache& operator=(const CatalogueCache&) = delete;

    // The entry of `libraryFile` if it was cached with exactly this key of its document.
    const CatalogueEntry* find(const std::string& libraryFile, const FileKey& properties) const;
    // What this run found for `libraryFile`; the strings are copied. Entries of documents
    // changed within the last second are left out.
    void keep(const std::string& libraryFile, const CatalogueEntry& entry);
    // The entry found by find(), unchanged.
    void keepCached(const std::string& libraryFile, const CatalogueEntry& entry);
    // Writes the kept entries when they differ from what was loaded.
    void save();

    // The plug-in folder, open for looking files up relative to it (-1 when it cannot be).
    int folder() const { return m_folderFd; }

    // Where the cache of `folder` is kept; empty without a usable cache folder.
    static std::string pathFor(const std::string& folder);
    // The size of the cache file of `folder`; 0 when there is none.
    static uint64_t storedSize(const std::string& folder);

private:
    std::string m_folder;
    std::string m_path;
    std::string m_loaded; // the file's bytes; loaded entries point into it
    std::unordered_map<std::string_view, CatalogueEntry> m_old;
    std::deque<std::string> m_owned;
    std::unordered_map<std::string_view, CatalogueEntry> m_new;
    bool m_changed = false;
    int64_t m_nowNs = 0;
    int m_folderFd = -1;
};

} // namespace MSE
