// FCAST over blocks of rows (see fcast_bound.hpp): the checks, the refusals of what needs every
// row in memory, the one pass that predicts each block's rows (RowPredictor, as YHAT does in
// memory), writes the output series to the file and adds the accuracy sums, then the binding of
// the written series and the report.
#include "regress/fcast/fcast_bound.hpp"

#include "bound/bound_equation.hpp"
#include "bound/bound_rows.hpp"
#include "bound/statement_series.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "core/write_failure.hpp"
#include "io/tarv_column_file.hpp"
#include "kernels/fcast_accuracy.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/row_split.hpp"
#include "numeric/text.hpp"
#include "parallel/ranks.hpp"
#include "regress/fcast/fcast_forecast.hpp"
#include "regress/fcast/fcast_model.hpp"
#include "regress/fcast/fcast_options.hpp"
#include "regress/fcast/fcast_predict.hpp"
#include "regress/fcast/fcast_report.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/forecast_parts.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/fit/term_names.hpp"
#include "workspace/bound_names.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <sys/stat.h>

namespace tarvex {

namespace {

// Where the equation's values lie among the columns of the blocks.
struct FcastColumns {
    int dependent = -1;     // -1: no observed values (every row unknown)
    std::vector<int> terms; // per term: its column, -1 for the intercept and the trend
};

// One output series: its name and what it takes from a row.
struct FcastOutput {
    std::string name;
    Real (*value)(const FcastRow&, Real);
};

bool whole_data_series(Run& run, int ref) {
    VarInfo info;
    return ref >= 1 && ref <= run.ws.MAXVAR && reference_exists(run, ref) &&
           VINFO(run, ref, info) && info.type == TYPE_DATA && info.ncol == 1;
}

// The series the equation reads, as the block source takes them; false when one is a lag, a
// matrix, a column or a result.
bool equation_columns(Run& run, const FcastModel& model, std::vector<StatementSeries>& listed,
                      FcastColumns& where) {
    const auto column_of = [&listed](const std::string& source) {
        const std::string shown = upper_ascii(trim_trailing_blanks(source));
        for (std::size_t c = 0; c < listed.size(); ++c)
            if (listed[c].shown == shown) return static_cast<int>(c);
        listed.push_back({source, shown});
        return static_cast<int>(listed.size() - 1);
    };
    bool whole = model.dep_lag == 0;
    if (!model.dep_bound.empty())
        where.dependent = column_of(model.dep_bound);
    else if (model.dep_ref > 0 && reference_exists(run, model.dep_ref) &&
             (whole = whole && whole_data_series(run, model.dep_ref)))
        where.dependent = column_of(reference_name(run, model.dep_ref));
    for (std::size_t j = 0; j < model.terms.size(); ++j) {
        const OlsTerm& term = model.terms[j];
        const std::string bound = j < model.term_bound.size() ? model.term_bound[j] : "";
        int column = -1;
        if (term.kind == TermKind::VARIABLE) {
            if (term.lag != 0 || (bound.empty() && !whole_data_series(run, term.ref)))
                whole = false;
            else
                column = column_of(bound.empty() ? reference_name(run, term.ref) : bound);
        }
        where.terms.push_back(column);
    }
    return whole;
}

// The option that needs every row in memory (as the report names it), or empty.
std::string option_needing_rows(const FcastOptions& o, const FcastModel& model) {
    if (o.LIST) return "LIST";
    if (o.GF) return "GF";
    if (o.LM) return "LM";
    if (o.GNU) return o.GRAPHICS ? "GRAPHICS" : "GNU";
    if (o.BLUP && !model.rho.empty()) return "BLUP";
    return {};
}

bool same_file(const std::string& a, const std::string& b) {
    if (a == b) return true;
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// The outputs may not overwrite the data they are made from, and the file may hold no series
// bound to it but those the outputs replace.
bool outputs_can_be_written(Run& run, const FcastOptions& o,
                            const std::vector<StatementSeries>& listed,
                            const std::vector<FcastOutput>& outputs) {
    const std::pair<const char*, const std::string*> named[] = {
        {"PREDICT", &o.PREDICT}, {"RESID", &o.RESID}, {"FCSE", &o.FCSE}};
    for (const auto& [keyword, value] : named) {
        const std::string name = upper_ascii(trim_trailing_blanks(*value));
        if (name.empty()) continue;
        for (const StatementSeries& input : listed)
            if (input.shown == name) {
                report_error(run,
                             " ...ERROR..OUTPUT OPTION " + std::string(keyword) + "=" + name +
                                 " NAMES AN INPUT OF THIS COMMAND: " + name +
                                 " WOULD BE OVERWRITTEN",
                             output_is_input_error(run));
                return false;
            }
    }
    std::vector<std::string> replaced;
    for (const FcastOutput& out : outputs) replaced.push_back(bound_key(run, out.name));
    for (const auto& [key, series] : run.ws.bound) {
        if (std::find(replaced.begin(), replaced.end(), key) != replaced.end()) continue;
        if (!same_file(series.file, o.bind_file)) continue;
        report_error(run,
                     " ...ERROR..SERIES ARE BOUND TO FILE " + o.bind_file +
                         ": FCAST CANNOT WRITE OVER IT (" + trim_trailing_blanks(key) + ")",
                     ERR_FCAST_FILE_IN_USE);
        return false;
    }
    return true;
}

// What the pass adds up besides the rows it writes.
struct ForecastPassSums {
    ReportNotes notes;
    FcastAccuracySums accuracy;
    ExactAccumulator se_squares; // over the rows with a prediction
    long long se_rows = 0;
    bool has_se = false;
    // The regressors' columns (in the order of the terms, the dependent variable's left out) and
    // the observations at which each holds the missing code, warned about as in memory.
    std::vector<int> checked;
    std::vector<std::vector<long long>> missing_at;
};

// The regressors' columns whose missing codes are warned about, as the check of the sample
// warns about them in memory.
std::vector<int> checked_columns(const FcastColumns& where) {
    std::vector<int> columns;
    for (const int c : where.terms)
        if (c >= 0 && c != where.dependent &&
            std::find(columns.begin(), columns.end(), c) == columns.end())
            columns.push_back(c);
    return columns;
}

void find_missing_codes(const RowBlock& block, Real xmiss, ForecastPassSums& sums) {
    for (std::size_t k = 0; k < sums.checked.size(); ++k) {
        const Real* v = block.columns[std::size_t(sums.checked[k])];
        for (std::size_t i = 0; i < block.length; ++i)
            if (equal_values(v[i], xmiss)) sums.missing_at[k].push_back(block.observations[i]);
    }
}

// Predicts a block's rows into `rows`, each from its own values as YHAT predicts it.
void predict_block(const FcastModel& model, const FcastColumns& where, const RowBlock& block,
                   Real xmiss, std::vector<FcastRow>& rows) {
    rows.assign(block.length, FcastRow{});
    const int k = model.k();
    split_rows(block.length, [&](std::size_t begin, std::size_t end) {
        std::vector<Real> x(std::size_t(k), Real(0));
        const RowPredictor predictor(model, xmiss, nullptr);
        for (std::size_t i = begin; i < end; ++i) {
            const Real y = where.dependent >= 0 ? block.columns[where.dependent][i] : xmiss;
            predictor.begin(rows[i], static_cast<int>(block.observations[i]), y);
            for (int j = 0; j < k; ++j) {
                const int column = where.terms[std::size_t(j)];
                const Real v = column >= 0 ? block.columns[std::size_t(column)][i] : Real(0);
                if (!predictor.put(rows[i], j, v, x.data())) break;
            }
            predictor.finish(rows[i], x.data(), 1);
        }
    });
}

// The notes, the accuracy sums and the squares of the standard errors of a block's rows.
void add_block(const std::vector<FcastRow>& rows, ForecastPassSums& sums) {
    std::vector<Real> y, p;
    for (const FcastRow& r : rows) {
        note_row_problem(sums.notes, r);
        if (r.known && r.defined) y.push_back(r.observed), p.push_back(r.predicted);
        sums.se_rows += r.defined ? 1 : 0;
    }
    sums.accuracy.add(y.data(), p.data(), y.size());
    if (!sums.has_se) return;
    ExactAccumulator part;
    split_accumulate(rows.size(), part,
                     [&rows](ExactAccumulator& add, std::size_t begin, std::size_t end) {
                         for (std::size_t i = begin; i < end; ++i)
                             if (rows[i].defined) add.add_product(rows[i].se, rows[i].se);
                     });
    sums.se_squares.add_exact(part);
}

} // namespace

bool fcast_over_blocks(const FcastOptions& o, const FcastModel& model) {
    return model.any_bound() || !o.bind_file.empty();
}

void fcast_over_bound_series(Run& run, const FcastOptions& o, const FcastModel& model) {
    // What the equation reads, and what cannot be read a block at a time.
    std::vector<StatementSeries> listed;
    FcastColumns where;
    const bool state = run.scan.NF == 0 && name_blank(o.COEFFICI) &&
                       model_part<StateForecastPart>(run.last_estimation) != nullptr;
    if (model.nonlinear() || model.period_effects || state) {
        refuse_needing_memory(run, "MODEL=" + model.type, ERR_FCAST_NEEDS_MEMORY);
        return;
    }
    if (!equation_columns(run, model, listed, where)) {
        report_error(run,
                     " ...ERROR..FCAST OVER BOUND SERIES OR TO A FILE TAKES WHOLE DATA SERIES ONLY "
                     "(NO LAGS, MATRICES OR RESULTS)",
                     ERR_FCAST_BOUND_BESIDE);
        return;
    }
    if (const std::string option = option_needing_rows(o, model); !option.empty()) {
        refuse_needing_memory(run, "OPTION " + option, ERR_FCAST_NEEDS_MEMORY);
        return;
    }
    // SKIPMISS drops observations through a skip series as long as the data.
    if (run.sw[OSMISS]) {
        refuse_needing_memory(run, "OPTION SKIPMISS", ERR_FCAST_NEEDS_MEMORY);
        return;
    }
    if (parallel::rank_count() > 1) {
        refuse_needing_memory(run, "FCAST IN A RUN OVER SEVERAL PROCESSES", ERR_FCAST_NEEDS_MEMORY);
        return;
    }
    // The outputs: series of the file BIND= names, never variables of the work area.
    const bool named = !name_blank(o.PREDICT) || !name_blank(o.RESID) || !name_blank(o.FCSE);
    if (o.bind_file.empty() && named) {
        const char* option = !name_blank(o.PREDICT) ? "PREDICT"
                             : !name_blank(o.RESID) ? "RESID"
                                                    : "FCSE";
        refuse_needing_memory(run, "OPTION " + std::string(option), ERR_FCAST_NEEDS_MEMORY);
        write_line(run, " ...NOTE..FCAST / BIND=file WRITES THE FORECASTS OF BOUND SERIES TO A "
                        "FILE AND BINDS THEM");
        return;
    }
    if (!o.bind_file.empty() && !named) {
        report_error(run, " ...ERROR..BIND=" + o.bind_file + " NEEDS PREDICT=, RESID= OR FCSE=",
                     ERR_FCAST_BIND_OUTPUTS);
        return;
    }
    // In the order PREDICT, RESID, FCSE; a name given twice holds the later output, as the
    // variable in memory would.
    std::vector<FcastOutput> outputs;
    const auto add_output = [&outputs](const std::string& name,
                                       Real (*value)(const FcastRow&, Real)) {
        const std::string trimmed = trim_trailing_blanks(name);
        for (FcastOutput& out : outputs)
            if (upper_ascii(out.name) == upper_ascii(trimmed)) {
                out.value = value;
                return;
            }
        outputs.push_back({trimmed, value});
    };
    if (!name_blank(o.PREDICT)) add_output(o.PREDICT, predicted_output);
    if (!name_blank(o.RESID)) add_output(o.RESID, error_output);
    if (!name_blank(o.FCSE) && model.has_covariance()) add_output(o.FCSE, se_output);
    if (!outputs_can_be_written(run, o, listed, outputs)) return;

    // The range: BEG..END over the rows the series hold.
    int beg = std::max(o.BEG, 1);
    if (!o.BEG_given && beg <= model.max_lag) beg = model.max_lag + 1;
    int end = o.END >= 1 ? o.END : -999;
    std::vector<std::string> sources;
    for (const StatementSeries& s : listed) sources.push_back(s.source);
    std::unique_ptr<RowBlocks> rows =
        open_estimation_rows(run, listed, sources, beg, end, ERR_FCAST_BOUND_READ);
    if (rows == nullptr) return;
    const long long nobs = end >= beg ? rows->rows() : 0;

    if (o.MAX || o.DUMP) write_fcast_model(run, model, o, int(nobs));
    if (model.type == "POOL" && o.NCROSS == 0) {
        report_error(run, " ...ERROR..NCROSS= OPTION REQUIRED FOR POOL", ERR_FCAST_NCROSS);
        return;
    }
    if (is_named_model_type(model.type)) {
        report_error(
            run, " ...NOTE..FCAST FOR MODEL=" + model.type + " IS NOT AVAILABLE IN THIS VERSION",
            0);
        return;
    }
    if (nobs < 1) {
        report_error(run, " ...ERROR..YOU DO NOT HAVE ENOUGH OBSERVATIONS", ERR_FCAST_TOO_FEW);
        return;
    }
    if (run.sw[OSCAN]) return;

    // The pass: each block predicted, written and added up.
    const Real xmiss = run.ws.XMISS;
    TarvbinColumnFile file;
    std::vector<std::string> names;
    for (const FcastOutput& out : outputs) names.push_back(out.name);
    const bool to_file = !outputs.empty();
    if (to_file && !file.create(run, o.bind_file, names, end, xmiss)) {
        file.discard();
        report_write_failure(run, 0, o.bind_file, file.error(), ERR_FCAST_NOT_WRITTEN);
        return;
    }
    ForecastPassSums sums;
    sums.has_se = model.has_covariance();
    sums.checked = checked_columns(where);
    sums.missing_at.resize(sums.checked.size());
    std::vector<FcastRow> predicted;
    RowBlock block;
    bool written = true;
    while (written && rows->next(block)) {
        find_missing_codes(block, xmiss, sums);
        predict_block(model, where, block, xmiss, predicted);
        add_block(predicted, sums);
        for (std::size_t s = 0; s < outputs.size() && written; ++s)
            for (const FcastRow& r : predicted)
                if (!(written = file.put(s, r.obs, outputs[s].value(r, xmiss)))) break;
    }
    if (const std::string failure = rows->failure(); !failure.empty()) {
        file.discard();
        report_error(run, failure, ERR_FCAST_BOUND_READ);
        return;
    }
    if (to_file && !(written && file.finish())) {
        file.discard();
        report_write_failure(run, 0, o.bind_file, file.error(), ERR_FCAST_NOT_WRITTEN);
        return;
    }

    // The report: the missing codes among the regressors and the notes met on the way, the
    // binding, then the statistics.
    if (run.sw[OMSWRN] && run.flags.OPUT)
        for (std::size_t k = 0; k < sums.checked.size(); ++k)
            for (const long long t : sums.missing_at[k])
                write_line(run,
                           missing_value_warning(
                               run, t, first_8_padded(listed[std::size_t(sums.checked[k])].shown)));
    write_notes_through(run, sums.notes, NotePlace::SOLUTION);
    if (sums.has_se && run.flags.OPUT && !is_linear_model_type(model.type))
        write_line(run, " ...WARNING..FORECAST STD. ERRORS ONLY VALID FOR OLS");
    if (!name_blank(o.FCSE) && !sums.has_se && run.sw[OWARN])
        write_line(run, " ...WARNING..NO COEFFICIENT COVARIANCE: FORECAST STD. ERRORS NOT STORED");
    if (to_file && !bind_written_series(run, o.bind_file, names, ERR_FCAST_NOT_WRITTEN)) return;
    run.res[R_N] = Real(nobs);
    if (!o.RSTAT) return;
    // The residual statistics of the errors need every error in memory: not given here.
    for (int id : {R_DW, R_RHO, R_R2OP, R_JB}) run.res[id] = RESULT_NOT_AVAILABLE;
    if (!run.flags.OPUT) return;
    if (model.log_dependent)
        write_line(run, " RESIDUAL STATISTICS ARE COMPUTED FROM UNTRANSFORMED DEPENDENT VARIABLE");
    if (sums.accuracy.rows() > 0) write_fcast_accuracy(run, sums.accuracy.result());
    if (sums.has_se) {
        const Real rmse =
            sums.se_rows > 0 ? qm::sqrt(sums.se_squares.result() / Real(sums.se_rows)) : Real(0);
        write_line(run, fmt_X(22) + " FORECAST ROOT MEAN SQUARE ERROR =" + fmt_F(rmse, 21, 5));
    }
    if (sums.accuracy.rows() > 0)
        write_line(run, " ...NOTE..OVER BOUND SERIES OR TO A FILE FCAST GIVES NO RESIDUAL "
                        "STATISTICS OF THE ERRORS: READ THE SERIES FOR THEM");
}

} // namespace tarvex
