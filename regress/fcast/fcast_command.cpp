// FCAST: parses the options, builds the equation, checks the model type and the output
// variables, forms the forecast range, computes the forecast (compute_forecast), then writes the
// notes it met, stores PREDICT, RESID, FCSE and $N and writes the report. DIAGNOSE (its own
// folder) reads the same options.
#include "regress/fcast/fcast_command.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/option_access.hpp"
#include "options/options.hpp"
#include "regress/fcast/fcast_bound.hpp"
#include "regress/fcast/fcast_equation.hpp"
#include "regress/fcast/fcast_forecast.hpp"
#include "regress/fcast/fcast_model.hpp"
#include "regress/fcast/fcast_options.hpp"
#include "regress/fcast/fcast_period.hpp"
#include "regress/fcast/fcast_predict.hpp"
#include "regress/fcast/fcast_report.hpp"
#include "regress/fcast/fcast_state.hpp"
#include "regress/fcast/fcast_system.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/ols_options.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// Autoregressive orders the model type AUTO forecasts.
constexpr int MAX_AUTO_ORDER = 2;

// An output variable must be a data vector (or not exist yet).
bool output_shape_ok(Run& run, const std::string& name) {
    if (name_blank(name)) return true;
    const int ref = VFIND(run, trim_trailing_blanks(name));
    if (ref == 0) return true;
    VarInfo info;
    if (ref > 0 && VINFO(run, ref, info) && info.type == TYPE_DATA && info.ncol == 1) return true;
    report_error(run, " ...ERROR..VARIABLE " + first_8_padded(name) + " NOT DIMENSIONED PROPERLY",
                 ERR_FCAST_SHAPE);
    write_line(run, " ...NOTE..USE DIMENSION COMMAND TO CREATE IT");
    return false;
}

// Writes one value per forecast row into `name` (created or enlarged to reach the last row);
// elements outside the range are left as they were.
void store_by_row(Run& run, const std::string& name, const Forecast& f,
                  Real (*value)(const FcastRow&, Real xmiss)) {
    if (name_blank(name) || f.rows.empty()) return;
    int ref = 0;
    const long long length = f.rows.back().obs;
    VarInfo old;
    const int existing = VFIND(run, trim_trailing_blanks(name));
    const long long keep = existing > 0 && VINFO(run, existing, old) ? old.length : 0;
    NEWVAR(run, trim_trailing_blanks(name), 1, TYPE_DATA, std::max(length, keep), 1, ref);
    VarInfo info;
    if (ref <= 0 || run.flags.ODONT || !VINFO(run, ref, info)) return;
    for (const FcastRow& r : f.rows)
        if (r.obs <= info.length) element(run, info, r.obs) = value(r, run.ws.XMISS);
}

// The variables whose lengths and missing values CKSMPL checks: the regressors other than the
// dependent variable, which may end before the range does.
std::vector<int> checked_refs(const FcastModel& m) {
    std::vector<int> refs;
    for (const OlsTerm& t : m.terms)
        if (t.kind == TermKind::VARIABLE && t.ref != m.dep_ref &&
            std::find(refs.begin(), refs.end(), t.ref) == refs.end())
            refs.push_back(t.ref);
    return refs;
}

} // namespace

