// The MATRIX executor's cells, messages and element-by-element operations: + - / ** and the
// comparisons with a 1 by 1 operand standing for every element, the scalar functions applied to
// every element, subscripts A(k) and A(i, j), and the dispatch of each instruction.
#include "expr/matrix_executor.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "expr/executor.hpp"
#include "expr/matrix_operations.hpp"
#include "expr/scalar_functions.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex::expr {

namespace {

// A 1 by 1 operand as an integer index or count; false when it is not a whole number in range.
bool whole_number(const Matrix& m, long long& out) {
    if (!m.is_scalar()) return false;
    const Real x = m.v[0];
    if (!(x >= -4e18Q && x <= 4e18Q) || qm::trunc(x) != x) return false;
    out = static_cast<long long>(x);
    return true;
}

} // namespace

bool run_matrix_program(Run& run, const Program& program, Matrix& result) {
    MatrixExecutor executor(run, program);
    return executor.run(result);
}

// ---- cells and messages ---------------------------------------------------------------------

Real MatrixExecutor::xmiss() const {
    return run_.ws.XMISS;
}

[[noreturn]] void MatrixExecutor::error(std::string_view message, int number) {
    report_error(run_, message, number, ErrorSeverity::SERIOUS);
    throw Stop{};
}

[[noreturn]] void MatrixExecutor::dimension_error(const Matrix& a, const Matrix* b) {
    std::string name(matrix_op_name(op_));
    if (name.size() < 4) name.resize(4, ' ');
    report_error(run_, " ...ERROR..INVALID " + name + " FUNCTION", MATRIX_INVALID_FUNCTION,
                 ErrorSeverity::SERIOUS);
    const Matrix none;
    const Matrix& other = b ? *b : none;
    write_line(run_, " ...MATRIX DIMENSIONS: " + fmt_I(a.rows, 5) + " BY " + fmt_I(a.cols, 5) +
                         "    OR    " + fmt_I(other.rows, 5) + " BY " + fmt_I(other.cols, 5));
    throw Stop{};
}

void MatrixExecutor::note(std::string_view message) {
    if (run_.flags.OPUT) write_line(run_, message);
}

// An illegal element operation: the element becomes the missing-value code; the first one of
// each instruction is reported with the operand and the value put in its place.
Real MatrixExecutor::illegal(std::string_view name, Real operand) {
    if (!illegal_reported_)
        note(" ...WARNING..ILLEGAL " + std::string(name) + ", VALUE REPLACED BY " +
             fmt_G(operand, 16, 8) + fmt_F(xmiss(), 13, 5));
    illegal_reported_ = true;
    return xmiss();
}

void MatrixExecutor::reserve(long long rows, long long cols) {
    Workspace& ws = run_.ws;
    const long long room = std::max(0LL, ws.MAXADD - ws.LASADD - 4);
    if (rows < 0 || cols < 0) dimension_error(Matrix(), nullptr);
    if (cols == 0 || rows <= room / cols) return;
    const long double wanted = static_cast<long double>(rows) * static_cast<long double>(cols);
    // Capped so that the report's byte figures (words times 16) stay within 64 bits.
    constexpr long long NEED_CAP = 1'000'000'000'000'000LL;
    ws.NEED = wanted + static_cast<long double>(ws.LASADD) > static_cast<long double>(NEED_CAP)
                  ? NEED_CAP
                  : ws.LASADD + 4 + rows * cols;
    NOCORE(run_);
    throw Stop{};
}

