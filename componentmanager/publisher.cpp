#include "componentmanager/publisher.h"

#include "componentmanager/crypto.h"
#include "componentmanager/errortext.h"
#include "componentmanager/fsutil.h"
#include "componentmanager/safeextract.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace MovraComponents {

namespace {

const char kCatalogue[] = "/catalog.json";

bool failWith(std::string* error, const std::string& what)
{
    *error = what;
    return false;
}

bool sortedEntries(const std::string& folder, std::vector<std::string>* names)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return false;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            names->push_back(name);
    }
    ::closedir(dir);
    std::sort(names->begin(), names->end());
    return true;
}

bool addTree(archive* a, const std::string& root, const std::string& relative, std::string* error)
{
    const std::string folder = relative.empty() ? root : root + "/" + relative;
    std::vector<std::string> names;
    // A folder that cannot be read would otherwise make an empty component that installs fine.
    if (!sortedEntries(folder, &names))
        return failWith(error, "cannot read the folder " + folder + ": " + std::strerror(errno));
    if (relative.empty() && names.empty())
        return failWith(error, "the folder " + folder + " is empty");
    for (const std::string& name : names) {
        const std::string rel = relative.empty() ? name : relative + "/" + name;
        const std::string path = root + "/" + rel;
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0)
            return failWith(error, "cannot read " + path);
        std::unique_ptr<archive_entry, void (*)(archive_entry*)> entry(archive_entry_new(), &archive_entry_free);
        archive_entry_set_pathname(entry.get(), rel.c_str());
        archive_entry_set_perm(entry.get(), st.st_mode & 0755);
        archive_entry_set_mtime(entry.get(), st.st_mtime, 0);
        if (S_ISDIR(st.st_mode)) {
            archive_entry_set_filetype(entry.get(), AE_IFDIR);
            if (archive_write_header(a, entry.get()) != ARCHIVE_OK)
                return failWith(error, archiveErrorText(a));
            if (!addTree(a, root, rel, error))
                return false;
        } else if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
            if (n < 0)
                return failWith(error, "cannot read link " + path);
            target[n] = '\0';
            archive_entry_set_filetype(entry.get(), AE_IFLNK);
            archive_entry_set_symlink(entry.get(), target);
            if (archive_write_header(a, entry.get()) != ARCHIVE_OK)
                return failWith(error, archiveErrorText(a));
        } else if (S_ISREG(st.st_mode)) {
            archive_entry_set_filetype(entry.get(), AE_IFREG);
            archive_entry_set_size(entry.get(), st.st_size);
            if (archive_write_header(a, entry.get()) != ARCHIVE_OK)
                return failWith(error, archiveErrorText(a));
            std::ifstream in(path, std::ios::binary);
            char buffer[65536];
            while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
                if (archive_write_data(a, buffer, static_cast<size_t>(in.gcount())) < 0)
                    return failWith(error, archiveErrorText(a));
            }
        } else {
            return failWith(error, path + " is neither a file, a folder nor a link");
        }
    }
    return true;
}

bool copyFile(const std::string& from, const std::string& to)
{
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
    return in && out.good();
}

bool readKey(const std::string& keyFile, std::string* key, std::string* error)
{
    if (!readSmallFile(keyFile, key, 4096))
        return failWith(error, "cannot read the key file " + keyFile);
    return true;
}

} // namespace

bool packFolder(const std::string& folder, const std::string& archivePath, std::string* error)
{
    std::unique_ptr<archive, int (*)(archive*)> a(archive_write_new(), &archive_write_free);
    archive_write_set_format_pax_restricted(a.get());
    archive_write_add_filter_xz(a.get());
    if (archive_write_open_filename(a.get(), archivePath.c_str()) != ARCHIVE_OK)
        return failWith(error, "cannot write " + archivePath + ": " + archiveErrorText(a.get()));
    if (!addTree(a.get(), folder, std::string(), error) || archive_write_close(a.get()) != ARCHIVE_OK) {
        if (error->empty())
            *error = archiveErrorText(a.get());
        a.reset();
        ::unlink(archivePath.c_str());
        return false;
    }
    return true;
}

bool describeArchive(const std::string& archivePath, std::vector<CatalogueFile>* files, uint64_t* unpacked,
                     std::string* error)
{
    std::unique_ptr<archive, int (*)(archive*)> a(archive_read_new(), &archive_read_free);
    archive_read_support_format_tar(a.get());
    archive_read_support_filter_gzip(a.get());
    archive_read_support_filter_xz(a.get());
    archive_read_support_filter_zstd(a.get());
    archive_read_support_filter_bzip2(a.get());
    if (archive_read_open_filename(a.get(), archivePath.c_str(), 65536) != ARCHIVE_OK)
        return failWith(error, "cannot read " + archivePath + ": " + archiveErrorText(a.get()));
    *unpacked = 0;
    archive_entry* entry = nullptr;
    int rc;
    while ((rc = archive_read_next_header(a.get(), &entry)) == ARCHIVE_OK || rc == ARCHIVE_WARN) {
        const bool regular = archive_entry_filetype(entry) == AE_IFREG && !archive_entry_hardlink(entry);
        Sha256 hash;
        uint64_t size = 0;
        char buffer[65536];
        la_ssize_t n;
        while ((n = archive_read_data(a.get(), buffer, sizeof buffer)) > 0) {
            hash.update(buffer, static_cast<size_t>(n));
            size += static_cast<uint64_t>(n);
        }
        *unpacked += size;
        const std::string path = normaliseEntryPath(archive_entry_pathname(entry) ? archive_entry_pathname(entry) : "");
        if (regular && isSafeRelativePath(path))
            files->push_back(CatalogueFile{path, size, hash.finishHex()});
    }
    if (rc != ARCHIVE_EOF)
        return failWith(error, "damaged archive " + archivePath + ": " + archiveErrorText(a.get()));
    return true;
}

