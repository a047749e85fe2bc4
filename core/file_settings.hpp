// The directories the FILE command sets and the commands that use them look in: data files,
// temporary files (decrypted copies, fetched files), the program directory (where gpg is
// found), procedures, plots, the data bank and network transfers; and the time a network
// transfer may take.
#pragma once

#include <string>

namespace tarvex {

inline constexpr std::size_t PATH_SETTING_LENGTH = 255;
// The whole time one network transfer may take unless FILE TIMEOUT sets another: a server that
// sends a byte now and then never stalls, so only this limit ends it.
inline constexpr long DEFAULT_FETCH_SECONDS = 300;
inline constexpr long LONGEST_FETCH_SECONDS = 86400;

struct FileSettings {
    std::string PATH;     // data directory
    std::string TEMP;     // temporary directory (blank: the run's temporary directory)
    std::string HELPDEMO; // program directory, the prefix before "gpg"
    std::string PROCPATH; // procedure directory
    std::string PLOTPATH; // plot directory
    std::string DATABANK; // data bank directory
    std::string FTPPATH;  // network transfer directory
    int gnu_copy = 0;     // number of the current numbered plot command file Cnnn.GNU
    long fetch_seconds = DEFAULT_FETCH_SECONDS; // FILE TIMEOUT: the longest network transfer
};

} // namespace tarvex