Matrix MatrixExecutor::load_variable(int ref) {
    VarInfo info;
    if (!VINFO(run_, ref, info)) {
        report_error(run_, "", 0, ErrorSeverity::SERIOUS); // VINFO has written the column error
        throw Stop{};
    }
    const int slot =
        ref > 2 * run_.ws.MAXVAR
            ? (ref - (ref % run_.ws.MXCOL == 0 ? run_.ws.MXCOL : ref % run_.ws.MXCOL)) /
                  run_.ws.MXCOL
            : ref;
    const std::string name =
        slot > 0 && slot <= run_.ws.NVARS ? trim_trailing_blanks(run_.ws.VNAME[slot]) : "";
    if (info.type == TYPE_CHAR_STRING || info.type == TYPE_CHAR_VAR)
        error(" ...ERROR.." + name + " IS NOT A NUMERIC VARIABLE", MATRIX_NOT_NUMERIC);
    Matrix m;
    const bool column = ref > 2 * run_.ws.MAXVAR;
    const long long n = info.ncol;
    if (!column && (info.type == TYPE_SYMMETRIC || info.type == TYPE_TRIANGLE) && n > 0 &&
        info.length != n * n) {
        // Packed lower triangle, row after row.
        if (info.length < n * (n + 1) / 2)
            error(" ...ERROR.." + name + " IS NOT A NUMERIC VARIABLE", MATRIX_NOT_NUMERIC);
        reserve(n, n);
        m = Matrix(n, n);
        for (long long i = 1; i <= n; ++i)
            for (long long j = 1; j <= i; ++j) {
                const Real x = element(run_, info, i * (i - 1) / 2 + j);
                m(i - 1, j - 1) = x;
                if (info.type == TYPE_SYMMETRIC) m(j - 1, i - 1) = x;
            }
    } else {
        const long long cols = column || info.ncol < 1 ? 1 : info.ncol;
        const long long rows = info.length / cols;
        reserve(rows, cols);
        m = Matrix(rows, cols);
        for (long long k = 1; k <= rows * cols; ++k)
            m.v[static_cast<std::size_t>(k - 1)] = element(run_, info, k);
    }
    m.type = column || m.cols == 1 ? TYPE_DATA : info.type;
    if (!missing_reported_ && std::find(m.v.begin(), m.v.end(), xmiss()) != m.v.end()) {
        missing_reported_ = true;
        note(" ...WARNING..MISSING VALUE CODE=" + code_text(xmiss()) +
             " WAS FOUND AND USED IN THIS CALCULATION");
    }
    return m;
}

Matrix MatrixExecutor::value(int cell) {
    if (p_.is_constant_cell(cell))
        return Matrix::scalar(p_.constants[static_cast<std::size_t>(cell - p_.ICON0)]);
    if (p_.is_variable_cell(cell)) return load_variable(cell);
    const auto found = temps_.find(cell);
    if (found == temps_.end() || commas_.count(cell))
        error(" ...ERROR..SYNTAX ERROR WHEN GENERATING VARIABLE", shared_error::SYNTAX);
    return found->second;
}