void cmd_fcast(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " FCAST");
    set_fcast_defaults(run, false, run.last_estimation.command);
    if (!OPTION(run, fcast_option_table())) return;
    const std::string missing = name_option_without_value(run.opt, fcast_option_table());
    if (!missing.empty()) {
        report_error(run,
                     " ...ERROR..MISSING RIGHT HAND SIDE OF OPTION.." + first_8_padded(missing),
                     ERR_FCAST_OPTION_VALUE);
        return;
    }
    if (!check_range_options(run, fcast_option_table())) return;
    const FcastOptions o = read_fcast_options(run);

    // A system estimated together (VAR) forecasts all its equations.
    const SystemForecastPart* system = run.scan.NF == 0 && name_blank(o.COEFFICI)
                                           ? model_part<SystemForecastPart>(run.last_estimation)
                                           : nullptr;
    if (system != nullptr) {
        forecast_system(run, o, *system);
        return;
    }

    // 2. The equation and its coefficients.
    FcastModel model;
    if (!build_fcast_model(run, o, model)) return;
    // 3. The autoregressive order belongs to AUTO alone.
    const bool autoregressive = model.type == "AUTO";
    if (autoregressive ? (o.ORDER < 0 || o.ORDER > MAX_AUTO_ORDER) : o.ORDER != 0) {
        report_error(run, " ...ERROR..THE ORDER=" + fmt_I(o.ORDER, 4) + " OPTION IS NOT AVAILABLE",
                     ERR_FCAST_ORDER);
        return;
    }
    // Series bound to a file, or the outputs written to one: a pass over blocks of rows.
    if (fcast_over_blocks(o, model)) {
        fcast_over_bound_series(run, o, model);
        return;
    }
    // 4. Output variables.
    for (const std::string* name : {&o.PREDICT, &o.RESID, &o.FCSE})
        if (!output_shape_ok(run, *name)) return;

    // A nonlinear equation is compiled again over its parameters; its data are checked.
    EquationModel equation;
    if (model.nonlinear() && !compile_fcast_equation(run, model, equation)) return;

    // The forecast range and the observations in use.
    SampleBlock& smpl = run.smpl;
    int beg = std::max(o.BEG, 1);
    if (!o.BEG_given && beg <= model.max_lag) beg = model.max_lag + 1;
    smpl.check_first = beg;
    smpl.check_last = o.END >= 1 ? o.END : 0;
    const std::vector<int> refs =
        model.nonlinear() ? equation_data_refs(equation) : checked_refs(model);
    // The forecasts may not overwrite the data they are made from (the dependent variable
    // included: its observed values give the errors and, DYNAMIC, the lagged values).
    std::vector<int> inputs = refs;
    if (model.dep_ref > 0) inputs.push_back(model.dep_ref);
    if (!check_outputs_not_inputs(run, fcast_option_table(), inputs)) return;
    if (!refs.empty()) {
        CKSMPL(run, refs);
        if (run.flags.ODONT) return;
    }
    const int end = refs.empty() && o.END < 1 ? 0 : smpl.check_last;
    // Every forecast observation may become an element of an output variable, so a range
    // longer than the work area cannot be stored.
    if (end >= beg && (long long)end - beg >= run.ws.MAXADD) {
        report_error(run,
                     " ...ERROR..FORECAST RANGE" + fmt_I(beg, 11) + " TO" + fmt_I(end, 11) +
                         " EXCEEDS THE WORK AREA",
                     ERR_FCAST_RANGE_TOO_LONG);
        return;
    }
    FcastSettings settings;
    const SkipCodes skip = skip_codes(run); // read once, not looked up for every observation
    if (end >= beg) settings.obs.reserve(std::size_t(end - beg + 1));
    for (long long t = beg; t <= end; ++t)
        if (!skip || t < 1 || t > skip.length || skip.codes[t] <= 0) settings.obs.push_back(int(t));
    const int nobs = int(settings.obs.size());

    // 5. The model.
    if (o.MAX || o.DUMP) write_fcast_model(run, model, o, nobs);
    // 6. Model types whose estimators this version does not have.
    if (model.type == "POOL" && o.NCROSS == 0 && !model.period_effects) {
        report_error(run, " ...ERROR..NCROSS= OPTION REQUIRED FOR POOL", ERR_FCAST_NCROSS);
        return;
    }
    const bool equation_forecast = model.nonlinear() && model.type == "NLINEAR";
    if (is_named_model_type(model.type) && !equation_forecast) {
        report_error(
            run, " ...NOTE..FCAST FOR MODEL=" + model.type + " IS NOT AVAILABLE IN THIS VERSION",
            0);
        return;
    }
    // 9. Observations.
    if (nobs < 1) {
        report_error(run, " ...ERROR..YOU DO NOT HAVE ENOUGH OBSERVATIONS", ERR_FCAST_TOO_FEW);
        return;
    }
    if (model.period_effects && !period_effects_cover(run, model, settings.obs)) return;
    if (run.sw[OSCAN]) return;

    // After ARIMA the forecasts carry its state: they start after its last observation.
    const StateForecastPart* state = run.scan.NF == 0 && name_blank(o.COEFFICI)
                                         ? model_part<StateForecastPart>(run.last_estimation)
                                         : nullptr;
    if (state != nullptr && settings.obs.front() <= state->last) {
        report_error(run,
                     " ...ERROR..THE FORECASTS OF THE " + run.last_estimation.command +
                         " MODEL START AFTER ITS LAST OBSERVATION," + fmt_I(state->last, 7) +
                         ": BEG=" + std::to_string(settings.obs.front()) + " IS NOT",
                     ERR_FCAST_BEFORE_STATE);
        return;
    }

    // 7, 8. Predict, with the standard errors; then the report of what was computed.
    const FcastResult r = state != nullptr    ? state_forecast(run, model, *state, settings)
                          : equation_forecast ? forecast_equation(run, model, equation, settings)
                                              : compute_forecast(run, model, o, settings);
    write_notes_through(run, r.notes, NotePlace::SOLUTION);
    const Forecast& f = r.forecast;
    if (f.has_se && run.flags.OPUT && (model.nonlinear() || !is_linear_model_type(model.type)))
        write_line(run, " ...WARNING..FORECAST STD. ERRORS ONLY VALID FOR OLS");
    if (!name_blank(o.FCSE) && !f.has_se && run.sw[OWARN])
        write_line(run, " ...WARNING..NO COEFFICIENT COVARIANCE: FORECAST STD. ERRORS NOT STORED");
    store_by_row(run, o.PREDICT, f, predicted_output);
    store_by_row(run, o.RESID, f, error_output);
    if (f.has_se) store_by_row(run, o.FCSE, f, se_output);
    run.res[R_N] = nobs;

    const bool print = run.flags.OPUT;
    if (print && o.LIST) write_fcast_listing(run, f, o);
    if (o.RSTAT || o.GF || o.GNU) {
        if (print && o.RSTAT) {
            if (model.log_dependent)
                write_line(
                    run, " RESIDUAL STATISTICS ARE COMPUTED FROM UNTRANSFORMED DEPENDENT VARIABLE");
            if (r.has_accuracy) write_fcast_accuracy(run, r.accuracy);
            if (f.has_se)
                write_line(run,
                           fmt_X(22) + " FORECAST ROOT MEAN SQUARE ERROR =" + fmt_F(r.rmse, 21, 5));
        }
        fcast_residual_output(run, model, f, r.sums.get(), o, print);
    }
}

} // namespace tarvex
