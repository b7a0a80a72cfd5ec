#include "componentmanager/failurelog.h"

#include "componentmanager/componentstatus.h"

#include <cerrno>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace MovraComponents {

namespace {

void makeParents(const std::string& path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0700);
}

// Names and reasons come from servers and archives: keep the line one line.
std::string oneLine(const std::string& text)
{
    std::string out;
    for (char c : text)
        out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
    return out;
}

} // namespace

void logFailure(const std::string& logPath, int32_t status, const std::string& component,
                const std::string& address, const std::string& reason)
{
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    const std::string line = std::string(stamp) + " status " + std::to_string(status) + " (" + statusText(status)
                             + ") component " + oneLine(component.empty() ? "-" : component) + " address "
                             + oneLine(address.empty() ? "-" : address) + ": " + oneLine(reason) + "\n";
    int fd = ::open(logPath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0 && errno == ENOENT) {
        makeParents(logPath);
        fd = ::open(logPath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    }
    if (fd < 0)
        return;
    // One write, so lines of concurrent installs never interleave.
    if (::write(fd, line.data(), line.size()) < 0) {
        // Nowhere left to report it.
    }
    ::close(fd);
}

const char* statusText(int32_t status)
{
    switch (status) {
    case Success: return "success";
    case PlayerUpdateRequired: return "the player must be updated first";
    case ServerUnreachable: return "component server unreachable";
    case SignatureInvalid: return "catalogue signature invalid";
    case NoProvider: return "no component provides it";
    case DownloadFailed: return "download failed";
    case ChecksumMismatch: return "checksum mismatch";
    case UnsafeArchive: return "unsafe archive";
    case NoRights: return "no rights";
    case DiskFull: return "disk full";
    case Cancelled: return "cancelled";
    case CatalogueInvalid: return "catalogue invalid";
    case InvalidArgument: return "invalid argument";
    case InstallFailed: return "install failed";
    case RegistryFailed: return "installation record not written";
    case CatalogueOutdated: return "catalogue replayed or expired";
    default: return "unknown status";
    }
}

} // namespace MovraComponents
