// Fuzz target: feeds arbitrary text as a command script to a fresh run, so that the reader,
// the scanner, the option parser and every command they reach meet malformed statements; the
// seeds include the DO loop and procedure transcripts (nested loops, markers, EXECUTE chains).
#include "interp/script_run.hpp"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    // Commands that reach the shell or resize the work area are not what this target explores
    // (REN covers every abbreviation of RENAME, whose file form runs the shell).
    std::string script(reinterpret_cast<const char*>(data), size);
    std::string upper = script;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* word : {"SYS", "SIZE", "PAR", "DIR", "CD", "FILE", "PAUSE", "REN"}) {
        for (std::size_t at = 0; (at = upper.find(word, at)) != std::string::npos; ++at)
            script[at] = '*';
    }
    // DO loops and procedures replay statements; digit runs are cut to two digits so that the
    // passes of two nested loops stay in the thousands and each input runs quickly.
    int digits = 0;
    for (char& c : script) {
        digits = std::isdigit(static_cast<unsigned char>(c)) ? digits + 1 : 0;
        if (digits > 2) c = ' ';
    }
    tarvex::run_script(script + "\nSTOP\n");
    return 0;
}
