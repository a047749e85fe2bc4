// Network transfer: fetches a file named by an "http://", "https://" or "ftp://" address into
// a local file, so that it can be read like any other file.
#pragma once

#include <string>

namespace tarvex {

struct FetchResult {
    bool ok = false;
    long code = 0;       // the server's answer (HTTP status) or the transfer's error number
    std::string reason;  // what went wrong, in capitals, for the report line
};

// Fetches `address` into `destination` (created or replaced). A failed transfer leaves no
// destination file behind.
FetchResult fetch_url(const std::string& address, const std::string& destination);

} // namespace tarvex
