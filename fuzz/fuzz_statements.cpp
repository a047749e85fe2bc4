// Fuzz target: feeds arbitrary text as a command script to a fresh run, so that the reader,
// the scanner, the option parser and every command they reach meet malformed statements. When
// the first byte is odd, every line instead becomes the expression of a GENR, GEN1, IF, IF1,
// SKIPIF or ENDIF statement over a small sample with data, a matrix and a short variable, so
// that the expression compiler and executor see most of the inputs.
#include "interp/script_run.hpp"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

std::string statements_script(std::string script) {
    // Commands that reach the shell or resize the work area are not what this target explores.
    std::string upper = script;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* word : {"SYS", "SIZE", "PAR", "DIR", "CD", "FILE", "PAUSE", "RENAME"}) {
        for (std::size_t at = 0; (at = upper.find(word, at)) != std::string::npos; ++at)
            script[at] = '*';
    }
    return script + "\nSTOP\n";
}

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096 || size == 0) return 0;
    const unsigned char selector = data[0];
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    tarvex::run_script(selector & 1 ? expressions_script(text, selector) : statements_script(text));
    return 0;
}
