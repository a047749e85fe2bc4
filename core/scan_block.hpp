// The scan block: what the statement scanner leaves for the command being run (the variable
// list with lag codes, the word table of options, the unit or file named in parentheses).
#pragma once

#include <array>
#include <string>
#include <vector>

namespace tarvex {

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
    int list_break = -1;         // items of the list before its first ";" (-1: no ";")

    int& ref(int k) { return list[k]; }
    int& lag(int k) { return list[MAXVAR + k]; }
};

} // namespace tarvex
