// SPREAD's table model: key decoding and the effect of each key (see spread_table.hpp).
#include "spread/spread_table.hpp"

#include "numeric/decimal.hpp"

#include <algorithm>

namespace tarvex {

namespace {

constexpr char KEY_ESCAPE = 27;
constexpr char KEY_DELETE = 127;
constexpr char KEY_CTRL_H = 8;

void keep_cursor_shown(SpreadTable& t) {
    const int rows = int(t.obs.size());
    t.row = std::clamp(t.row, 0, std::max(rows - 1, 0));
    t.col = std::clamp(t.col, 0, std::max(int(t.names.size()) - 1, 0));
    if (t.row < t.top) t.top = t.row;
    if (t.row >= t.top + t.page_rows) t.top = t.row - t.page_rows + 1;
    t.top = std::clamp(t.top, 0, std::max(rows - t.page_rows, 0));
}

} // namespace

SpreadKey decode_spread_key(const std::string& input, std::size_t& used) {
    used = 0;
    if (input.empty()) return SpreadKey::NONE;
    used = 1;
    const char c = input[0];
    if (c == KEY_ESCAPE) {
        if (input.size() == 1) return SpreadKey::ESCAPE;
        if (input[1] != '[') return SpreadKey::ESCAPE;
        if (input.size() < 3) {
            used = 0;
            return SpreadKey::NONE;
        }
        used = 3;
        switch (input[2]) {
        case 'A':
            return SpreadKey::UP;
        case 'B':
            return SpreadKey::DOWN;
        case 'C':
            return SpreadKey::RIGHT;
        case 'D':
            return SpreadKey::LEFT;
        case '5':
        case '6':
            if (input.size() < 4) {
                used = 0;
                return SpreadKey::NONE;
            }
            used = 4;
            return input[2] == '5' ? SpreadKey::PAGE_UP : SpreadKey::PAGE_DOWN;
        default:
            return SpreadKey::NONE;
        }
    }
    if (c == '\r' || c == '\n') return SpreadKey::ENTER;
    if (c == KEY_DELETE || c == KEY_CTRL_H) return SpreadKey::BACKSPACE;
    return SpreadKey::TEXT;
}

bool apply_spread_key(SpreadTable& t, SpreadKey key, char text, SpreadEdit& changed) {
    if (t.names.empty() || t.obs.empty()) {
        t.done = key == SpreadKey::QUIT || (key == SpreadKey::TEXT && (text == 'q' || text == 'Q'));
        return false;
    }
    if (t.typing) {
        // Typing a value: Enter stores it, Escape drops it, Backspace takes a character back.
        if (key == SpreadKey::ESCAPE) {
            t.typing = false;
            t.message = "EDIT DROPPED";
        } else if (key == SpreadKey::BACKSPACE) {
            if (!t.typed.empty()) t.typed.pop_back();
        } else if (key == SpreadKey::TEXT) {
            t.typed += text;
        } else if (key == SpreadKey::ENTER) {
            t.typing = false;
            Real value = 0;
            if (!parse_real_field(t.typed, value)) {
                t.message = "NOT A NUMBER: " + t.typed;
                return false;
            }
            Real& cell = t.values[std::size_t(t.col)][std::size_t(t.row)];
            changed = {t.row, t.col, cell, value};
            cell = value;
            t.undo.push_back(changed);
            t.message = "CHANGED " + t.names[std::size_t(t.col)];
            return true;
        }
        return false;
    }
    if (key == SpreadKey::TEXT) {
        switch (text) {
        case 'k':
            key = SpreadKey::UP;
            break;
        case 'j':
            key = SpreadKey::DOWN;
            break;
        case 'h':
            key = SpreadKey::LEFT;
            break;
        case 'l':
            key = SpreadKey::RIGHT;
            break;
        case 'b':
            key = SpreadKey::PAGE_UP;
            break;
        case 'f':
        case ' ':
            key = SpreadKey::PAGE_DOWN;
            break;
        case 'e':
        case '=':
            key = SpreadKey::EDIT;
            break;
        case 'u':
            key = SpreadKey::UNDO;
            break;
        case 'q':
        case 'Q':
            key = SpreadKey::QUIT;
            break;
        default:
            break;
        }
    }
    t.message.clear();
    switch (key) {
    case SpreadKey::UP:
        --t.row;
        break;
    case SpreadKey::DOWN:
        ++t.row;
        break;
    case SpreadKey::LEFT:
        --t.col;
        break;
    case SpreadKey::RIGHT:
        ++t.col;
        break;
    case SpreadKey::PAGE_UP:
        t.row -= t.page_rows;
        t.top -= t.page_rows;
        break;
    case SpreadKey::PAGE_DOWN:
        t.row += t.page_rows;
        t.top += t.page_rows;
        break;
    case SpreadKey::EDIT:
    case SpreadKey::ENTER:
        if (std::size_t(t.col) < t.lengths.size() &&
            t.obs[std::size_t(t.row)] > t.lengths[std::size_t(t.col)]) {
            t.message = "THE SERIES ENDS BEFORE THIS OBSERVATION";
            break;
        }
        t.typing = true;
        t.typed.clear();
        break;
    case SpreadKey::UNDO:
        if (t.undo.empty()) {
            t.message = "NOTHING TO UNDO";
            break;
        } else {
            const SpreadEdit last = t.undo.back();
            t.undo.pop_back();
            t.values[std::size_t(last.col)][std::size_t(last.row)] = last.before;
            t.row = last.row;
            t.col = last.col;
            changed = {last.row, last.col, last.after, last.before};
            keep_cursor_shown(t);
            t.message = "UNDONE";
            return true;
        }
    case SpreadKey::QUIT:
        t.done = true;
        break;
    default:
        break;
    }
    keep_cursor_shown(t);
    return false;
}

} // namespace tarvex
