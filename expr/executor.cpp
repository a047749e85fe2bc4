// The executor TRANS: binds the program's variables to their elements, then for each
// observation of the check range (backwards under BACK) loads the inputs into their cells, runs
// the instructions in binary128 and stores, tests or prints the final value (instruction 14).
#include "expr/executor.hpp"
#include "expr/arguments.hpp"
#include "expr/scalar_functions.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "core/shared_errors.hpp"
#include "expr/expr_errors.hpp"
#include "numeric/fast_arith.hpp"
#include "numeric/fast_log.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex::expr {

namespace {

inline constexpr int RECODE_COLUMNS = 3;
inline constexpr int LARGEST_EXACT_POWER_OF_TEN = 48; // 10**48 has a 113-bit odd part
inline const Real LONGEST_LAG = 1e15Q;                // beyond every variable and every sample

Real power_of_ten(int n) {
    Real p = 1;
    for (int k = 0; k < n; ++k) p *= 10;
    return p;
}

// a * 10**b, correctly rounded for integer exponents up to 48 in size.
Real times_power_of_ten(Real a, Real b, bool& illegal) {
    illegal = false;
    if (qm::trunc(b) == b && qm::abs(b) <= LARGEST_EXACT_POWER_OF_TEN) {
        const Real p = power_of_ten(static_cast<int>(qm::abs(b)));
        return b >= 0 ? a * p : a / p;
    }
    return a * power(10, b, illegal);
}

// The state of one run of a program.
class Executor {
public:
    Executor(Run& run, const Program& program, const TransRange& range, WindowFeed* feed)
        : run_(run), p_(program), range_(range), feed_(feed), d_(decode(program)) {}

    TransResult execute();

private:
    Run& run_;
    const Program& p_;
    const TransRange& range_;
    WindowFeed* feed_; // null: every variable is in the work area
    Decoded d_;
    std::vector<Real> cells_;
    std::vector<BoundVariable> vars_; // index = cell
    std::vector<Register> regs_;
    TransResult result_;
    bool missing_ = false;
    bool osmiss_ = false;
    Real xmiss_ = 0;
    bool stop_ = false; // an error or the target's end stopped the run
    int t_ = 0;

    bool bind();
    void bind_window(BoundVariable& v, SeriesWindow& window);
    // Runs observations from..to (in use) in order; false when the run ended early.
    bool run_stretch(int from, int to, int step, bool skipping);
    // A serious error (its line already written when `message` is empty) stops the run.
    void stop_command(std::string_view message = {}, int number = 0) {
        report_error(run_, message, number, ErrorSeverity::SERIOUS);
        result_.ok = false;
        stop_ = true;
    }
    void warn(std::string_view message) {
        if (run_.flags.OPUT) write_line(run_, message);
    }
    // An operation that cannot be carried out: the result is the missing code.
    Real illegal(std::string_view name, Real operand) {
        if (run_.sw[OWARN] && (run_.sw[OMSWRN] || !missing_))
            warn(" ...WARNING..ILLEGAL " +
                 (name.size() > 4 ? std::string(name) : first_n_padded(name, 4)) + " IN OBS" +
                 fmt_I(t_, 5) + ",VALUE=" + fmt_F(operand, 10, 3) +
                 " USING MISSING CODE=" + code_text(xmiss_));
        missing_ = true;
        return xmiss_;
    }
    Real arg(const Step& s, int j) const { return cells_[d_.args[s.first_arg + j]]; }
    int arg_cell(const Step& s, int j) const { return d_.args[s.first_arg + j]; }

