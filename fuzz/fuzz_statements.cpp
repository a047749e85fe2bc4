// Fuzz target: feeds arbitrary text as a command script to a fresh run, so that the reader,
// the scanner, the option parser and every command they reach meet malformed statements; the
// seeds include the DO loop and procedure transcripts (nested loops, markers, EXECUTE chains).
// The first byte can also make the rest of the input the data lines of a READ (by observation,
// by variable with a known sample, as a matrix, or as names and delimited rows).
#include "interp/script_run.hpp"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    // Commands that reach the shell or resize the work area are not what this target explores
    // (REN covers every abbreviation of RENAME, whose file form runs the shell).
    // READ statements whose data lines are the input itself.
    static const char* const READ_PREFIXES[] = {
        "", "READ X Y Z\n", "SAMPLE 1 5\nREAD X Y / BYVAR\n", "READ M / COLS=3\n",
        "READ S / SYMAT COLS=3\n", "READ C / CHARSTR\n", "READ N / CHARVAR\n",
        "SET TALK\nREAD A B\n",
    };
    constexpr std::size_t PREFIXES = sizeof READ_PREFIXES / sizeof READ_PREFIXES[0];
    std::string prefix;
    if (size > 0 && data[0] < PREFIXES) {
        prefix = READ_PREFIXES[data[0]];
        ++data;
        --size;
    }
    std::string script(reinterpret_cast<const char*>(data), size);
    std::string upper = script;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* word : {"SYS", "SIZE", "PAR", "DIR", "CD", "FILE", "PAUSE", "REN", "CRY"}) {
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
    tarvex::run_script(prefix + script + "\nEND\nSTOP\n");
    return 0;
}
