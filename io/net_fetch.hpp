// Network transfer: fetches a file named by an "http://", "https://" or "ftp://" address into
// a local file, so that it can be read like any other file.
#pragma once

#include "core/file_settings.hpp"

#include <string>

namespace tarvex {

struct FetchResult {
    bool ok = false;
    long code = 0;      // the server's answer (HTTP status) or the transfer's error number
    std::string reason; // what went wrong, in capitals, for the report line
};

// The limits of one transfer. Defaults, each replaced by its environment variable when that
// holds a positive whole number: 15 s to connect (TARVEX_FETCH_CONNECT_SECONDS), 60 s without
// a byte arriving (TARVEX_FETCH_STALL_SECONDS), 512 MB at most (TARVEX_FETCH_MAX_MB). The
// whole transfer: the run's FILE TIMEOUT.
struct FetchLimits {
    long connect_seconds = 15;
    long stall_seconds = 60;
    long long max_bytes = 512LL << 20;
    long total_seconds = DEFAULT_FETCH_SECONDS;
};
FetchLimits fetch_limits();

// Fetches `address` into `destination` (created or replaced) within fetch_limits() and at most
// `total_seconds` in all; Ctrl-C in an interactive run stops it. While the transfer runs the
// destination is in the registry of temporary paths; a failed transfer leaves no destination
// file behind, a successful one leaves the file registered (the caller forgets it when the file
// is to stay).
FetchResult fetch_url(const std::string& address, const std::string& destination,
                      long total_seconds = DEFAULT_FETCH_SECONDS);

} // namespace tarvex
