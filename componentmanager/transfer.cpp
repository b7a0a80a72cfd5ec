#include "componentmanager/transfer.h"

#include "componentmanager/componentstatus.h"
#include "componentmanager/errortext.h"

#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <mutex>

namespace MovraComponents {

namespace {

using Clock = std::chrono::steady_clock;
constexpr long kMaxRedirects = 5;
constexpr int kPollMs = 25;

struct TransferState
{
    const TransferLimits* limits = nullptr;
    const TransferSink* sink = nullptr;
    uint64_t received = 0;
    bool tooLarge = false;
    int32_t sinkStatus = 0;
    std::string sinkReason;
    Clock::time_point lastData = Clock::now();
};

size_t writeCallback(char* data, size_t size, size_t count, void* user)
{
    auto* state = static_cast<TransferState*>(user);
    const size_t bytes = size * count;
    state->lastData = Clock::now();
    if (state->received + bytes > state->limits->maxBytes) {
        state->tooLarge = true;
        return CURL_WRITEFUNC_ERROR;
    }
    state->received += bytes;
    const int32_t status = (*state->sink)(data, bytes, &state->sinkReason);
    if (status != Success) {
        state->sinkStatus = status;
        return CURL_WRITEFUNC_ERROR;
    }
    return bytes;
}

void initialiseCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

TransferResult download(const std::string& url, const TransferLimits& limits, const std::atomic<bool>& cancel,
                        const TransferSink& sink, const TransferProgress& progress)
{
    initialiseCurl();
    TransferResult result;
    TransferState state;
    state.limits = &limits;
    state.sink = &sink;
    std::unique_ptr<CURL, void (*)(CURL*)> easy(curl_easy_init(), &curl_easy_cleanup);
    std::unique_ptr<CURLM, CURLMcode (*)(CURLM*)> multi(curl_multi_init(), &curl_multi_cleanup);
    if (!easy || !multi) {
        result.status = DownloadFailed;
        result.reason = "cannot set up a transfer";
        return result;
    }
    CURL* e = easy.get();
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(e, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, limits.stallTimeoutMs);
    curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes));
    curl_easy_setopt(e, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    curl_easy_setopt(e, CURLOPT_USERAGENT, "MovraComponentManager/1");
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &writeCallback);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &state);
    curl_multi_add_handle(multi.get(), e);

    CURLcode code = CURLE_OK;
    const Clock::time_point started = Clock::now();
    Clock::time_point windowStart = started;
    uint64_t windowBytes = 0;
    bool tooSlow = false, overDeadline = false;
    bool stalled = false;
    bool cancelled = false;
    for (;;) {
        int running = 0;
        curl_multi_perform(multi.get(), &running);
        int queued = 0;
        bool done = false;
        while (CURLMsg* msg = curl_multi_info_read(multi.get(), &queued)) {
            if (msg->msg == CURLMSG_DONE) {
                code = msg->data.result;
                done = true;
            }
        }
        if (done || running == 0)
            break;
        if (cancel.load(std::memory_order_relaxed)) {
            cancelled = true;
            break;
        }
        const Clock::time_point now = Clock::now();
        if (now - state.lastData > std::chrono::milliseconds(limits.stallTimeoutMs)) {
            stalled = true;
            break;
        }
        if (limits.deadlineMs > 0 && now - started > std::chrono::milliseconds(limits.deadlineMs)) {
            overDeadline = true;
            break;
        }
        if (now - windowStart >= std::chrono::milliseconds(limits.stallTimeoutMs)) {
            const double seconds = std::chrono::duration<double>(now - windowStart).count();
            if (limits.minimumRate > 0
                && static_cast<double>(state.received - windowBytes) < static_cast<double>(limits.minimumRate) * seconds) {
                tooSlow = true;
                break;
            }
            windowStart = now;
            windowBytes = state.received;
        }
        if (progress) {
            curl_off_t total = -1;
            curl_easy_getinfo(e, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &total);
            progress(state.received, total > 0 ? static_cast<uint64_t>(total) : 0);
        }
        curl_multi_poll(multi.get(), nullptr, 0, kPollMs, nullptr);
    }
    curl_multi_remove_handle(multi.get(), e);

    long http = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &http);
    result.tooLarge = state.tooLarge || code == CURLE_FILESIZE_EXCEEDED;
    if (cancelled) {
        result.status = Cancelled;
        result.reason = "cancelled";
    } else if (overDeadline) {
        result.status = DownloadFailed;
        result.reason = "not done within " + std::to_string(limits.deadlineMs) + " ms";
    } else if (tooSlow) {
        result.status = DownloadFailed;
        result.reason = "slower than " + std::to_string(limits.minimumRate) + " bytes per second";
    } else if (stalled) {
        result.status = DownloadFailed;
        result.reason = "no data for " + std::to_string(limits.stallTimeoutMs) + " ms";
    } else if (state.sinkStatus != Success) {
        result.status = state.sinkStatus;
        result.reason = state.sinkReason;
    } else if (result.tooLarge) {
        result.status = DownloadFailed;
        result.reason = "larger than " + std::to_string(limits.maxBytes) + " bytes";
    } else if (code == CURLE_OK) {
        result.status = Success;
        if (progress)
            progress(state.received, state.received);
    } else {
        switch (code) {
        case CURLE_COULDNT_CONNECT:
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            result.status = ServerUnreachable;
            break;
        default:
            result.status = DownloadFailed;
        }
        if (code == CURLE_HTTP_RETURNED_ERROR)
            result.reason = "HTTP status " + std::to_string(http);
        else if (code == CURLE_TOO_MANY_REDIRECTS)
            result.reason = "more than " + std::to_string(kMaxRedirects) + " redirects";
        else if (code == CURLE_UNSUPPORTED_PROTOCOL)
            result.reason = "address or redirect to a scheme other than http or https";
        else
            result.reason = curlErrorText(code);
    }
    return result;
}

TransferResult downloadToString(const std::string& url, const TransferLimits& limits,
                                const std::atomic<bool>& cancel, std::string* out)
{
    out->clear();
    return download(url, limits, cancel, [out](const char* data, size_t size, std::string*) {
        out->append(data, size);
        return int32_t(Success);
    });
}

} // namespace MovraComponents
