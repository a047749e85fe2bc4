// Fuzz target: feeds arbitrary text as a command script to a fresh run, so that the reader,
// the scanner, the option parser and every command they reach meet malformed statements; the
// seeds include the DO loop and procedure transcripts (nested loops, markers, EXECUTE chains).
// The first byte can also make the rest of the input the data lines of a READ (by observation,
// by variable with a known sample, as a matrix, or as names and delimited rows), or (0xC0 and
// above) the expressions of GENR, IF, SKIPIF and ENDIF statements, or (0xB0 to 0xBF) the
// expressions of MATRIX statements.
#include "interp/script_run.hpp"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// With a first byte of 0xC0 or above, every line becomes the expression of a GENR, GEN1, IF,
// IF1, SKIPIF or ENDIF statement over a small sample with data, a matrix and a short variable,
// so that the expression compiler and executor see most of the inputs.
std::string expressions_script(const std::string& body, unsigned char selector) {
    static const char* const forms[] = {"GENR Y = ", "GEN1 Y = ", "IF ", "IF1 ",
                                        "SKIPIF ", "ENDIF ", "GENR X:2 = ", "GENR $T1 = "};
    std::string script = "SET TALK\nSAMPLE 1 6\nGENR X = TIME(0) - 3\nGENR Z = X * X\n"
                         "DIMENSION M 3 3\nGEN1 S = 2\n";
    if (selector & 2) script += "SET SKIPMISS\n";
    if (selector & 4) script += "SET BACKWARD\n";
    if (selector & 8) script += "SET DUMP\n";
    if (selector & 16) script += "SET UMINUS NOWARN\n";
    std::size_t start = 0;
    int line = 0;
    while (start <= body.size()) {
        std::size_t end = body.find('\n', start);
        if (end == std::string::npos) end = body.size();
        std::string text = body.substr(start, end - start);
        for (char& c : text)
            if (c == '\r' || c == '&' || c == '\0') c = ' ';
        script += forms[(selector / 32 + line) % 8] + text + "\n";
        start = end + 1;
        ++line;
    }
    return script + "STOP\n";
}

// With a first byte from 0xB0 to 0xBF, every line becomes the expression of a MATRIX statement
// over a general, a symmetric, a singular and a complex-eigenvalue matrix and a vector. Digit
// runs are cut to two digits so that IDEN and the decompositions stay small.
std::string matrix_script(const std::string& body, unsigned char selector) {
    std::string script = "SET TALK\nREAD A / ROWS=3 COLS=3\n4 1 2\n1 5 3\n2 3 6\n"
                         "READ S / SYMAT COLS=2\n2\n1 3\nMATRIX Z = 1|2;2|4\n"
                         "MATRIX R = 0|-1;1|0\nMATRIX V = 1;-99999;3\n";
    if (selector & 1) script += "SET UMINUS NOWARN\n";
    if (selector & 2) script += "SET DUMP\n";
    std::size_t start = 0;
    while (start <= body.size()) {
        std::size_t end = body.find('\n', start);
        if (end == std::string::npos) end = body.size();
        std::string text = body.substr(start, end - start);
        int digits = 0;
        for (char& c : text) {
            if (c == '\r' || c == '&' || c == '\0') c = ' ';
            digits = std::isdigit(static_cast<unsigned char>(c)) ? digits + 1 : 0;
            if (digits > 2) c = ' ';
        }
        script += ((selector & 4) ? "MATRIX A = " : "MATRIX M = ") + text + "\n";
        start = end + 1;
    }
    return script + "STOP\n";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    if (size > 0 && data[0] >= 0xB0 && data[0] < 0xC0) {
        tarvex::run_script(matrix_script(
            std::string(reinterpret_cast<const char*>(data) + 1, size - 1), data[0]));
        return 0;
    }
    if (size > 0 && data[0] >= 0xC0) {
        tarvex::run_script(expressions_script(
            std::string(reinterpret_cast<const char*>(data) + 1, size - 1), data[0]));
        return 0;
    }
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
