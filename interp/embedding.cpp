// The embedding interface: a console run for a host that keeps the engine in its own process,
// the line stream it reports through, and the workspace calls it makes between statements.
#include "interp/embedding.hpp"

#include "core/interrupt.hpp"
#include "interp/entry.hpp"
#include "numeric/text.hpp"
#include "workspace/workspace.hpp"

#include <cmath>
#include <cstring>
#include <memory>

namespace tarvex::embedding {

namespace {

// The state behind a line stream: the line being written and where finished lines go.
struct LineSinkState {
    std::function<void(std::string_view)> sink;
    std::string pending;
};

ssize_t sink_write(void* cookie, const char* data, std::size_t size) {
    auto* state = static_cast<LineSinkState*>(cookie);
    for (std::size_t k = 0; k < size; ++k) {
        if (data[k] == '\n') {
            state->sink(state->pending);
            state->pending.clear();
        } else {
            state->pending.push_back(data[k]);
        }
    }
    return static_cast<ssize_t>(size);
}

int sink_close(void* cookie) {
    std::unique_ptr<LineSinkState> state(static_cast<LineSinkState*>(cookie));
    if (!state->pending.empty()) state->sink(state->pending);
    return 0;
}

// The binary128 value of a double, exactly (every double is a binary128 value); NaN becomes
// the missing code.
Real stored_value(double x, Real missing) {
    return std::isnan(x) ? missing : static_cast<Real>(x);
}

} // namespace

bool run_console(Run& run, int extra) {
    try {
        start_run(run, MODE_CONSOLE, 0, 1, extra);
    } catch (const FatalStop&) {
        std::fflush(run.streams.out);
        return false;
    }
    std::fflush(run.streams.out);
    return true;
}

void request_interrupt() {
    tarvex::request_interrupt();
}

std::FILE* open_line_sink(std::function<void(std::string_view)> sink) {
    auto state = std::make_unique<LineSinkState>();
    state->sink = std::move(sink);
    cookie_io_functions_t calls{};
    calls.write = sink_write;
    calls.close = sink_close;
    std::FILE* stream = fopencookie(state.get(), "w", calls);
    if (stream == nullptr) return nullptr;
    state.release(); // the close takes it back
    std::setvbuf(stream, nullptr, _IOLBF, 0);
    return stream;
}

std::string store_doubles(Run& run, std::string_view name, const double* values, long long rows,
                          long long cols) {
    if (NAMCHK(name) != 1) return "a name begins with a letter: " + std::string(name);
    if (name.size() > 8) return "a name has at most 8 characters: " + std::string(name);
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '$')
            return "a name holds letters, digits and _ only: " + std::string(name);
    if (rows < 1 || cols < 1) return "no values to store for " + std::string(name);
    if (cols > run.ws.MXCOL)
        return "more than " + std::to_string(run.ws.MXCOL) + " columns for " + std::string(name);
    const int type = cols == 1 ? TYPE_DATA : TYPE_MATRIX;
    run.flags.ODONT = false;
    const int old = VFIND(run, name);
    run.ws.OATEN = old > 0; // a slot of its own, never the old one written over in place
    int ref = 0;
    NEWVAR(run, name, 1, type, rows * cols, static_cast<int>(cols), ref);
    if (ref <= 0 || run.flags.ODONT) {
        run.flags.ODONT = false;
        return "the workspace cannot hold " + std::string(name);
    }
    if (old > 0 && old != ref) {
        run.ws.VNAME[old] = std::string(run.ws.VNAME[old].size(), ' ');
        ++run.ws.NDL;
    }
    VarInfo info;
    if (!VINFO(run, ref, info)) return "the workspace cannot hold " + std::string(name);
    Real* header = &run.ws.DATA[info.addr];
    header[1] = type;
    header[2] = static_cast<Real>(rows * cols);
    header[3] = static_cast<Real>(cols);
    const Real missing = run.ws.XMISS;
    Real* first = &element(run, info, 1);
    for (long long k = 0; k < rows * cols; ++k)
        first[k * info.inc] = stored_value(values[k], missing);
    if (type == TYPE_DATA) {
        if (run.smpl.IEND <= 0) {
            run.smpl.IBEG = 1;
            run.smpl.IEND = static_cast<int>(rows);
            run.smpl.NOBS = run.smpl.IEND;
        }
        run.smpl.MAXOB = std::max<long long>(run.smpl.MAXOB, rows);
    }
    return "";
}

std::optional<VariableValues> read_variable(Run& run, std::string_view name) {
    const int ref = find_variable(run.ws, name, run.sw[OLC]);
    if (ref == 0) return std::nullopt;
    VarInfo info;
    int column = 0;
    if (variable_info(run.ws, ref, info, column) != VarStatus::FOUND) return std::nullopt;
    if (info.type == TYPE_CHAR_STRING || info.type == TYPE_CHAR_VAR) return std::nullopt;
    VariableValues out;
    out.type = info.type;
    out.cols = std::max(info.ncol, 1);
    out.rows = info.length / out.cols;
    out.values.reserve(static_cast<std::size_t>(info.length));
    for (long long k = 1; k <= info.length; ++k) out.values.push_back(element(run, info, k));
    return out;
}

std::string shortest_text(Real x) {
    if (isnanq(x)) return "nan";
    if (isinfq(x)) return x > 0 ? "inf" : "-inf";
    char text[64];
    // More digits never read back further from x, so the fewest that read back exactly are
    // found by halving the range 1..36 (36 digits always read back).
    int low = 1, high = 36;
    while (low < high) {
        const int digits = (low + high) / 2;
        quadmath_snprintf(text, sizeof text, "%.*Qg", digits, x);
        if (strtoflt128(text, nullptr) == x)
            high = digits;
        else
            low = digits + 1;
    }
    quadmath_snprintf(text, sizeof text, "%.*Qg", low, x);
    return text;
}

} // namespace tarvex::embedding
