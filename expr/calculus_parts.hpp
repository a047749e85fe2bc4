// What DERIVATI and INTEGRAT share: the parenthesised prefix before the statement (as IF has
// its condition), the values of the statement's inputs at an observation, and report lines
// for an expression that may be longer than a line.
#pragma once

#include "expr/derivative.hpp"
#include "expr/program.hpp"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::expr {

// The statement text after the command word, as the reader left it.
std::string_view statement_text(const Run& run);

// "(inside) rest": the parts separated by commas outside brackets, and the rest. False when the
// text does not begin with a bracketed prefix.
bool split_prefix(std::string_view text, std::vector<std::string>& parts, std::string& rest);

// Whether a word is a variable name of the language (a letter, then letters and digits).
bool is_plain_name(std::string_view word);

// The values of a program's inputs read by observation: a result scalar's value, a variable of
// length 1 at every observation, element t - lag of a longer one (0 outside it, as LAG gives).
// An input read at t beyond its length, or holding the missing code, marks the observation
// missing.
class InputValues {
public:
    explicit InputValues(Run& run) : run_(run) {}
    // Checks that every input of the program is a data vector (`own`, a reference that stands
    // for something else, is passed over); reports and gives false if not.
    bool check(const Program& program, int own = 0);
    void at_observation(long long t) {
        t_ = t;
        missing_ = false;
    }
    bool datum(int ref, int lag, Real& value);
    bool missing() const { return missing_; }
    long long length(int ref);

private:
    Run& run_;
    std::map<int, VarInfo> info_;
    long long t_ = 1;
    bool missing_ = false;
};

// The written name of a variable reference: NAME, NAME:c or $NAME.
std::string reference_name(Run& run, int ref);

// Writes "head" followed by `text`, continued on further lines (indented) after an operator
// when it is longer than a report line.
void write_expression_lines(Run& run, const std::string& head, const std::string& text);

} // namespace tarvex::expr