bool signCatalogue(const std::string& outFolder, const std::string& keyFile, std::string* error)
{
    std::string key, text, signature;
    if (!readKey(keyFile, &key, error))
        return false;
    if (!readSmallFile(outFolder + kCatalogue, &text, Catalogue::kMaxBytes * 16))
        return failWith(error, "cannot read " + outFolder + kCatalogue);
    if (!signMessage(text, key, &signature))
        return failWith(error, keyFile + " does not hold a secret key");
    if (!writeFileAtomically(outFolder + kCatalogue + ".sig", signature, 0644))
        return failWith(error, "cannot write the signature in " + outFolder);
    return true;
}

bool publishComponents(const std::string& outFolder, const std::string& keyFile,
                       const std::vector<PublishedComponent>& components, std::string* error,
                       const PublishOptions& options)
{
    std::string key;
    if (!readKey(keyFile, &key, error))
        return false;
    if (!makeFolders(outFolder))
        return failWith(error, "cannot create " + outFolder);
    std::vector<CatalogueEntry> entries;
    std::string existing;
    CatalogueStamp stamp;
    if (readSmallFile(outFolder + kCatalogue, &existing, Catalogue::kMaxBytes)) {
        Catalogue old;
        if (!old.parse(existing, error))
            return failWith(error, outFolder + kCatalogue + ": " + *error);
        entries = old.entries();
        stamp.serial = old.stamp().serial;
    }
    stamp.serial = options.serial ? options.serial : stamp.serial + 1;
    stamp.expires = options.expires ? options.expires : static_cast<int64_t>(std::time(nullptr)) + kDefaultValidity;
    for (const PublishedComponent& c : components) {
        CatalogueEntry entry;
        entry.name = c.name;
        const auto version = Version::parse(c.version);
        if (!isValidComponentName(c.name) || !version)
            return failWith(error, "\"" + c.name + "\" \"" + c.version + "\" is not a component name and version");
        entry.version = *version;
        entry.provides = c.provides;
        entry.requires_ = c.requires_;
        if (!c.minimumPlayerVersion.empty()) {
            entry.minimumPlayerVersion = Version::parse(c.minimumPlayerVersion);
            if (!entry.minimumPlayerVersion)
                return failWith(error, "\"" + c.minimumPlayerVersion + "\" is not a version");
        }
        entry.archive = c.name + "-" + c.version + ".tar.xz";
        const std::string archivePath = outFolder + "/" + entry.archive;
        if (!c.archive.empty() ? !copyFile(c.archive, archivePath) : !packFolder(c.folder, archivePath, error))
            return failWith(error, "cannot make " + archivePath + (error->empty() ? "" : ": " + *error));
        if (!describeArchive(archivePath, &entry.files, &entry.unpackedSize, error))
            return false;
        struct stat st;
        if (::stat(archivePath.c_str(), &st) != 0)
            return failWith(error, "cannot read " + archivePath);
        entry.size = static_cast<uint64_t>(st.st_size);
        entry.sha256 = sha256OfFile(archivePath);
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [&](const CatalogueEntry& e) { return e.name == entry.name; }),
                      entries.end());
        entries.push_back(std::move(entry));
    }
    const std::string text = serialiseCatalogue(entries, stamp);
    Catalogue check;
    if (!check.parse(text, error))
        return failWith(error, "the catalogue would be refused: " + *error);
    if (!writeFileAtomically(outFolder + kCatalogue, text, 0644))
        return failWith(error, "cannot write " + outFolder + kCatalogue);
    return signCatalogue(outFolder, keyFile, error);
}

bool writeKeyPair(const std::string& base, std::string* error)
{
    std::string secret, pub;
    if (!generateKeyPair(&secret, &pub))
        return failWith(error, "cannot generate a key pair");
    if (!writeFileAtomically(base + ".key", secret + "\n", 0600) || ::chmod((base + ".key").c_str(), 0600) != 0)
        return failWith(error, "cannot write " + base + ".key");
    if (!writeFileAtomically(base + ".pub", pub + "\n", 0644))
        return failWith(error, "cannot write " + base + ".pub");
    return true;
}

} // namespace MovraComponents
