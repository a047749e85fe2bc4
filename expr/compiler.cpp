// The expression compiler GENR: reads the target and the items of a statement, converts them
// to postfix by binding strength (equal strengths group left to right), and turns the postfix
// list into four-integer instructions ending with the end-of-statement operation 14.
#include "expr/arguments.hpp"
#include "expr/matrix_operations.hpp"
#include "expr/program.hpp"

#include "core/error_report.hpp"
#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "core/shared_errors.hpp"
#include "expr/expr_errors.hpp"
#include "numeric/decimal.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "workspace/bound_names.hpp"
#include "workspace/data_bank.hpp"
#include "workspace/workspace.hpp"

#include <cctype>
#include <map>

namespace tarvex::expr {

namespace {

inline constexpr int SENTINEL = -99999; // bottom of the operator stack
inline constexpr int OPEN_MARK = -1;    // "(" on the operator stack
// $ERR of a constant beyond the binary128 range: the command's number x 1000 + 60 (GENR 2060,
// MATRIX 39060).
inline constexpr int ERR_OVERFLOW_SEQUENCE = 60;
inline constexpr std::size_t NAME_LIMIT = 8;

bool is_name_char(char c) {
    return is_ascii_letter(c) || is_ascii_digit(c) || c == '_' || c == '$';
}

// Thrown inside the compiler once the message of an error has been written.
struct CompileError {};

class Compiler {
public:
    Compiler(Run& run, std::string_view text, const CompileRequest& request, Program& program)
        : run_(run), text_(text), req_(request), p_(program) {}

    void compile();

private:
    Run& run_;
    std::string_view text_;
    const CompileRequest& req_;
    Program& p_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0; // end of the segment being compiled
    int next_temp_ = 0;
    std::vector<int> out_;   // postfix: cells (> 0) and operations (< 0)
    std::vector<int> stack_; // operators, OPEN_MARK for "(", SENTINEL at the bottom
    std::map<int, std::pair<int, int>> arguments_of_; // the two operands of each comma temporary
    bool expect_operand_ = true;
    int depth_ = 0;

    // ---- messages -------------------------------------------------------------------------
    // Ends the compilation. A silent compile (a trial the caller reports on) only ends the
    // command, with neither the line nor $ERR; otherwise the error is serious.
    [[noreturn]] void fail(std::string_view message, int number = 0) {
        if (req_.silent)
            report_error(run_, "");
        else
            report_error(run_, message, number, ErrorSeverity::SERIOUS);
        throw CompileError{};
    }
    [[noreturn]] void fail(std::string_view message, ExpressionError sequence) {
        fail(message, command_error_number(run_, sequence));
    }
    [[noreturn]] void syntax_error() {
        fail(" ...ERROR..SYNTAX ERROR WHEN GENERATING VARIABLE", shared_error::SYNTAX);
    }
    void note(std::string_view message) {
        if (run_.flags.OPUT) write_line(run_, message);
    }

    // ---- cells ----------------------------------------------------------------------------
    // For MATRIX the cell of a variable is its reference; the list only records it.
    int variable_cell(int ref, bool is_target = false) {
        for (int k = 1; k <= p_.NF; ++k)
            if (p_.vars[k] == ref && !(is_target && k != 1)) return p_.matrix ? ref : k;
        if (p_.NF + 1 > p_.MAXVAR) no_room();
        p_.vars.push_back(ref);
        p_.direct.push_back(false);
        ++p_.NF;
        return p_.matrix ? ref : p_.NF;
    }
    int constant_cell(Real value) {
        const int cell = p_.ICON0 + static_cast<int>(p_.constants.size());
        if (cell > 2 * p_.MAXVAR) no_room();
        p_.constants.push_back(value);
        return cell;
    }
    int new_temp() {
        const int cell = next_temp_++;
        if (cell >= p_.ICON0) no_room();
        if (cell > p_.KCONMX) p_.KCONMX = cell;
        return cell;
    }
    [[noreturn]] void no_room() {
        fail(" ...ERROR..DISASTER..NO ROOM FOR THIS MANY PARAMETERS, RAISE SIZE COMMAND",
             EXPR_TOO_MANY_PARAMETERS);
    }
    void emit(int op, int a, int b, int result) {
        if (p_.MGE() + 4 > p_.MXGE - 3)
            fail(" ...ERROR..DISASTER...GENR TABLE FULL, INCREASE PAR", EXPR_TABLE_FULL);
        p_.code.insert(p_.code.end(), {op, a, b, result});
        if (op > OP_END) p_.NL14 = 1;
        if (op == OP_LAG) {
            ++p_.NLAG;
            if (run_.sw[OWARN]) note(" ...NOTE..LAG VALUE IN UNDEFINED OBSERVATIONS SET TO ZERO");
        }
        if (op == OP_SUM) ++p_.NSUM;
    }

