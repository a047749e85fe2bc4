// The statement scanner SCANIT: turns the text after the command word into the scan block
// (variable list with lag codes, the word table of options, the unit or file in parentheses).
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace tarvex {

struct Run;

inline constexpr int MAXWORDS = 40;

struct ScanBlock {
    int ISTART = 0;        // column of the statement where scanning starts (0-based)
    int NF = 0;            // items in the variable list
    std::vector<int> list; // NF references, then (at MAXVAR + k) the lag codes; one-based
    int NOPS = 0;          // words in the word table
    std::array<std::string, MAXWORDS + 1> words;      // one-based, 8 characters, blank-padded
    std::array<std::string, MAXWORDS + 1> full_words; // the same words in full, as typed
    int NWORDS = 0;
    int NFPAR = 0;
    int INPAR = 0;               // unit named in parentheses (88 for a file name)
    int NEWV = 0;                // variables the scanner created
    std::string filename;        // text in parentheses when it is not a unit number
    int MAXVAR = 0;              // offset of the lag codes in `list`
    std::vector<char> item_mark; // one-based: '+' or '\\' when the item began with it, else ' '

    int& ref(int k) { return list[k]; }
    int& lag(int k) { return list[MAXVAR + k]; }
};

// Sizes the scan block for a workspace of `maxvar` variables.
void init_scan_block(ScanBlock& scan, int maxvar);
// Scans the current statement from run.cmd.col; sets OERR/ODONT on errors.
void SCANIT(Run& run);
// Commands whose arguments are keywords, not variables: SCANIT puts every item of theirs into
// the word table (SET, DISPLAY, STOP, RESET, SIZE, PARM, GOTO).
bool scans_words_only(int ikod);
// Writes "...ERROR..SYNTAX ERROR", the statement in 130-column lines with "$" under `column`
// (0-based in run.cmd.text), and sets ERR = 1016, OERR and ODONT.
void report_syntax_error(Run& run, std::size_t column);

} // namespace tarvex