    Real lag(const Step& s);
    void fix_constant_arguments();
    Real recode(const Step& s);
    Real function(const Step& s);
    // Runs the instructions at observation t; false when the run must end here.
    bool observation(int t);
    bool end_of_statement(const Step& s, std::size_t& k);
};

bool Executor::bind() {
    cells_.assign(2 * static_cast<std::size_t>(p_.MAXVAR) + 2, 0);
    for (std::size_t k = 0; k < p_.constants.size(); ++k) cells_[p_.ICON0 + k] = p_.constants[k];
    vars_.assign(p_.NF + 1, BoundVariable{});
    // Cells used as whole tables (RECODE) or only for their size (DATA) need not be vectors.
    std::vector<bool> as_vector(p_.NF + 1, false);
    auto vector_use = [&](int cell) {
        if (p_.is_variable_cell(cell)) as_vector[cell] = true;
    };
    for (const Step& s : d_.steps) {
        if (is_function(s.op)) {
            for (int j = 0; j < s.nargs; ++j)
                if (!((s.op == OP_RECODE && j == 1) || (s.op == OP_DATA && j == 0)))
                    vector_use(arg_cell(s, j));
        } else if (s.op != OP_COMMA && s.op != OP_END) {
            vector_use(s.a);
            vector_use(s.b);
        }
    }
    if (p_.LHS != 0) as_vector[1] = true;
    for (int cell = 1; cell <= p_.NF; ++cell) {
        BoundVariable& v = vars_[cell];
        v.ref = p_.vars[cell];
        v.direct = p_.direct[cell];
        if (SeriesWindow* window = feed_ ? feed_->window(cell, v.ref) : nullptr) {
            bind_window(v, *window);
            continue;
        }
        if (!VINFO(run_, v.ref, v.info)) {
            stop_command(); // VINFO has reported the column
            return false;
        }
        int slot = v.ref;
        if (slot > 2 * p_.MAXVAR)
            slot = (slot - (slot % run_.ws.MXCOL == 0 ? run_.ws.MXCOL : slot % run_.ws.MXCOL)) /
                   run_.ws.MXCOL;
        if (v.ref < 0) {
            v.scalar = &run_.res[-v.ref];
            v.name = "$" + std::string(RESULT_NAMES[-v.ref - 1]);
            v.rows = 1;
            continue;
        }
        v.name = slot >= 1 && slot <= p_.MAXVAR
                     ? trim_trailing_blanks(run_.ws.VNAME[slot].substr(0, 8))
                     : "";
        if (cell == 1 && p_.ONEWV) v.name = p_.target_name.substr(0, 8);
        const bool column = v.ref > 2 * p_.MAXVAR;
        const bool vector_type =
            v.info.type == TYPE_DATA ||
            (column && v.info.type >= TYPE_MATRIX && v.info.type <= TYPE_TRIANGLE);
        if (as_vector[cell] && (!vector_type || v.info.addr == 0 || v.info.inc < 1)) {
            stop_command(" ...ERROR.." + v.name + " IS NOT A DATA VECTOR",
                         command_error_number(run_, EXPR_NOT_DATA_VECTOR));
            return false;
        }
        v.rows = v.info.ncol > 1 ? v.info.length / v.info.ncol : v.info.length;
        if (v.info.scalar == 0 && v.info.addr != 0)
            v.first = &run_.ws.DATA[v.info.addr + 4 * v.info.inc];
    }
    fix_constant_arguments();
    // An input read at every observation must reach the last one (one value serves them all).
    for (int cell = 1; cell <= p_.NF; ++cell) {
        const BoundVariable& v = vars_[cell];
        const bool target = cell == 1 && p_.LHS != 0;
        if (!v.direct || target || v.scalar || v.rows == 1 || v.rows >= range_.last) continue;
        stop_command(" ...ERROR..SAMPLE RANGE EXCEEDS LENGTH OF " + first_8_padded(v.name) +
                         fmt_I(v.rows, 10) + fmt_I(range_.last, 10),
                     shared_error::SAMPLE_BEYOND_LENGTH);
        return false;
    }
    return true;
}

// A series outside the work area: a data vector whose elements are read through its window.
void Executor::bind_window(BoundVariable& v, SeriesWindow& window) {
    v.window = &window;
    v.name = window.name;
    v.rows = window.rows;
    v.info = VarInfo{};
    v.info.type = TYPE_DATA;
    v.info.length = window.rows;
    v.info.ncol = 1;
    v.info.inc = 1;
    v.first = window.values;
    v.base = window.first;
}

// A LAG distance as a count of observations; one beyond any variable's reach (or not a number)
// reads nothing.
long long lag_distance(Real value) {
    Real distance = qm::trunc(value);
    if (!(qm::abs(distance) <= LONGEST_LAG)) distance = LONGEST_LAG;
    return static_cast<long long>(distance);
}

// Distances of LAG and exponents of ** that are constants are converted once for the run.
void Executor::fix_constant_arguments() {
    for (Step& s : d_.steps) {
        if (s.op == OP_LAG && (s.nargs == 1 || p_.is_constant_cell(arg_cell(s, 1)))) {
            s.fixed_lag = true;
            s.lag_distance = s.nargs == 1 ? 1 : lag_distance(arg(s, 1));
        }
        if (s.op == OP_POW && p_.is_constant_cell(s.b)) {
            const Real b = cells_[s.b];
            if (qm::trunc(b) == b && b >= 0 && b <= LARGEST_MULTIPLIED_EXPONENT)
                s.fixed_power = static_cast<long long>(b);
        }
    }
}

Real Executor::lag(const Step& s) {
    const long long n = s.fixed_lag ? s.lag_distance : lag_distance(arg(s, 1));
    const int x = arg_cell(s, 0);
    if (p_.is_variable_cell(x)) {
        const BoundVariable& v = vars_[x];
        // Positions before observation 1 or beyond the variable's length give 0, also for a
        // variable of length 1 (which reaches only observation 1).
        const long long k = t_ - n;
        if (v.scalar) return k == 1 ? *v.scalar : 0;
        if (k < 1 || k > v.rows) return 0;
        return v.first ? v.element_at(k) : v.at(run_, k);
    }
    // The lag of an expression: its value at an earlier processed observation.
    Register& reg = regs_[s.reg];
    const Real now = cells_[x];
    Real value = 0;
    if (n == 1) {
        value = reg.started ? reg.value : 0;
        reg.value = now;
        reg.started = true;
    } else {
        const long long have = static_cast<long long>(reg.history.size());
        if (n == 0)
            value = now;
        else if (n > 0 && n <= have)
            value = reg.history[have - n];
        reg.history.push_back(now);
    }
    return value;
}

Real Executor::recode(const Step& s) {
    const Real x = arg(s, 0);
    const BoundVariable& table = vars_[arg_cell(s, 1)];
    if (table.scalar || table.info.ncol != RECODE_COLUMNS) {
        stop_command(" ...ERROR..RECODE TABLE " + table.name +
                         " MUST HAVE 3 COLUMNS: LOW, HIGH, NEW VALUE",
                     command_error_number(run_, EXPR_RECODE_TABLE));
        return x;
    }
    const long long rows = table.info.length / RECODE_COLUMNS;
    Real value = x;
    for (long long i = 1; i <= rows; ++i) {
        const Real low = table.at(run_, i);
        const Real high = table.at(run_, i + rows);
        if (low <= x && x <= high) value = table.at(run_, i + 2 * rows);
    }
    return value;
}

Real Executor::function(const Step& s) {
    const Real a = cells_[s.a];
    bool bad = false;
    switch (s.op) {
    case OP_EXP: {
        const Real value = exp_split(a, bad);
        if (!bad) return value;
        // The element becomes missing and the program goes on.
        report_error(run_, " ...ERROR..EXPONENTIAL OVERFLOW EXP=" + code_text(a),
                     command_error_number(run_, EXPR_EXP_OVERFLOW), ErrorSeverity::CONTINUES);
        missing_ = true;
        return xmiss_;
    }
    case OP_ABS:
        return qm::abs(a);
    case OP_LOG:
        return a > 0 ? fast_log(a) : illegal("LOG", a);
    case OP_INT:
        return qm::trunc(a);
    case OP_SQRT:
        return a >= 0 ? qm::sqrt(a) : illegal("SQRT", a);
    case OP_DUM:
        return a > 0 ? 1 : 0;
    case OP_LAG:
        return lag(s);
    case OP_UNI: {
        const Real u = run_.rng.uniform();
        return s.nargs == 1 ? a * u : arg(s, 0) + (arg(s, 1) - arg(s, 0)) * u;
    }
    case OP_NOR: {
        const Real z = run_.rng.normal();
        return s.nargs == 1 ? a * z : arg(s, 0) + arg(s, 1) * z;
    }
    case OP_SUM: {
        Register& reg = regs_[s.reg];
        reg.value += a;
        return reg.value;
    }
    case OP_SEAS: {
        // 1 where t mod n is 1: observations 1, n+1, 2n+1, ...; never for n = 1.
        const Real n = qm::trunc(a);
        if (n < 1) return 0;
        return qm::fmod(Real(t_), n) == 1 ? 1 : 0;
    }
    case OP_SIN: {
        if (s.nargs == 1) return qm::sin(a);
        const Real period = arg(s, 1);
        if (period == 0) return illegal("SIN", period);
        return qm::sin(2 * qm::PI * arg(s, 0) / period);
    }
    case OP_TIME:
        return t_ + a;
    case OP_MIN:
    case OP_MAX: {
        const bool is_min = s.op == OP_MIN;
        if (s.nargs == 1) {
            Register& reg = regs_[s.reg];
            if (!reg.started || (is_min ? a < reg.value : a > reg.value)) reg.value = a;
            reg.started = true;
            return reg.value;
        }
        Real value = arg(s, 0);
        for (int j = 1; j < s.nargs; ++j)
            value = is_min ? std::min(value, arg(s, j)) : std::max(value, arg(s, j));
        return value;
    }
    case OP_DATA:
        return static_cast<Real>(vars_[arg_cell(s, 0)].rows);
    case OP_SAMP: {
        const BoundVariable& v = vars_[arg_cell(s, 0)];
        if (v.scalar) return *v.scalar != xmiss_ ? 1 : 0;
        if (v.rows == 1) return v.at(run_, 1) != xmiss_ ? 1 : 0;
        return t_ <= v.rows && v.at(run_, t_) != xmiss_ ? 1 : 0;
    }
    case OP_NCDF:
        return ncdf(a);
    case OP_LGAM:
        return a > 0 ? qm::lgamma(a) : illegal("LGAM", a);
    case OP_MOD: {
        const Real divisor = arg(s, 1);
        if (divisor == 0) return illegal("DIV", arg(s, 0));
        return qm::fmod(arg(s, 0), divisor);
    }
    case OP_MISS:
        return a == xmiss_ ? 1 : 0;
    case OP_RECODE:
        return recode(s);
    case OP_USER:
        return a;
    default:
        if (is_more_function(s.op)) {
            Real value;
            return more_function(s.op, a, value) ? value : illegal(op_name(s.op), a);
        }
        return a;
    }
}

bool Executor::end_of_statement(const Step& s, std::size_t& k) {
    Real v = cells_[s.a];
    const int kind = s.r;
    if (kind == KIND_IF) {
        if (v > 0) {
            result_.ONOTIF = false;
            return true;
        }
        // Skip the assignment up to and including its instruction 14.
        while (++k < d_.steps.size() && d_.steps[k].op != OP_END) {
        }
        return true;
    }
    if (missing_) {
        v = xmiss_;
        if (run_.sw[OMSWRN]) {
            if (osmiss_)
                warn(" ...WARNING..OBSERVATION" + fmt_I(t_, 5) +
                     " IS ASSIGNED MISSING CODE=" + code_text(xmiss_));
            else
                warn(" ...WARNING..OBSERVATION " + fmt_I(t_, 5) +
                     " USED MISSING DATA CODE=" + code_text(xmiss_) + " TRY SKIPMISS OPTION");
        }
    }
    result_.value = v;
    switch (kind) {
    case KIND_STORE: {
        const BoundVariable& target = vars_[1];
        if (target.scalar) {
            *target.scalar = v;
            return true;
        }
        if (t_ > target.rows) {
            if (run_.sw[OWARN])
                warn(" ...WARNING..FINISHED AT OBS" + fmt_I(t_, 5) + " THE LENGTH OF " +
                     target.name);
            return false;
        }
        if (target.first)
            target.element_at(t_) = v;
        else
            target.at(run_, t_) = v;
        return true;
    }
    case KIND_SKIPIF: {
        if (v <= 0) return true;
        SkipCodes skip = skip_codes(run_);
        if (!skip || t_ > skip.length) return true;
        if (skip.codes[t_] == 0) run_.res[R_N] -= 1;
        skip.codes[t_] = SKIP_BY_SKIPIF;
        if (run_.sw[OSKWRN]) warn(" ...NOTE..OBSERVATION" + fmt_I(t_, 6) + " WILL BE SKIPPED");
        return true;
    }
    case KIND_ENDIF:
        if (v <= 0) return true;
        if (run_.flags.OPUT)
            write_line(run_, " ...NOTE..ENDIF IS TRUE AT OBSERVATION" + fmt_I(t_, 6));
        result_.endif_true = true;
        result_.endif_obs = t_;
        return false;
    case KIND_CALC:
        write_line(run_, " " + fmt_F(v, 15, 8));
        return true;
    default: // KIND_TEST and other callers read the value
        return true;
    }
}

bool Executor::observation(int t) {
    t_ = t;
    for (int cell = 1; cell <= p_.NF; ++cell) {
        const BoundVariable& v = vars_[cell];
        if (!v.direct) continue;
        if (v.scalar)
            cells_[cell] = *v.scalar;
        else if (v.rows == 1 && !(cell == 1 && p_.LHS != 0))
            cells_[cell] = v.at(run_, 1);
        else if (t > v.rows)
            cells_[cell] = 0;
        else
            cells_[cell] = v.first ? v.element_at(t) : v.at(run_, t);
    }
    missing_ = false;
    Real* c = cells_.data();
    for (std::size_t k = 0; k < d_.steps.size(); ++k) {
        const Step& s = d_.steps[k];
        const Real a = c[s.a];
        const Real b = c[s.b];
        if (osmiss_ && s.op != OP_END && s.op != OP_COMMA && (a == xmiss_ || (s.b && b == xmiss_)))
            missing_ = true;
        Real& r = c[s.r];
        bool bad = false;
        switch (s.op) {
        case OP_ADD:
            r = fast_add(a, b);
            break;
        case OP_SUB:
            r = fast_subtract(a, b);
            break;
        case OP_MUL:
            r = fast_multiply(a, b);
            break;
        case OP_DIV:
            r = b != 0 ? a / b : illegal("DIV", a);
            break;
        case OP_POW:
            if (s.fixed_power >= 0) {
                r = integer_power(a, s.fixed_power);
                break;
            }
            r = power(a, b, bad);
            if (bad) r = illegal("**", a);
            break;
        case OP_SUBSCRIPT: {
            if (s.a == 0) {
                r = b;
                break;
            }
            const BoundVariable& v = vars_[s.a];
            const Real index = qm::trunc(b);
            if (v.scalar ? index != 1 : !(index >= 1 && index <= v.info.length)) {
                const long long shown = !(index > -9999) ? -9999
                                        : index > 99999  ? 99999
                                                         : static_cast<long long>(index);
                stop_command(" ...ERROR..ROW OR COLUMN" + fmt_I(shown, 5) +
                                 " EXCEEDS VARIABLE SIZE",
                             shared_error::BEYOND_VARIABLE);
                return false;
            }
            r = v.scalar ? *v.scalar : v.at(run_, static_cast<long long>(index));
            break;
        }
        case OP_NEG:
            r = -a;
            break;
        case OP_COMMA:
            break;
        case OP_END:
            if (!end_of_statement(s, k)) return false;
            break;
        case OP_E:
            r = times_power_of_ten(a, b, bad);
            if (bad) r = illegal("**", b);
            break;
        case OP_EQ:
        case OP_NE:
        case OP_LT:
        case OP_LE:
        case OP_GT:
        case OP_GE:
        case OP_OR:
        case OP_AND:
        case OP_NOT: {
            bool truth = false;
            logical_operation(s.op, a, b, truth);
            r = truth ? 1 : 0;
            break;
        }
        case OP_READ:
            r = illegal("READ", a);
            break;
        case OP_USER_CALL:
            r = a;
            break;
        default:
            r = function(s);
            break;
        }
        if (stop_) return false;
    }
    return true;
}

bool Executor::run_stretch(int from, int to, int step, bool skipping) {
    for (int t = from; step < 0 ? t >= to : t <= to; t += step) {
        if (skipping && !range_.single && !obs_in_use(run_, t)) continue;
        result_.LASTN = t;
        if (!observation(t)) return false;
    }
    return true;
}

TransResult Executor::execute() {
    osmiss_ = run_.sw[OSMISS];
    xmiss_ = run_.ws.XMISS;
    if (!run_.rng.seeded) run_.rng.seed(run_.vals.RANSEED);
    // 1. Skipping in force: missing-value marks are recomputed, skipped observations counted.
    const bool skipping = run_.sw[OSKIP] || run_.sw[OSMPL] || run_.sw[OSMISS];
    if (skipping) {
        if (SkipCodes skip = skip_codes(run_)) {
            for (long long t = 1; t <= skip.length; ++t)
                if (skip.codes[t] == SKIP_MISSING) skip.codes[t] = 0;
            run_.smpl.check_first = range_.first;
            run_.smpl.check_last = range_.last;
            SKIPIT(run_);
        }
    }
    if (!bind()) return result_;
    // 2. Registers start at zero.
    regs_.assign(d_.registers, Register{});
    // 3. Observations in order (reverse under BACK).
    const bool back = run_.sw[OBACK];
    const int step = back ? -1 : 1;
    const int from = back ? range_.last : range_.first;
    const int to = back ? range_.first : range_.last;
    // 4. Normal draws over many observations are computed ahead (the same numbers); a uniform
    // draw between them would throw that work away, so then they are drawn one at a time.
    const auto count_op = [this](int op) {
        return std::count_if(d_.steps.begin(), d_.steps.end(),
                             [op](const Step& s) { return s.op == op; });
    };
    const auto normals = static_cast<std::size_t>(count_op(OP_NOR));
    const long long observations = back ? (long long)from - to + 1 : (long long)to - from + 1;
    if (normals > 0 && count_op(OP_UNI) == 0 && observations > 0)
        run_.rng.expect_normals(normals * static_cast<std::size_t>(observations));
    if (feed_ == nullptr) {
        run_stretch(from, to, step, skipping);
    } else {
        long long first = 0, last = 0;
        while (feed_->next_stretch(first, last)) {
            for (BoundVariable& v : vars_) {
                if (v.window == nullptr) continue;
                v.first = v.window->values;
                v.base = v.window->first;
            }
            if (!run_stretch(static_cast<int>(first), static_cast<int>(last), 1, skipping)) break;
        }
    }
    run_.rng.settle();
    return result_;
}

} // namespace

