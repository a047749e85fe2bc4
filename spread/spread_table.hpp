// The table SPREAD edits at a terminal, apart from the terminal itself: the series' values at
// the sample's observations, the cursor, the page shown, the value being typed and the edits
// that can be undone. apply_spread_key changes it by one key; the caller stores what changed.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct SpreadEdit {
    int row = 0, col = 0;
    Real before = 0, after = 0;
};

struct SpreadTable {
    std::vector<std::string> names;        // one per column
    std::vector<int> obs;                  // one per row: the observation number
    std::vector<std::vector<Real>> values; // [col][row]
    std::vector<long long> lengths;        // per column: its series' last observation
    int row = 0, col = 0;                  // the cursor
    int top = 0;                           // the first row shown
    int page_rows = 20;                    // rows shown at once
    bool typing = false;                   // a new value is being typed
    std::string typed;
    std::string message;          // the status line's text
    std::vector<SpreadEdit> undo; // the edits made, last at the back
    bool done = false;
};

// The keys SPREAD knows (a byte sequence read from the terminal maps to one).
enum class SpreadKey {
    UP,
    DOWN,
    LEFT,
    RIGHT,
    PAGE_UP,
    PAGE_DOWN,
    EDIT,
    ENTER,
    ESCAPE,
    BACKSPACE,
    UNDO,
    QUIT,
    TEXT,
    NONE
};

// The key at the start of `input` and how many bytes it takes (0 when `input` is an
// unfinished escape sequence). For TEXT the character is input[0].
SpreadKey decode_spread_key(const std::string& input, std::size_t& used);

// What a key does. An edit or undo that changes a cell is returned (the caller writes it to the
// workspace); otherwise nothing is. A typed value that is not a number leaves the cell and
// says so on the status line.
bool apply_spread_key(SpreadTable& table, SpreadKey key, char text, SpreadEdit& changed);

} // namespace tarvex
