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
    // One-based, beside the list: the name of an item that is a series bound to a file on disk
    // (its reference is then 0), else empty. Only the commands that take bound series (and
    // DELETE, which unbinds) are given such items; see takes_bound_series.
    std::vector<std::string> bound_name;

    int& ref(int k) { return list[k]; }
    int& lag(int k) { return list[MAXVAR + k]; }
    // Whether item k is a bound series (reference 0, its name in bound_name[k]).
    bool is_bound(int k) const {
        return k >= 1 && static_cast<std::size_t>(k) < bound_name.size() && list[k] == 0 &&
               !bound_name[k].empty();
    }
};

} // namespace tarvex