Real& BoundVariable::at(Run& run, long long k) const {
    if (scalar) return *scalar;
    if (first) return element_at(k);
    return element(run, info, k);
}

Decoded decode(const Program& program) {
    Decoded d;
    for (int k = 0; k < program.instructions(); ++k) {
        Step s;
        s.op = program.op(k);
        s.a = program.a(k);
        s.b = program.b(k);
        s.r = program.result(k);
        if (is_function(s.op)) {
            const std::vector<int> args = function_arguments(program, k);
            s.first_arg = static_cast<int>(d.args.size());
            s.nargs = static_cast<int>(args.size());
            d.args.insert(d.args.end(), args.begin(), args.end());
            const bool expression_lag = s.op == OP_LAG && !program.is_variable_cell(args.front());
            const bool running = (s.op == OP_MIN || s.op == OP_MAX) && s.nargs == 1;
            if (expression_lag || running || s.op == OP_SUM) s.reg = d.registers++;
        }
        d.steps.push_back(s);
    }
    return d;
}

TransResult TRANS(Run& run, const Program& program, const TransRange& range) {
    Executor executor(run, program, range, nullptr);
    return executor.execute();
}

TransResult TRANS_WINDOWED(Run& run, const Program& program, const TransRange& range,
                           WindowFeed& feed) {
    Executor executor(run, program, range, &feed);
    return executor.execute();
}

std::string code_text(Real code) {
    return trim_blanks(fmt_G(code, 16, 8));
}

} // namespace tarvex::expr
