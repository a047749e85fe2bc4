// The terminal side of SPREAD (see spread_terminal.hpp). The screen is redrawn whole after each
// key: a header with the names, one row per observation of the page, and a status line with
// the keys. The terminal's settings are restored by a guard, so an exception restores them too.
#include "spread/spread_terminal.hpp"

#include "numeric/fortran_format.hpp"

#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace tarvex {

namespace {

constexpr int SPREAD_COLUMN_WIDTH = 16;
constexpr int SPREAD_VALUE_DIGITS = 8;
constexpr int SPREAD_OBS_WIDTH = 6;

class RawTerminal {
public:
    explicit RawTerminal(int fd) : fd_(fd) {
        if (tcgetattr(fd_, &saved_) != 0) return;
        termios raw = saved_;
        raw.c_lflag &= tcflag_t(~(ICANON | ECHO | ISIG | IEXTEN));
        raw.c_iflag &= tcflag_t(~(IXON | ICRNL));
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        active_ = tcsetattr(fd_, TCSAFLUSH, &raw) == 0;
    }
    ~RawTerminal() {
        if (active_) tcsetattr(fd_, TCSAFLUSH, &saved_);
    }
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;
    bool active() const { return active_; }

private:
    int fd_;
    termios saved_{};
    bool active_ = false;
};

bool write_all(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += std::size_t(n);
    }
    return true;
}

std::string right_in(const std::string& text, int width) {
    return text.size() >= std::size_t(width)
               ? text
               : std::string(std::size_t(width) - text.size(), ' ') + text;
}

std::string screen_of(const SpreadTable& t) {
    std::string s = "\x1b[H\x1b[2J";
    s += right_in("OBS", SPREAD_OBS_WIDTH);
    for (const std::string& name : t.names) s += right_in(name, SPREAD_COLUMN_WIDTH);
    s += "\r\n";
    const int last = std::min(int(t.obs.size()), t.top + t.page_rows);
    for (int r = t.top; r < last; ++r) {
        s += right_in(std::to_string(t.obs[std::size_t(r)]), SPREAD_OBS_WIDTH);
        for (std::size_t c = 0; c < t.names.size(); ++c) {
            std::string cell =
                fmt_G(t.values[c][std::size_t(r)], SPREAD_COLUMN_WIDTH - 1, SPREAD_VALUE_DIGITS);
            cell = right_in(cell, SPREAD_COLUMN_WIDTH);
            // The cursor's cell in reverse video.
            if (r == t.row && int(c) == t.col) cell = "\x1b[7m" + cell + "\x1b[0m";
            s += cell;
        }
        s += "\r\n";
    }
    if (t.typing)
        s += "NEW VALUE FOR " + t.names[std::size_t(t.col)] + " AT " +
             std::to_string(t.obs[std::size_t(t.row)]) + ": " + t.typed;
    else
        s += "ARROWS/HJKL MOVE  PGUP/PGDN (B/F) PAGE  E OR ENTER EDIT  U UNDO  Q QUIT" +
             (t.message.empty() ? std::string() : "   " + t.message);
    return s;
}

} // namespace

bool run_spread_terminal(SpreadTable& table, int in_fd, int out_fd,
                         const std::function<void(const SpreadEdit&)>& store) {
    const RawTerminal terminal(in_fd);
    if (!terminal.active()) return false;
    std::string pending;
    while (!table.done) {
        if (!write_all(out_fd, screen_of(table))) break;
        char buffer[64];
        const ssize_t n = ::read(in_fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break; // input ended: the edits made stay
        pending.append(buffer, std::size_t(n));
        while (!pending.empty() && !table.done) {
            std::size_t used = 0;
            const SpreadKey key = decode_spread_key(pending, used);
            if (used == 0) break; // the rest of an escape sequence is still coming
            const char text = pending[0];
            pending.erase(0, used);
            SpreadEdit changed;
            if (apply_spread_key(table, key, text, changed)) store(changed);
        }
    }
    write_all(out_fd, "\x1b[H\x1b[2J");
    return true;
}

} // namespace tarvex
