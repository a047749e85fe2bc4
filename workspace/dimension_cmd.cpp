// DIMENSION (routine DIMEN): creates data vectors and matrices of a given size, filled with
// zeros. Each group is a name, a row count and an optional column count; a count is a number,
// a result scalar ($ name) or a variable of length 1.
#include "workspace/maintenance.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/decimal.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "workspace/workspace.hpp"
#include "workspace/workspace_errors.hpp"

#include <climits>

namespace tarvex {

namespace {

// Counts beyond this cannot be held by any work area; they are refused before NEWVAR.
inline constexpr Real LARGEST_COUNT = 1.0e12Q;

// Where a size word's value comes from.
enum class SizeSource { NONE, NUMBER, RESULT_SCALAR, SCALAR_VARIABLE };

// Reads a size word: a number, a "$" result scalar (when allowed), or an existing variable of
// length 1. NONE when the word is none of these.
SizeSource size_value(Run& run, const std::string& word, bool scalars_allowed, Real& value) {
    const int kind = NAMCHK(word);
    if (kind == 0 || word.front() == '-' || word.front() == '+' || word.front() == '.') {
        std::size_t used = 0;
        if (parse_real(word, value, &used) && used == word.size()) return SizeSource::NUMBER;
        return SizeSource::NONE;
    }
    const int ref = VFIND(run, word8(word, false));
    if (ref < 0 && scalars_allowed && word.front() == '$') {
        value = run.res[-ref];
        return SizeSource::RESULT_SCALAR;
    }
    if (ref > 0) {
        VarInfo info;
        if (VINFO(run, ref, info) && info.addr > 0 && info.length == 1) {
            value = element(run, info, 1);
            return SizeSource::SCALAR_VARIABLE;
        }
    }
    return SizeSource::NONE;
}

void illegal_name(Run& run, const std::string& word) {
    report_error(run, " ...ERROR..ILLEGAL VARIABLE NAME:" + word, DIM_ILLEGAL_NAME,
                 ErrorSeverity::SERIOUS);
}

// A count converted to an integer (truncated); false when it is no usable size.
bool to_count(Real value, bool column, long long& count) {
    if (qm::isnan(value) || qm::isinf(value) || value >= LARGEST_COUNT || value <= -LARGEST_COUNT)
        return false;
    count = static_cast<long long>(qm::trunc(value));
    return column ? count >= 1 : count >= 0;
}

} // namespace

void cmd_dimension(Run& run) {
    const std::vector<std::string> words = statement_words(run, nullptr);
    std::size_t at = 0;
    while (at < words.size()) {
        const std::string name = word8(words[at], run.sw[OLC]);
        if (NAMCHK(name) != 1) {
            illegal_name(run, name);
            return;
        }
        if (at + 1 >= words.size()) {
            report_error(run, " ...ERROR..SIZE OF ARRAY " + name + " NOT GIVEN", DIM_SIZE_NOT_GIVEN,
                         ErrorSeverity::SERIOUS);
            return;
        }
        if (VFIND(run, name) > 0) {
            // The existing variable is left alone; the other groups are still created.
            report_error(run, " ...ERROR..VARIABLE ALREADY EXISTS " + name, DIM_ALREADY_EXISTS,
                         ErrorSeverity::CONTINUES);
            at += 2; // the name and its size word
            continue;
        }
        Real rows_value = 0;
        const std::string rows_word = words[at + 1];
        if (size_value(run, rows_word, true, rows_value) == SizeSource::NONE) {
            illegal_name(run, word8(rows_word, run.sw[OLC]));
            return;
        }
        at += 2;
        Real cols_value = 1;
        bool has_cols = false;
        if (at < words.size() &&
            size_value(run, words[at], false, cols_value) != SizeSource::NONE) {
            has_cols = true;
            ++at;
        }
        long long rows = 0, cols = 1;
        if (!to_count(rows_value, false, rows) || !to_count(cols_value, true, cols) ||
            cols > INT_MAX) {
            report_error(run, " ...ERROR..INVALID SIZE OF ARRAY " + name, DIM_INVALID_SIZE,
                         ErrorSeverity::SERIOUS);
            return;
        }
        // A size beyond any work area is asked for as such: NEWVAR reports the shortfall.
        const long long largest = static_cast<long long>(LARGEST_COUNT);
        const long long length = rows > largest / cols ? largest : rows * cols;
        int ref = 0; // the whole variable
        NEWVAR(run, name, 1, has_cols ? TYPE_MATRIX : TYPE_DATA, length, static_cast<int>(cols),
               ref);
        if (ref <= 0) return; // NEWVAR has reported the full work area or name table
        if (run.sw[ODMMP])
            write_line(run, " DIMEN " + name + std::string(8 - name.size(), ' ') + fmt_I(rows, 10) +
                                fmt_I(cols, 10) + fmt_I(ref, 10) + fmt_I(run.ws.LASADD, 10));
    }
}

} // namespace tarvex
