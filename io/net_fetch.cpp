// Network transfer over libcurl: one blocking fetch into a local file, with time limits so that
// an unanswering server cannot hold the run for long.
#include "io/net_fetch.hpp"

#include <cstdio>
#include <curl/curl.h>

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

bool library_ready() {
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

} // namespace

FetchResult fetch_url(const std::string& address, const std::string& destination) {
    FetchResult result;
    if (!library_ready()) {
        result.reason = "THE NETWORK LIBRARY CANNOT START";
        return result;
    }
    std::FILE* out = std::fopen(destination.c_str(), "wb");
    if (out == nullptr) {
        result.reason = "CANNOT CREATE " + destination;
        return result;
    }
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        std::fclose(out);
        std::remove(destination.c_str());
        result.reason = "THE NETWORK LIBRARY CANNOT START";
        return result;
    }
    char message[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, write_to_file);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, out);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, MAX_REDIRECTS);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, CONNECT_SECONDS);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, SLOW_SECONDS);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, message);
    CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    bool written = std::fclose(out) == 0;
    if (code == CURLE_OK && written) {
        result.ok = true;
        result.code = status;
        return result;
    }
    std::remove(destination.c_str());
    result.code = status >= 400 ? status : long(code);
    result.reason = upper(message[0] != '\0' ? message : curl_easy_strerror(code));
    if (code == CURLE_OK) result.reason = "CANNOT WRITE " + destination;
    return result;
}

} // namespace tarvex
