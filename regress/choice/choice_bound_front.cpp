// The statement's part of PROBIT, LOGIT and TOBIT over bound series (see choice_bound_front.hpp).
#include "regress/choice/choice_bound_front.hpp"

#include "bound/bound_equation.hpp"
#include "bound/bound_rows.hpp"
#include "bound/statement_series.hpp"
#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "parallel/ranks.hpp"
#include "regress/choice/choice_errors.hpp"
#include "regress/choice/choice_options.hpp"
#include "regress/choice/choice_pass.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

bool open_bound_choice(Run& run, int command, const ChoiceOptions& o,
                       const std::string& refused_option, int parameters,
                       BoundChoiceStatement& out) {
    const std::string word = choice_command_word(command);
    // TOBIT over several ranks would fit each rank's share of the rows: not done yet. PROBIT
    // and LOGIT combine the ranks' shares, each cut at whole chunks of the passes' rows.
    if (command == C_TOBIT && parallel::rank_count() > 1) {
        refuse_needing_memory(run, word + " IN A RUN OVER SEVERAL PROCESSES", ERR_NEEDS_MEMORY);
        return false;
    }
    std::vector<StatementSeries>& listed = out.listed;
    if (!statement_series(run, listed)) {
        report_error(run,
                     " ...ERROR..BESIDE SERIES BOUND TO A FILE, " + word +
                         " TAKES WHOLE DATA SERIES ONLY (NO LAGS, MATRICES OR RESULTS)",
                     ERR_BOUND_BESIDE);
        return false;
    }
    if (listed.size() < 2) {
        report_error(run, " ...ERROR..INSUFFICIENT NUMBER OF VARIABLES SPECIFIED",
                     choice_error(command, CHOICE_NO_LIST));
        return false;
    }
    ChoiceEquation& eq = out.eq;
    eq.command = command;
    eq.dep_name = first_8_padded(listed[0].shown);
    ChoiceBlockColumns& where = out.where;
    std::vector<std::string>& sources = out.sources;
    sources.push_back(listed[0].source);
    std::vector<std::string>& names = out.names;
    for (std::size_t k = 1; k < listed.size(); ++k) {
        if (listed[k].source == listed[0].source) {
            report_error(run,
                         " ...ERROR..VARIABLE " + eq.dep_name + " IS ON BOTH SIDES OF EQUATION",
                         choice_error(command, CHOICE_BOTH_SIDES));
            return false;
        }
        OlsTerm t;
        t.name = first_8_padded(listed[k].shown);
        eq.terms.push_back(t);
        names.push_back(t.name);
        where.terms.push_back(static_cast<int>(sources.size()));
        sources.push_back(listed[k].source);
    }
    if (o.CONSTANT) {
        OlsTerm c;
        c.kind = TermKind::INTERCEPT;
        c.ref = run.ws.MAXVAR + 1;
        c.name = first_8_padded("CONSTANT");
        eq.terms.push_back(c);
        names.push_back(c.name);
        out.intercept = static_cast<int>(where.terms.size());
        where.terms.push_back(-1);
    }
    if (!refused_option.empty()) {
        refuse_needing_memory(run, "OPTION " + refused_option, ERR_NEEDS_MEMORY);
        return false;
    }
    // The estimation range: BEG and END (the sample's unless given); a range past the end of a
    // bound series is an error, and without a range the rows end with the bound rows.
    int beg = o.BEG;
    int end = o.END;
    out.rows = open_estimation_rows(run, listed, sources, beg, end, ERR_BOUND_READ,
                                    static_cast<long long>(PASS_CHUNK));
    if (out.rows == nullptr) return false;
    eq.beg = beg;
    eq.end = end;
    const int k = static_cast<int>(where.terms.size()) + parameters;
    const long long n = end >= beg ? parallel::sum_over_ranks(out.rows->rows()) : 0;
    if (n <= k) {
        report_error(run,
                     " ...ERROR.." + fmt_I(n, 5) + " OBSERVATIONS IS NOT ENOUGH FOR" + fmt_I(k, 4) +
                         " COEFFICIENTS",
                     choice_error(command, CHOICE_TOO_FEW));
        return false;
    }
    return !(run.sw[OSCAN] || run.flags.ODONT);
}

} // namespace tarvex
