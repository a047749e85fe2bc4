// The registry of bound series as commands see it: lookup, unbinding, the commands that take
// bound series and the refusal of the others.
#include "workspace/bound_names.hpp"

#include "core/command_table.hpp"
#include "core/run.hpp"
#include "numeric/text.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

std::string bound_key(const Run& run, const std::string& name) {
    return padded_name(name, run.sw[OLC] || name.find('$') != std::string::npos);
}

const BoundSeries* find_bound_series(const Run& run, const std::string& name) {
    if (run.ws.bound.empty()) return nullptr;
    const auto found = run.ws.bound.find(bound_key(run, name));
    return found != run.ws.bound.end() ? &found->second : nullptr;
}

void unbind_series(Run& run, const std::string& name) {
    erase_binding(run.ws.bound, bound_key(run, name));
}

bool takes_bound_series(int command) {
    return command == C_STATS || command == C_OLSQ || command == C_2SLS || command == C_INSTRUME ||
           command == C_PROBIT || command == C_LOGIT || command == C_TOBIT || command == C_FCAST;
}

long long par_to_load(const Run& run, const BoundSeries& series) {
    constexpr long long HEADER_WORDS = 4;
    const long long words = series.first_observation - 1 + series.rows + HEADER_WORDS;
    return (static_cast<long long>(run.ws.NBYTES) * (run.ws.LASADD + words)) / 1024 + 1;
}

std::string bound_in_memory_message(const Run& run, const std::string& name,
                                    const BoundSeries& series) {
    return " ...ERROR.." + upper_ascii(trim_trailing_blanks(name)) + " IS BOUND TO FILE " +
           series.file + " ON DISK: THIS COMMAND NEEDS IT IN MEMORY (PAR " +
           std::to_string(par_to_load(run, series)) + ")";
}

} // namespace tarvex