std::vector<int> MatrixExecutor::arguments(int cell) const {
    const auto pair = commas_.find(cell);
    if (pair == commas_.end()) return {cell};
    std::vector<int> out = arguments(pair->second.first);
    const std::vector<int> rest = arguments(pair->second.second);
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

// ---- element by element ---------------------------------------------------------------------

Matrix MatrixExecutor::elementwise(const Matrix& a, const std::function<Real(Real)>& f) {
    Matrix r(a.rows, a.cols);
    for (std::size_t k = 0; k < a.v.size(); ++k) r.v[k] = f(a.v[k]);
    return r;
}

Matrix MatrixExecutor::elementwise(const Matrix& a, const Matrix& b,
                                   const std::function<Real(Real, Real)>& f) {
    if (a.rows == b.rows && a.cols == b.cols) {
        Matrix r(a.rows, a.cols);
        for (std::size_t k = 0; k < a.v.size(); ++k) r.v[k] = f(a.v[k], b.v[k]);
        return r;
    }
    if (a.is_scalar()) return elementwise(b, [&](Real y) { return f(a.v[0], y); });
    if (b.is_scalar()) return elementwise(a, [&](Real x) { return f(x, b.v[0]); });
    dimension_error(a, &b);
}

Matrix MatrixExecutor::arithmetic(int op, const Matrix& a, const Matrix& b) {
    switch (op) {
    case OP_ADD:
        return elementwise(a, b, [](Real x, Real y) { return x + y; });
    case OP_SUB:
        return elementwise(a, b, [](Real x, Real y) { return x - y; });
    case OP_MUL:
        return product(a, b);
    case OP_DIV:
        return elementwise(a, b,
                           [&](Real x, Real y) { return y == 0 ? illegal("DIV", x) : x / y; });
    case OP_POW:
        return elementwise(a, b, [&](Real x, Real y) {
            bool bad = false;
            const Real r = power(x, y, bad);
            return bad ? illegal("**", x) : r;
        });
    case OP_E:
        return elementwise(a, b, [&](Real x, Real y) {
            bool bad = false;
            const Real r = x * power(10, y, bad);
            return bad ? illegal("E", y) : r;
        });
    case OP_EQ:
        return elementwise(a, b, [](Real x, Real y) -> Real { return x == y; });
    case OP_NE:
        return elementwise(a, b, [](Real x, Real y) -> Real { return x != y; });
    case OP_LT:
        return elementwise(a, b, [](Real x, Real y) -> Real { return x < y; });
    case OP_LE:
        return elementwise(a, b, [](Real x, Real y) -> Real { return x <= y; });
    case OP_GT:
        return elementwise(a, b, [](Real x, Real y) -> Real { return x > y; });
    case OP_GE:
        return elementwise(a, b, [](Real x, Real y) -> Real { return x >= y; });
    case OP_OR:
        return elementwise(a, b, [](Real x, Real y) -> Real { return x > 0 || y > 0; });
    case OP_AND:
        return elementwise(a, b, [](Real x, Real y) -> Real { return x > 0 && y > 0; });
    default:
        dimension_error(a, &b);
    }
}

// The scalar functions, each element on its own; LAG, SUM, SEAS and TIME treat the rows of
// every column as its observations.
Matrix MatrixExecutor::function(int op, int a_cell) {
    const std::vector<int> cells = arguments(a_cell);
    std::vector<Matrix> args;
    for (const int cell : cells) args.push_back(value(cell));
    const Matrix& x = args.front();
    const std::size_t n = args.size();
    auto want = [&](std::size_t low, std::size_t high) {
        if (n < low || n > high) dimension_error(x, n > 1 ? &args[1] : nullptr);
    };
    switch (op) {
    case OP_EXP:
        want(1, 1);
        return elementwise(x, [&](Real a) {
            bool overflow = false;
            const Real r = exp_split(a, overflow);
            return overflow ? illegal("EXP", a) : r;
        });
    case OP_ABS:
        want(1, 1);
        return elementwise(x, [](Real a) { return qm::abs(a); });
    case OP_LOG:
        want(1, 1);
        return elementwise(x, [&](Real a) { return a > 0 ? qm::log(a) : illegal("LOG", a); });
    case OP_INT:
        want(1, 1);
        return elementwise(x, [](Real a) { return qm::trunc(a); });
    case OP_SQRT:
        want(1, 1);
        return elementwise(x, [&](Real a) { return a >= 0 ? qm::sqrt(a) : illegal("SQRT", a); });
    case OP_DUM:
        want(1, 1);
        return elementwise(x, [](Real a) -> Real { return a > 0; });
    case OP_NCDF:
        want(1, 1);
        return elementwise(x, [](Real a) { return ncdf(a); });
    case OP_LGAM:
        want(1, 1);
        return elementwise(x, [&](Real a) { return a > 0 ? qm::lgamma(a) : illegal("LGAM", a); });
    case OP_MISS:
        want(1, 1);
        return elementwise(x, [&](Real a) -> Real { return a == xmiss(); });
    case OP_SAMP: // 1 where the element holds a value, 0 where it holds the missing code
        want(1, 1);
        return elementwise(x, [&](Real a) -> Real { return a != xmiss(); });
    case OP_SIN:
        want(1, 2);
        if (n == 1) return elementwise(x, [](Real a) { return qm::sin(a); });
        return elementwise(x, args[1], [&](Real a, Real p) {
            return p == 0 ? illegal("SIN", p) : qm::sin(2 * qm::PI * a / p);
        });
    case OP_COS:
    case OP_TAN:
    case OP_ATAN:
    case OP_ASIN:
    case OP_ACOS:
    case OP_SINH:
    case OP_COSH:
    case OP_TANH:
    case OP_ERF:
    case OP_ERFC:
    case OP_GAMMA:
    case OP_INVNCDF:
    case OP_LOG10:
        want(1, 1);
        return elementwise(x, [&](Real a) {
            Real value;
            return more_function(op, a, value) ? value : illegal(op_name(op), a);
        });
    case OP_MOD:
        want(2, 2);
        return elementwise(x, args[1], [&](Real a, Real b) {
            return b == 0 ? illegal("DIV", a) : qm::fmod(a, b);
        });
    case OP_UNI:
        want(1, 2);
        if (n == 1) return elementwise(x, [&](Real a) { return a * run_.rng.uniform(); });
        return elementwise(x, args[1],
                           [&](Real a, Real b) { return a + (b - a) * run_.rng.uniform(); });
    case OP_NOR:
        want(1, 2);
        if (n == 1) return elementwise(x, [&](Real a) { return a * run_.rng.normal(); });
        return elementwise(x, args[1], [&](Real a, Real b) { return a + b * run_.rng.normal(); });
    case OP_LAG: {
        want(1, 2);
        long long shift = 1;
        if (n == 2 && !whole_number(args[1], shift)) dimension_error(x, &args[1]);
        Matrix r(x.rows, x.cols);
        bool filled = false;
        for (long long j = 0; j < x.cols; ++j)
            for (long long i = 0; i < x.rows; ++i) {
                const long long from = i - shift;
                if (from >= 0 && from < x.rows)
                    r(i, j) = x(from, j);
                else
                    filled = true;
            }
        if (filled && run_.sw[OWARN])
            note(" ...WARNING..MISSING OBSERVATION SET TO" + fmt_F(0, 13, 5));
        return r;
    }
    case OP_SUM: {
        want(1, 1);
        Matrix r = x;
        for (long long j = 0; j < r.cols; ++j)
            for (long long i = 1; i < r.rows; ++i) r(i, j) += r(i - 1, j);
        r.type = TYPE_MATRIX;
        return r;
    }
    case OP_SEAS:
    case OP_TIME: {
        want(1, 1);
        Matrix r(x.rows, x.cols);
        for (long long j = 0; j < x.cols; ++j)
            for (long long i = 0; i < x.rows; ++i) {
                const Real a = x(i, j);
                if (op == OP_TIME)
                    r(i, j) = Real(i + 1) + a;
                else
                    r(i, j) = qm::trunc(a) >= 1 && qm::fmod(Real(i + 1), qm::trunc(a)) == 1 ? 1 : 0;
            }
        return r;
    }
    case OP_DATA:
        want(1, 1);
        return Matrix::scalar(Real(x.rows));
    case OP_RECODE: {
        want(2, 2);
        const Matrix& table = args[1];
        if (table.cols != 3) dimension_error(x, &table);
        return elementwise(x, [&](Real a) {
            Real r = a;
            for (long long i = 0; i < table.rows; ++i)
                if (table(i, 0) <= a && a <= table(i, 1)) r = table(i, 2);
            return r;
        });
    }
    default:
        error(" ...ERROR..FUNCTION NOT YET AVAILABLE",
              command_error_number(run_, EXPR_FUNCTION_UNAVAILABLE));
    }
}

Matrix MatrixExecutor::subscript(int var_cell, int index_cell) {
    const Matrix m = value(var_cell);
    const std::vector<int> cells = arguments(index_cell);
    std::vector<long long> index;
    for (const int cell : cells) {
        const Matrix k = value(cell);
        long long i = 0;
        if (!whole_number(k, i)) dimension_error(m, &k);
        index.push_back(i);
    }
    auto out_of_range = [&](long long i) {
        error(" ...ERROR..ROW OR COLUMN" + fmt_I(std::clamp(i, -9999LL, 99999LL), 5) +
                  " EXCEEDS VARIABLE SIZE",
              shared_error::BEYOND_VARIABLE);
    };
    if (index.size() == 1) {
        if (index[0] < 1 || index[0] > m.size()) out_of_range(index[0]);
        return Matrix::scalar(m.v[static_cast<std::size_t>(index[0] - 1)]);
    }
    if (index[0] < 1 || index[0] > m.rows) out_of_range(index[0]);
    if (index[1] < 1 || index[1] > m.cols) out_of_range(index[1]);
    return Matrix::scalar(m(index[0] - 1, index[1] - 1));
}

// ---- the program ----------------------------------------------------------------------------

bool MatrixExecutor::run(Matrix& result) {
    try {
        for (int k = 0; k < p_.instructions(); ++k) {
            op_ = p_.op(k);
            illegal_reported_ = false;
            const int a = p_.a(k), b = p_.b(k), r = p_.result(k);
            if (op_ == OP_END) {
                result = value(a);
                return true;
            }
            if (op_ == OP_COMMA) {
                commas_[r] = {a, b};
                continue;
            }
            Matrix out;
            if (op_ == OP_SUBSCRIPT) {
                out = a == 0 ? value(b) : subscript(a, b);
            } else if (op_ == OP_NEG) {
                out = elementwise(value(a), [](Real x) { return -x; });
            } else if (op_ == OP_NOT) {
                out = elementwise(value(a), [](Real x) -> Real { return x <= 0; });
            } else if (is_matrix_op(op_)) {
                const Matrix x = value(a);
                if (op_operands(op_) == 2) {
                    const Matrix y = value(b);
                    out = matrix_operation(op_, x, &y);
                } else {
                    out = matrix_operation(op_, x, nullptr);
                }
            } else if (is_function(op_)) {
                out = function(op_, a);
            } else if (op_operands(op_) == 2) {
                out = arithmetic(op_, value(a), value(b));
            } else {
                error(" ...ERROR..SYNTAX ERROR WHEN GENERATING VARIABLE", shared_error::SYNTAX);
            }
            temps_[r] = std::move(out);
        }
    } catch (const Stop&) {
        return false;
    }
    return false;
}

} // namespace tarvex::expr
