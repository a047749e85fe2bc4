// Fuzz target: random bytes as the data file of a READ. The first byte chooses the layout the
// READ asks for (free format by observation or by variable, a stored FORMAT, delimited rows with
// NAMES (text columns as codes or, with CHARVAR, character variables), DIF, TARVDATA and TARVBIN
// blocks, BINARY and SBINARY records, matrices, character data, Stata, SPSS, SAS and transport
// files, .xlsx workbooks); the rest is written to a file that
// the READ names. After the READ the variables are listed and written back in the same layout, so
// the writers see whatever the readers accepted.
#include "interp/script_run.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {

struct Layout {
    const char* file;       // the data file's name (a DIF name switches DIF on by itself)
    const char* statements; // the READ and what follows it; "@" stands for the file name
};

const Layout LAYOUTS[] = {
    {"data.txt", "READ(@) X Y Z / LIST\nWRITE(out.txt) X Y Z\n"},
    {"data.txt", "SAMPLE 1 6\nREAD(@) X Y / BYVAR LIST\nWRITE(out.txt) X Y / BYVAR\n"},
    {"data.txt",
     "FORMAT (2F6.2,1X,E10.3)\nREAD(@) X Y Z / FORMAT LIST\nWRITE(out.txt) X Y Z / FORMAT\n"},
    {"data.csv", "READ(@) / NAMES LIST\nWRITE(out.csv) / ALL FORMAT=COMMA NAMES\n"},
    {"data.csv", "READ(@) A B / SKIPCOLS=1 SKIPROWS=1 FORMAT=TAB LIST\n"},
    {"data.dif", "READ(@) / LIST\nWRITE(out.dif) / ALL DIF NAMES\n"},
    {"data.tvd", "READ(@) X Y / TARVEX LIST\nWRITE(out.tvd) X Y / TARVEX\n"},
    {"data.tvb", "READ(@) X Y / TARVEX BINARY LIST\nWRITE(out.tvb) X Y / TARVEX BINARY\n"},
    {"data.bin", "READ(@) X Y / BINARY LIST\nWRITE(out.bin) X Y / BINARY\n"},
    {"data.bin", "READ(@) X Y / SBINARY LIST\nWRITE(out.bin) X Y / SBINARY\n"},
    {"data.bin", "SAMPLE 1 4\nREAD(@) X Y / SBINARY LIST\n"},
    {"data.bin", "READ(@) M / SYMAT COLS=3 BINARY LIST\nWRITE(out.bin) M / SYMAT BINARY\n"},
    {"data.bin", "READ(@) M / COLS=2 SBINARY LIST\n"},
    {"data.txt", "READ(@) M / COLS=3 LIST\nWRITE(out.txt) M / COLS=2\n"},
    {"data.txt", "READ(@) S / TRIMAT COLS=4 LIST\nWRITE(out.txt) S / TRIMAT\n"},
    {"data.txt", "READ(@) C / CHARSTR LIST\nREAD(@) V / CHARVAR LIST\n"},
    {"data.csv", "READ(@) / NAMES CHARVAR LIST\nWRITE(out.csv) / ALL FORMAT=COMMA NAMES\n"},
    {"data.dta", "READ(@) / LIST\nWRITE(out.dta) / ALL\n"},
    {"data.sav", "READ(@) / LIST\nWRITE(out.sav) / ALL\n"},
    {"data.xpt", "READ(@) / LIST\nWRITE(out.xpt) / ALL\n"},
    {"data.xlsx", "READ(@) / LIST\nREAD(@) / SHEET=Notes RANGE=B2:D9 LIST\n"},
    {"data.sas7bdat", "READ(@) / LIST\n"},
    {"data.csv", "READ(@) / NAMES BIND\nNAMES\nSTATS A B C / WIDE MOMENTS=M\nDELETE A\n"},
    {"data.tvb", "READ(@) X Y / TARVEX BIND\nSTATS X Y / WIDE SUMS=S\nPRINT X\n"},
    {"data.tvb", "READ(@) X Y / TARVEX BIND\nOLS Y X / RSTAT GF HC1\nOLS Y X / WEIGHT=X LIST\n"},
};
constexpr std::size_t LAYOUT_COUNT = sizeof LAYOUTS / sizeof LAYOUTS[0];

std::string scratch_directory; // the fuzzing process's own directory, removed when it exits

void remove_scratch_directory() {
    std::error_code ignored; // at exit there is no one left to tell
    std::filesystem::remove_all(scratch_directory, ignored);
}

// Every input runs in one scratch directory of the fuzzing process, under TMPDIR (or /tmp);
// the directory and what the inputs wrote there go when the process exits normally.
void enter_scratch_directory() {
    if (!scratch_directory.empty()) return;
    const char* tmpdir = std::getenv("TMPDIR");
    std::string pattern = std::string(tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp") +
                          "/tarvex_fuzz_data_XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr || chdir(pattern.c_str()) != 0) std::abort();
    scratch_directory = pattern;
    std::atexit(remove_scratch_directory);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 8192) return 0;
    enter_scratch_directory();
    const Layout& layout = LAYOUTS[data[0] % LAYOUT_COUNT];
    std::FILE* fp = std::fopen(layout.file, "wb");
    if (fp == nullptr) std::abort();
    std::fwrite(data + 1, 1, size - 1, fp);
    std::fclose(fp);
    std::string script = "SET NOWARN\n";
    for (const char* c = layout.statements; *c != '\0'; ++c) {
        if (*c == '@')
            script += layout.file;
        else
            script += *c;
    }
    tarvex::run_script(script + "STOP\n");
    return 0;
}
