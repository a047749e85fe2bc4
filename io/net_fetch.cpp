// Network transfer over libcurl: one blocking fetch into a local file, with time limits so that
// an unanswering server cannot hold the run for long. The library (and the thirty libraries it
// pulls in) is loaded on the first fetch, not at start-up, so runs that never fetch do not pay
// for loading it.
#include "io/net_fetch.hpp"

#include <cstdio>
#include <curl/curl.h>
#include <dlfcn.h>

namespace tarvex {

namespace {

constexpr long CONNECT_SECONDS = 15;
constexpr long SLOW_SECONDS = 60;    // abandon a transfer slower than 1 byte/s for this long
constexpr long MAX_REDIRECTS = 10;

std::string upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return text;
}

size_t write_to_file(char* data, size_t size, size_t count, void* stream) {
    return std::fwrite(data, size, count, static_cast<std::FILE*>(stream));
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

template <typename F> bool bind(void* library, const char* name, F& entry) {
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

FetchResult fetch_url(const std::string& address, const std::string& destination) {
    FetchResult result;
    const CurlCalls* lib = library();
    if (lib == nullptr) {
        result.reason = "THE NETWORK LIBRARY CANNOT START";
        return result;
    }
    std::FILE* out = std::fopen(destination.c_str(), "wb");
    if (out == nullptr) {
        result.reason = "CANNOT CREATE " + destination;
        return result;
    }
    CURL* curl = lib->easy_init();
    if (curl == nullptr) {
        std::fclose(out);
        std::remove(destination.c_str());
        result.reason = "THE NETWORK LIBRARY CANNOT START";
        return result;
    }
    char message[CURL_ERROR_SIZE] = "";
    lib->easy_setopt(curl, CURLOPT_URL, address.c_str());
    lib->easy_setopt(curl, CURLOPT_WRITEFUNCTION, write_to_file);
    lib->easy_setopt(curl, CURLOPT_WRITEDATA, out);
    lib->easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    lib->easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    lib->easy_setopt(curl, CURLOPT_MAXREDIRS, MAX_REDIRECTS);
    lib->easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    lib->easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, CONNECT_SECONDS);
    lib->easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    lib->easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, SLOW_SECONDS);
    lib->easy_setopt(curl, CURLOPT_ERRORBUFFER, message);
    CURLcode code = lib->easy_perform(curl);
    long status = 0;
    lib->easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    lib->easy_cleanup(curl);
    bool written = std::fclose(out) == 0;
    if (code == CURLE_OK && written) {
        result.ok = true;
        result.code = status;
        return result;
    }
    std::remove(destination.c_str());
    result.code = status >= 400 ? status : long(code);
    result.reason = upper(message[0] != '\0' ? message : lib->easy_strerror(code));
    if (code == CURLE_OK) result.reason = "CANNOT WRITE " + destination;
    return result;
}

} // namespace tarvex
