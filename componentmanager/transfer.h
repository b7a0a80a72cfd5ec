#pragma once
// One HTTP(S) download through libcurl, on the calling thread: only http and https, also
// after a redirect; a bounded number of redirects; a byte limit that stops the transfer the
// moment it is passed; a stall limit (no byte for that long ends it), a minimum rate over
// the same time (a server sending a byte now and then ends it too), an overall deadline; and
// cancellation seen within a few tens of milliseconds.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace MovraComponents {

struct TransferLimits
{
    uint64_t maxBytes = 0;
    long stallTimeoutMs = 30000;
    long deadlineMs = 0;      // the whole transfer; 0: none
    long minimumRate = 0;     // bytes per second, averaged over each stallTimeoutMs; 0: none
};

struct TransferResult
{
    int32_t status = 0;     // Success, ServerUnreachable, DownloadFailed, Cancelled, or the sink's
    bool tooLarge = false;  // stopped at maxBytes
    std::string reason;
};

using TransferSink = std::function<int32_t(const char* data, size_t size, std::string* reason)>;
using TransferProgress = std::function<void(uint64_t done, uint64_t total)>;

TransferResult download(const std::string& url, const TransferLimits& limits, const std::atomic<bool>& cancel,
                        const TransferSink& sink, const TransferProgress& progress = {});

TransferResult downloadToString(const std::string& url, const TransferLimits& limits,
                                const std::atomic<bool>& cancel, std::string* out);

} // namespace MovraComponents
