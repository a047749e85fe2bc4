// Network transfer over libcurl: one blocking fetch into a local file, with time and size
// limits so that an unanswering server cannot hold the run for long and an endless one cannot
// fill the disk. The library (and the thirty libraries it pulls in) is loaded on the first
// fetch, not at start-up, so runs that never fetch do not pay for loading it.
#include "io/net_fetch.hpp"

#include "core/interrupt.hpp"
#include "host/tarvextern.hpp"
#include "numeric/text.hpp"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <curl/curl.h>
#include <dlfcn.h>

namespace tarvex {

namespace {

constexpr long MAX_REDIRECTS = 10;
constexpr long long MEGABYTE = 1LL << 20;

// A positive whole number from the environment, else `fallback`.
long long limit_from_environment(const char* name, long long fallback) {
    const std::string text = host::GetEnvironVariable(name).value_or("");
    long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value > 0 ? value : fallback;
}

// What the callbacks of one transfer share.
struct Transfer {
    std::FILE* out = nullptr;
    FetchLimits limits;
    long long written = 0;
    bool too_large = false;
    bool write_failed = false;
    bool stalled = false;
    bool overtime = false;
    bool interrupted = false;
    long long last_received = -1;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point last_progress = started;
};

size_t write_to_file(char* data, size_t size, size_t count, void* context) {
    auto* transfer = static_cast<Transfer*>(context);
    const size_t bytes = size * count;
    if (transfer->written + static_cast<long long>(bytes) > transfer->limits.max_bytes) {
        transfer->too_large = true;
        return 0; // stops the transfer
    }
    if (std::fwrite(data, 1, bytes, transfer->out) != bytes) {
        transfer->write_failed = true;
        return 0;
    }
    transfer->written += static_cast<long long>(bytes);
    return bytes;
}

// Called about once a second and at every arrival: stops a transfer on Ctrl-C, one that has
// received nothing (headers included) for the stall time, and one that has run for its whole
// time (a server that sends a byte a second never stalls).
int watch_progress(void* context, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
    auto* transfer = static_cast<Transfer*>(context);
    if (interrupt_pending()) {
        transfer->interrupted = true;
        return 1;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - transfer->started >= std::chrono::seconds(transfer->limits.total_seconds)) {
        transfer->overtime = true;
        return 1;
    }
    if (received != transfer->last_received) {
        transfer->last_received = received;
        transfer->last_progress = now;
    } else if (now - transfer->last_progress >=
               std::chrono::seconds(transfer->limits.stall_seconds)) {
        transfer->stalled = true;
        return 1;
    }
    return 0;
}

// The report line for a transfer that the limits or Ctrl-C stopped ("" for any other end).
std::string stopped_reason(const Transfer& transfer) {
    if (transfer.interrupted) return "TRANSFER INTERRUPTED";
    if (transfer.too_large)
        return "TRANSFER STOPPED: THE FILE IS LARGER THAN THE LIMIT OF " +
               std::to_string(transfer.limits.max_bytes / MEGABYTE) + " MB (TARVEX_FETCH_MAX_MB)";
    if (transfer.stalled)
        return "TRANSFER STOPPED: NOTHING RECEIVED FOR " +
               std::to_string(transfer.limits.stall_seconds) +
               " SECONDS (TARVEX_FETCH_STALL_SECONDS)";
    if (transfer.overtime)
        return "TRANSFER STOPPED: NOT FINISHED IN " +
               std::to_string(transfer.limits.total_seconds) + " SECONDS (FILE TIMEOUT)";
    return "";
}

// The entry points of the transfer library that a fetch uses.
struct CurlCalls {
    CURLcode (*global_init)(long flags) = nullptr;
    CURL* (*easy_init)() = nullptr;
    CURLcode (*easy_setopt)(CURL*, CURLoption, ...) = nullptr;
    CURLcode (*easy_perform)(CURL*) = nullptr;
    CURLcode (*easy_getinfo)(CURL*, CURLINFO, ...) = nullptr;
    void (*easy_cleanup)(CURL*) = nullptr;
    const char* (*easy_strerror)(CURLcode) = nullptr;
};

template <typename F>
bool bind(void* library, const char* name, F& entry) {
    entry = reinterpret_cast<F>(dlsym(library, name));
    return entry != nullptr;
}

// Loads and starts the library once; null when it is missing or will not start.
const CurlCalls* library() {
    static const CurlCalls* const calls = []() -> const CurlCalls* {
        void* lib = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (lib == nullptr) return nullptr;
        static CurlCalls c;
        const bool bound = bind(lib, "curl_global_init", c.global_init) &&
                           bind(lib, "curl_easy_init", c.easy_init) &&
                           bind(lib, "curl_easy_setopt", c.easy_setopt) &&
                           bind(lib, "curl_easy_perform", c.easy_perform) &&
                           bind(lib, "curl_easy_getinfo", c.easy_getinfo) &&
                           bind(lib, "curl_easy_cleanup", c.easy_cleanup) &&
                           bind(lib, "curl_easy_strerror", c.easy_strerror);
        if (!bound || c.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return nullptr;
        return &c;
    }();
    return calls;
}

} // namespace

FetchLimits fetch_limits() {
    FetchLimits limits;
    limits.connect_seconds = static_cast<long>(
        limit_from_environment("TARVEX_FETCH_CONNECT_SECONDS", limits.connect_seconds));
    limits.stall_seconds = static_cast<long>(
        limit_from_environment("TARVEX_FETCH_STALL_SECONDS", limits.stall_seconds));
    const long long megabytes =
        limit_from_environment("TARVEX_FETCH_MAX_MB", limits.max_bytes / MEGABYTE);
    if (megabytes < (1LL << 40)) limits.max_bytes = megabytes * MEGABYTE;
    return limits;
}

FetchResult fetch_url(const std::string& address, const std::string& destination,
                      long total_seconds) {
    FetchResult result;
    const CurlCalls* lib = library();
    if (lib == nullptr) {
        result.reason = "THE NETWORK LIBRARY CANNOT START";
        return result;
    }
    register_temporary(destination);
    auto discard = [&destination] {
        std::remove(destination.c_str());
        forget_temporary(destination);
    };
    Transfer transfer;
    transfer.limits = fetch_limits();
    if (total_seconds > 0) transfer.limits.total_seconds = total_seconds;
    transfer.out = std::fopen(destination.c_str(), "wb");
    if (transfer.out == nullptr) {
        forget_temporary(destination);
        result.reason = "CANNOT CREATE " + destination;
        return result;
    }
    CURL* curl = lib->easy_init();
    if (curl == nullptr) {
        std::fclose(transfer.out);
        discard();
        result.reason = "THE NETWORK LIBRARY CANNOT START";
        return result;
    }
    char message[CURL_ERROR_SIZE] = "";
    lib->easy_setopt(curl, CURLOPT_URL, address.c_str());
    lib->easy_setopt(curl, CURLOPT_WRITEFUNCTION, write_to_file);
    lib->easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    lib->easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, watch_progress);
    lib->easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    lib->easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    lib->easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(transfer.limits.max_bytes));
    lib->easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    lib->easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    lib->easy_setopt(curl, CURLOPT_MAXREDIRS, MAX_REDIRECTS);
    lib->easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    lib->easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, transfer.limits.connect_seconds);
    lib->easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    // A backstop only: the progress callback sees a stall first and says so.
    lib->easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, transfer.limits.stall_seconds + 5);
    lib->easy_setopt(curl, CURLOPT_TIMEOUT, transfer.limits.total_seconds + 5);
    lib->easy_setopt(curl, CURLOPT_ERRORBUFFER, message);
    CURLcode code = lib->easy_perform(curl);
    long status = 0;
    lib->easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    lib->easy_cleanup(curl);
    const bool written = std::fclose(transfer.out) == 0 && !transfer.write_failed;
    if (code == CURLE_OK && written) {
        result.ok = true;
        result.code = status;
        return result;
    }
    discard();
    result.code = status >= 400 ? status : long(code);
    result.reason = stopped_reason(transfer);
    if (code == CURLE_FILESIZE_EXCEEDED) {
        transfer.too_large = true;
        result.reason = stopped_reason(transfer);
    }
    if (result.reason.empty())
        result.reason = upper_ascii(message[0] != '\0' ? message : lib->easy_strerror(code));
    if (code == CURLE_OK || transfer.write_failed) result.reason = "CANNOT WRITE " + destination;
    return result;
}

} // namespace tarvex
