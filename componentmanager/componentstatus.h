#pragma once
// Results of the component manager's entry points and of `movra-components` (its exit code).
// 1, 2, 3 and 13 belong to the player's own failures and are never produced here; 14 is the
// one status the player turns into a question (update the player first).

#include <cstdint>

namespace MovraComponents {

enum Status : int32_t {
    Success = 0,
    PlayerUpdateRequired = 14,  // a needed component asks for a newer player
    ServerUnreachable = 21,     // no connection to the component server
    SignatureInvalid = 22,      // the catalogue is not signed by a trusted key
    NoProvider = 23,            // no component in the catalogue provides what was asked for
    DownloadFailed = 24,        // HTTP error, redirect loop or other scheme, timeout, dropped connection
    ChecksumMismatch = 25,      // the archive's size or SHA-256 differs from the catalogue
    UnsafeArchive = 26,         // absolute path, "..", escaping link, device node, too large
    NoRights = 27,              // cannot write, and no pkexec or the administrator refused
    DiskFull = 28,
    Cancelled = 29,             // MCM_Shutdown during the call
    CatalogueInvalid = 30,      // not JSON, wrong types, bad names or versions, cycles
    InvalidArgument = 31,       // null handle, spec text without three fields, unknown name
    InstallFailed = 32,         // any other file system failure while installing
    RegistryFailed = 33,        // the installation record could not be written
    CatalogueOutdated = 34,     // older than one already accepted (replayed), or past its expiry
};

const char* statusText(int32_t status);

} // namespace MovraComponents