    // ---- reading --------------------------------------------------------------------------
    void skip_blanks() {
        while (pos_ < end_ && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
    }
    std::size_t next_nonblank(std::size_t at) const {
        while (at < end_ && (text_[at] == ' ' || text_[at] == '\t')) ++at;
        return at;
    }
    // A name of letters, digits, "_" and "$"; longer than 8 characters it is cut with a warning.
    std::string read_name() {
        const std::size_t start = pos_;
        while (pos_ < end_ && is_name_char(text_[pos_])) ++pos_;
        std::string name(text_.substr(start, pos_ - start));
        if (name.size() > NAME_LIMIT) {
            name.resize(NAME_LIMIT);
            note(" ...WARNING..VAR LONGER THAN 8 CHARACTERS TRUNCATED TO:" + upper_ascii(name));
        }
        return name;
    }
    // A number: digits with an optional fraction and exponent ("2", "1.5", ".5", "3.", "1E-3").
    // A "." followed by a letter is not part of the number: it starts a dotted operator.
    Real read_number() {
        const std::size_t start = pos_;
        while (pos_ < end_ && is_ascii_digit(text_[pos_])) ++pos_;
        if (pos_ < end_ && text_[pos_] == '.' &&
            !(pos_ + 1 < end_ && is_ascii_letter(text_[pos_ + 1]))) {
            ++pos_;
            while (pos_ < end_ && is_ascii_digit(text_[pos_])) ++pos_;
        }
        if (pos_ < end_ && (text_[pos_] == 'E' || text_[pos_] == 'e' || text_[pos_] == 'D' ||
                            text_[pos_] == 'd')) {
            std::size_t at = pos_ + 1;
            if (at < end_ && (text_[at] == '+' || text_[at] == '-')) ++at;
            if (at < end_ && is_ascii_digit(text_[at])) {
                pos_ = at;
                while (pos_ < end_ && is_ascii_digit(text_[pos_])) ++pos_;
            }
        }
        Real value = 0;
        const std::string_view number = text_.substr(start, pos_ - start);
        if (parse_real_field(number, value)) return value;
        if (real_field_overflows(number)) {
            fail(" ...ERROR..THE NUMBER " + std::string(number.substr(0, 60)) +
                     " OVERFLOWS: NO NUMBER CAN EXCEED ABOUT 1.19E+4932 IN SIZE",
                 command_error_number(run_, ERR_OVERFLOW_SEQUENCE));
        }
        syntax_error();
    }
    // "$" and a name: the scalar's current value becomes a constant.
    int read_result_scalar() {
        ++pos_;
        const std::size_t start = pos_;
        while (pos_ < end_ && is_name_char(text_[pos_])) ++pos_;
        const std::string name = upper_ascii(text_.substr(start, pos_ - start));
        const int k = find_result_scalar("$" + name);
        if (k <= 0)
            fail(" ...ERROR..$" + first_n_padded(name, 4) + " IS NOT CURRENTLY DEFINED",
                 shared_error::RESULT_UNDEFINED);
        const Real value = run_.res[k];
        if (run_.sw[ODMMP])
            note(" ...NOTE..CURRENT VALUE OF $" + std::string(RESULT_NAMES[k - 1]) + "=" +
                 real_to_string(value, 20));
        return constant_cell(value);
    }
    // A name read by the statement: the workspace, then, with DB on, the data bank. A variable
    // fetched from the bank may take the slot kept for a new target, which then moves on.
    int find_input(const std::string& name) {
        if (req_.find_name) return req_.find_name(name);
        bool bank_failed = false;
        const int ref = find_or_fetch(run_, name, &bank_failed);
        if (bank_failed) {
            report_error(run_, "", 0, ErrorSeverity::SERIOUS); // the bank has written why
            throw CompileError{};
        }
        if (p_.ONEWV && ref > 0 && ref == p_.LHS) {
            const int slot = run_.ws.NVARS + 1;
            if (slot > run_.ws.MAXVAR) {
                variable_limit_report(run_);
                throw CompileError{};
            }
            p_.LHS = slot;
            if (!p_.matrix) p_.vars[1] = slot; // MATRIX keeps no cell for its target
        }
        return ref;
    }
    // A workspace name (with an optional ":column") as a variable reference.
    int lookup(const std::string& name, int col) {
        // A series bound to a file is not in memory: refused, even as the target read on the
        // right (it would read zeros, not the file's values).
        if (const BoundSeries* bound = find_bound_series(run_, name);
            bound != nullptr && VFIND(run_, name) == 0) {
            const int outside = req_.outside_name && col == 0 ? req_.outside_name(name) : 0;
            if (outside == 0)
                fail(bound_in_memory_message(run_, name, *bound),
                     command_error_number(run_, BOUND_NEEDS_MEMORY_SEQUENCE));
            return outside;
        }
        // The new target is not in the workspace yet; on the right it reads its zeros.
        if (!p_.matrix && p_.ONEWV && col == 0 && upper_ascii(name) == upper_ascii(p_.target_name))
            return p_.LHS;
        int ref = find_input(name);
        if (ref == 0)
            fail(" ...ERROR..VARIABLE " + upper_ascii(name) + " DOES NOT EXIST...",
                 shared_error::NO_SUCH_VARIABLE);
        if (col > 0) {
            if (ref < 0 || ref > run_.ws.MAXVAR) syntax_error();
            if (col > run_.ws.MXCOL)
                fail(" ...ERROR.." + std::to_string(col) +
                         " EXCEEDS MAXCOL=" + std::to_string(run_.ws.MXCOL) + " USE SET MAXCOL=",
                     shared_error::COLUMN_ABOVE_MXCOL);
            // Column 1 too is a column reference: of a matrix it is the first column, of a
            // vector its first element, as in every other command's variable list.
            ref = col + run_.ws.MXCOL * ref;
        }
        return ref;
    }
    int read_column() {
        if (pos_ < end_ && text_[pos_] == ':') {
            ++pos_;
            const std::size_t start = pos_;
            while (pos_ < end_ && is_ascii_digit(text_[pos_])) ++pos_;
            if (pos_ == start || pos_ - start > 9) syntax_error();
            return std::stoi(std::string(text_.substr(start, pos_ - start)));
        }
        return 0;
    }

    // ---- postfix conversion ---------------------------------------------------------------
    void operand(int cell) {
        if (!expect_operand_) syntax_error();
        out_.push_back(cell);
        expect_operand_ = false;
    }
    int strength(int op) const {
        if (op == OP_NEG && run_.sw[OUMIN]) return NEG_STRENGTH_UMINUS;
        return op_strength(op);
    }
    void binary(int op) {
        if (expect_operand_) syntax_error();
        while (stack_.back() > 0 && strength(stack_.back()) >= strength(op)) {
            out_.push_back(-stack_.back());
            stack_.pop_back();
        }
        stack_.push_back(op);
        expect_operand_ = true;
    }
    // An operator written after its operand (the transpose): it applies to what precedes.
    void postfix(int op) {
        if (expect_operand_) syntax_error();
        while (stack_.back() > 0 && strength(stack_.back()) >= strength(op)) {
            out_.push_back(-stack_.back());
            stack_.pop_back();
        }
        out_.push_back(-op);
    }
    void prefix(int op) {
        if (!expect_operand_) syntax_error();
        stack_.push_back(op);
    }
    void open() {
        if (!expect_operand_) syntax_error();
        stack_.push_back(OPEN_MARK);
        ++depth_;
    }
    void close() {
        if (expect_operand_) syntax_error();
        while (stack_.back() != OPEN_MARK) {
            if (stack_.back() == SENTINEL)
                fail(" ...ERROR..MISMATCHED PARENTHESES", EXPR_MISMATCHED_PARENTHESES);
            out_.push_back(-stack_.back());
            stack_.pop_back();
        }
        stack_.pop_back();
        --depth_;
        // A function or a subscript owns the parentheses just closed.
        if (stack_.back() > 0 && (is_function(stack_.back()) || is_matrix_function(stack_.back()) ||
                                  stack_.back() == OP_SUBSCRIPT)) {
            out_.push_back(-stack_.back());
            stack_.pop_back();
        }
    }

    // A name in an expression: function, lag or lead, element, or plain variable.
    void name_item() {
        std::string name = read_name();
        const std::string key = upper_ascii(name);
        const std::size_t after = next_nonblank(pos_);
        const bool paren = after < end_ && text_[after] == '(';
        if (paren && p_.matrix) {
            if (const int op = matrix_function_op(key)) {
                prefix(op);
                pos_ = after + 1;
                open();
                return;
            }
            const int op = function_op(key);
            if (op == OP_MIN || op == OP_MAX || op == OP_USER)
                fail(" ...ERROR..FUNCTION NOT YET AVAILABLE", EXPR_FUNCTION_UNAVAILABLE);
        }
        if (paren) {
            if (const int op = function_op(key)) {
                prefix(op);
                pos_ = after + 1;
                open();
                return;
            }
        }
        const int col = read_column();
        const std::size_t after_col = next_nonblank(pos_);
        const bool paren_after = after_col < end_ && text_[after_col] == '(';
        const int cell = variable_cell(lookup(name, col));
        if (!paren_after) {
            operand(cell);
            return;
        }
        pos_ = after_col + 1;
        // X(-n) is LAG(X, n); X(+n) is LAG(X, -n). MATRIX reads every X(...) as subscripts.
        std::size_t at = next_nonblank(pos_);
        if (!p_.matrix && at < end_ && (text_[at] == '-' || text_[at] == '+')) {
            const bool lag = text_[at] == '-';
            std::size_t num = next_nonblank(at + 1);
            if (num < end_ && (is_ascii_digit(text_[num]) || text_[num] == '.')) {
                pos_ = num;
                const Real n = read_number();
                skip_blanks();
                if (pos_ >= end_ || text_[pos_] != ')') syntax_error();
                ++pos_;
                prefix(OP_LAG);
                open();
                operand(cell);
                binary(OP_COMMA);
                operand(constant_cell(lag ? n : -n));
                close();
                return;
            }
        }
        // X(index): element of X.
        operand(cell);
        expect_operand_ = true; // the subscript takes the index that follows
        stack_.push_back(OP_SUBSCRIPT);
        open();
    }

    void dotted_item() {
        const std::size_t start = ++pos_;
        while (pos_ < end_ && is_ascii_letter(text_[pos_])) ++pos_;
        if (pos_ >= end_ || text_[pos_] != '.') syntax_error();
        const int op = dotted_op(upper_ascii(text_.substr(start, pos_ - start)));
        ++pos_;
        if (op == 0) syntax_error();
        if (op == OP_NOT)
            prefix(op);
        else
            binary(op);
    }

    // Converts the items of text_[pos_, end_) to postfix.
    void read_expression() {
        out_.clear();
        stack_.assign(1, SENTINEL);
        expect_operand_ = true;
        depth_ = 0;
        for (;;) {
            skip_blanks();
            if (pos_ >= end_) break;
            const char c = text_[pos_];
            const char next = pos_ + 1 < end_ ? text_[pos_ + 1] : '\0';
            if (is_ascii_letter(c)) {
                name_item();
            } else if (c == '$') {
                operand(read_result_scalar());
            } else if (is_ascii_digit(c) || (c == '.' && is_ascii_digit(next))) {
                operand(constant_cell(read_number()));
            } else if (c == '.' && is_ascii_letter(next)) {
                dotted_item();
            } else if (c == '+' || c == '-') {
                ++pos_;
                if (expect_operand_) {
                    if (c == '-') prefix(OP_NEG);
                } else {
                    binary(c == '+' ? OP_ADD : OP_SUB);
                }
            } else if (c == '*') {
                pos_ += next == '*' ? 2 : 1;
                binary(next == '*' ? OP_POW : OP_MUL);
            } else if (c == '/') {
                ++pos_;
                binary(OP_DIV);
            } else if (c == '(') {
                ++pos_;
                open();
            } else if (c == ')') {
                ++pos_;
                close();
            } else if (c == ',') {
                ++pos_;
                binary(OP_COMMA);
            } else if (p_.matrix && (c == '@' || c == '|' || c == ';')) {
                ++pos_;
                binary(c == '@' ? OP_KRON : c == '|' ? OP_CONC : OP_SEMI);
            } else if (p_.matrix && c == '\'') {
                ++pos_;
                postfix(OP_TRAN);
            } else {
                syntax_error();
            }
        }
        if (!run_.sw[OBAT] && (depth_ > 0 || expect_operand_))
            note(" ...WARNING..CONTINUATION EXPECTED ON NEXT LINE");
        if (expect_operand_) syntax_error();
        while (stack_.back() != SENTINEL) {
            if (stack_.back() == OPEN_MARK)
                fail(" ...ERROR..MISMATCHED PARENTHESES", EXPR_MISMATCHED_PARENTHESES);
            out_.push_back(-stack_.back());
            stack_.pop_back();
        }
    }

    // ---- instructions ---------------------------------------------------------------------
    bool is_comma_temp(int cell, const std::vector<int>& commas) const {
        for (int c : commas)
            if (c == cell) return true;
        return false;
    }
    void check_arguments(int k) {
        const int op = p_.op(k);
        if (is_matrix_function(op) && function_arguments(p_, k).size() != 1) syntax_error();
        if (!is_function(op)) return;
        const std::vector<int> args = function_arguments(p_, k);
        const Arity arity = function_arity(op);
        const int n = static_cast<int>(args.size());
        if (n < arity.min || (arity.max >= 0 && n > arity.max)) syntax_error();
        // Cell 1 is the new target in GENR; in MATRIX cells are references and slot 1 is real.
        const bool new_target_arg = !p_.matrix && p_.ONEWV && args.front() == 1;
        if (op == OP_SAMP && (!p_.is_variable_cell(args.front()) || new_target_arg))
            fail(" ...ERROR..SAMP FUNCTION MAY NOT BE AN EQUATION", EXPR_SAMP_EQUATION);
        if (op == OP_DATA && (!p_.is_variable_cell(args.front()) || new_target_arg))
            fail(" ...ERROR..ABOVE FUNCTION REQUIRES PRE-DEFINED VARIABLE", EXPR_NEEDS_VARIABLE);
        if (op == OP_RECODE &&
            (!p_.is_variable_cell(args.back()) || (!p_.matrix && p_.ONEWV && args.back() == 1)))
            fail(" ...ERROR..ABOVE FUNCTION REQUIRES PRE-DEFINED VARIABLE", EXPR_NEEDS_VARIABLE);
    }
    // Turns the postfix list into instructions and closes them with OP_END of `kind`.
    void emit_statement(int kind) {
        std::vector<int> cells;
        std::vector<int> commas; // temporaries made by commas not yet given to a function
        const int first_instruction = p_.instructions();
        for (const int item : out_) {
            if (item > 0) {
                cells.push_back(item);
                continue;
            }
            const int op = -item;
            const int n = op_operands(op);
            if (static_cast<int>(cells.size()) < n) syntax_error();
            int b = 0;
            if (n == 2) {
                b = cells.back();
                cells.pop_back();
            }
            const int a = cells.back();
            cells.pop_back();
            const bool a_comma = is_comma_temp(a, commas);
            const bool b_comma = b != 0 && is_comma_temp(b, commas);
            // MATRIX subscripts: A(i) or A(i, j), the pair joined by one comma.
            const bool subscripts = p_.matrix && op == OP_SUBSCRIPT && b_comma;
            if (subscripts && (is_comma_temp(arguments_of_[b].first, commas) ||
                               is_comma_temp(arguments_of_[b].second, commas)))
                fail(" ...ERROR..ONLY ONE COMMA IS PERMITTED", EXPR_ONE_COMMA);
            if (a_comma && op != OP_COMMA && !is_function(op) && !is_matrix_function(op))
                syntax_error();
            if (b_comma && op != OP_COMMA && !subscripts) syntax_error();
            const int temp = new_temp();
            emit(op, a, b, temp);
            if (op == OP_COMMA) {
                commas.push_back(temp);
                arguments_of_[temp] = {a, b};
            } else
                check_arguments(p_.instructions() - 1);
            cells.push_back(temp);
        }
        if (cells.size() != 1 || is_comma_temp(cells.front(), commas)) syntax_error();
        int final_cell = cells.front();
        if (p_.instructions() == first_instruction) {
            const int temp = new_temp();
            emit(OP_SUBSCRIPT, 0, final_cell, temp);
            final_cell = temp;
        }
        emit(OP_END, final_cell, 0, req_.calc && kind == KIND_STORE ? KIND_CALC : kind);
    }

    // ---- statement forms ------------------------------------------------------------------
    void target() {
        skip_blanks();
        if (pos_ >= end_) syntax_error();
        if (text_[pos_] == '$' && !p_.matrix) {
            ++pos_;
            const std::size_t start = pos_;
            while (pos_ < end_ && is_name_char(text_[pos_])) ++pos_;
            const std::string name = upper_ascii(text_.substr(start, pos_ - start));
            const int k = find_result_scalar("$" + name);
            if (k <= 0)
                fail(" ...ERROR..$" + first_n_padded(name, 4) + " IS NOT CURRENTLY DEFINED",
                     shared_error::RESULT_UNDEFINED);
            p_.LHS = -k;
            p_.target_name = "$" + std::string(RESULT_NAMES[k - 1]);
        } else if (is_ascii_letter(text_[pos_]) || p_.matrix) {
            if (!is_ascii_letter(text_[pos_])) syntax_error();
            std::string name = read_name();
            const int col = read_column();
            if (p_.matrix && col != 0) syntax_error(); // MATRIX stores whole variables only
            p_.target_col = col;
            p_.target_name = run_.sw[OLC] ? upper_ascii(name) : name;
            const int found = req_.find_name ? req_.find_name(name) : VFIND(run_, name);
            if (found > 0) {
                if (col > run_.ws.MXCOL)
                    fail(" ...ERROR.." + std::to_string(col) + " EXCEEDS MAXCOL=" +
                             std::to_string(run_.ws.MXCOL) + " USE SET MAXCOL=",
                         shared_error::COLUMN_ABOVE_MXCOL);
                // Column 1 of a matrix is a column; of a vector it is the vector itself.
                VarInfo info;
                const bool matrix_column = col == 1 && VINFO(run_, found, info) && info.ncol > 1;
                p_.LHS = col > 1 || matrix_column ? col + run_.ws.MXCOL * found : found;
            } else if (found < 0) {
                syntax_error(); // a result scalar is written with "$"
            } else {
                const int slot = run_.ws.NVARS + 1;
                if (slot > run_.ws.MAXVAR) {
                    variable_limit_report(run_);
                    throw CompileError{};
                }
                p_.ONEWV = true;
                p_.LHS = slot;
            }
        } else {
            syntax_error();
        }
        if (!p_.matrix) variable_cell(p_.LHS, true);
        skip_blanks();
        if (pos_ >= end_ || text_[pos_] != '=') syntax_error();
        ++pos_;
    }
    // The parenthesised condition at the start of an IF: its end (after the ")").
    std::size_t condition_end() {
        std::size_t at = next_nonblank(pos_);
        if (at >= end_ || text_[at] != '(') syntax_error();
        int level = 0;
        for (; at < end_; ++at) {
            if (text_[at] == '(') ++level;
            if (text_[at] == ')' && --level == 0) return at + 1;
        }
        fail(" ...ERROR..MISMATCHED PARENTHESES", EXPR_MISMATCHED_PARENTHESES);
    }
    void segment(std::size_t from, std::size_t to, int kind) {
        pos_ = from;
        end_ = to;
        read_expression();
        emit_statement(kind);
    }
};

void Compiler::compile() {
    p_ = Program{};
    p_.MAXVAR = run_.ws.MAXVAR;
    p_.MCON0 = p_.MAXVAR + 1;
    p_.ICON0 = p_.MAXVAR + (6 * p_.MAXVAR) / 10 + 2;
    p_.MXGE = req_.MXGE;
    p_.matrix = req_.matrix;
    p_.vars.assign(1, 0);
    p_.direct.assign(1, false);
    next_temp_ = p_.MCON0;
    if (text_.size() > static_cast<std::size_t>(LINMAX))
        fail(" ...ERROR..CATASTROPHE...STATEMENT LONGER THAN" + fmt_I(LINMAX, 7) + " CHARACTERS",
             EXPR_STATEMENT_TOO_LONG);
    end_ = text_.size();
    pos_ = 0;
    switch (req_.form) {
    case Form::ASSIGN:
        target();
        segment(pos_, text_.size(), KIND_STORE);
        break;
    case Form::IF: {
        const std::size_t cond_end = condition_end();
        const std::size_t cond_start = pos_;
        pos_ = cond_end;
        target();
        const std::size_t expr_start = pos_;
        segment(cond_start, cond_end, KIND_IF);
        segment(expr_start, text_.size(), KIND_STORE);
        break;
    }
    case Form::CONDITION:
        segment(0, text_.size(), req_.condition_kind);
        break;
    case Form::VALUE:
        segment(0, text_.size(), req_.value_kind);
        break;
    }
    if (!p_.matrix) mark_direct_uses(p_);
}

} // namespace

bool GENR(Run& run, std::string_view text, const CompileRequest& request, Program& program) {
    Compiler compiler(run, text, request, program);
    try {
        compiler.compile();
    } catch (const CompileError&) {
        return false;
    }
    if (run.sw[ODMMP] && run.flags.OPUT) list_program(run, program);
    return true;
}

} // namespace tarvex::expr
