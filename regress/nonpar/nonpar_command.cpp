// NONPAR: reads and checks the options and the one or two series, chooses the bandwidth, then
// estimates the density of the series or the regression of the first on the second, writes the
// report and stores the results.
#include "regress/nonpar/nonpar_command.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/real_order.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/range_refusal.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/nonpar/gaussian_grid_density.hpp"
#include "regress/nonpar/kernel_density.hpp"
#include "regress/nonpar/kernel_regression.hpp"
#include "regress/nonpar/nonpar_errors.hpp"
#include "regress/nonpar/nonpar_options.hpp"
#include "regress/nonpar/nonpar_plot.hpp"
#include "regress/nonpar/nonpar_report.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <utility>

namespace tarvex {

namespace {

bool nonpar_typed(const std::string& name) {
    return !trim_trailing_blanks(name).empty();
}

bool nonpar_refuse(Run& run, const std::string& keyword, const std::string& where) {
    report_error(run,
                 " ...ERROR..OPTION " + keyword +
                     (keyword.find('=') == std::string::npos ? "=" : "") + " DOES NOT APPLY " +
                     where,
                 ERR_NONPAR_NOT_APPLICABLE);
    return false;
}

// The options on their own; then those that belong to the other analysis.
bool check_nonpar_options(Run& run, const NonparOptions& o, KernelShape& kernel,
                          SmootherKind& kind) {
    if (!kernel_from_word(o.KERNEL, kernel))
        return bad_option_value(run, "KERNEL", ERR_NONPAR_OPTION);
    if (!o.RULE.empty() && o.RULE != "SILVERMA" && o.RULE != "SCOTT" && o.RULE != "CV")
        return bad_option_value(run, "RULE", ERR_NONPAR_OPTION);
    if (o.METHOD != "NW" && o.METHOD != "LOCLIN")
        return bad_option_value(run, "METHOD", ERR_NONPAR_OPTION);
    kind = o.METHOD == "LOCLIN" ? SmootherKind::LOCAL_LINEAR : SmootherKind::NADARAYA_WATSON;
    if (o.NGRID < 2 || o.NGRID > 1000000) return bad_option_value(run, "NGRID", ERR_NONPAR_OPTION);
    if (o.BANDWIDT_given && !(o.BANDWIDT > 0)) {
        report_error(run,
                     " ...ERROR..BANDWIDT=" + trim_blanks(fmt_G(o.BANDWIDT, 14, 6)) +
                         ": THE BANDWIDTH MUST BE POSITIVE",
                     ERR_NONPAR_BANDWIDTH);
        return false;
    }
    if (o.BANDWIDT_given && !o.RULE.empty())
        return nonpar_refuse(run, "RULE", "WHEN BANDWIDT= GIVES THE BANDWIDTH");
    if (nonpar_typed(o.POINTS) && nonpar_typed(o.GRID))
        return nonpar_refuse(run, "GRID", "WHEN POINTS= GIVES THE POINTS");
    if (!check_name_options(run, nonpar_option_table(), ERR_NONPAR_OPTION)) return false;
    if (run.scan.NF < 1 || run.scan.NF > 2) {
        report_error(run,
                     run.scan.NF < 1
                         ? " ...ERROR..NONPAR NEEDS A SERIES (ITS DENSITY) OR TWO (Y ON X)"
                         : " ...ERROR..NONPAR TAKES ONE SERIES (ITS DENSITY) OR TWO (Y ON X)",
                     run.scan.NF < 1 ? ERR_NONPAR_NO_SERIES : ERR_NONPAR_TOO_MANY);
        return false;
    }
    const std::string density = "TO A DENSITY ESTIMATE", regression = "TO A KERNEL REGRESSION";
    if (run.scan.NF == 1) {
        if (o.METHOD != "NW") return nonpar_refuse(run, "METHOD", density);
        if (nonpar_typed(o.out.PREDICT)) return nonpar_refuse(run, "PREDICT", density);
        if (nonpar_typed(o.out.RESID)) return nonpar_refuse(run, "RESID", density);
    } else if (o.RULE == "SILVERMA" || o.RULE == "SCOTT") {
        return nonpar_refuse(run, "RULE=" + o.RULE,
                             regression + ": ITS BANDWIDTH IS GIVEN OR CROSS-VALIDATED");
    }
    return true;
}

// The points POINTS= names: the variable's values other than the missing-value code, with
// their element numbers.
struct NonparPoints {
    std::vector<Real> t;
    std::vector<int> element; // 1-based
    long long length = 0;
    bool series = false;
};

bool read_nonpar_points(Run& run, const std::string& name, NonparPoints& p) {
    const std::string trimmed = trim_trailing_blanks(name);
    const int ref = VFIND(run, trimmed);
    VarInfo info;
    if (ref <= 0 || !VINFO(run, ref, info) || info.type > TYPE_TRIANGLE) {
        report_error(run, " ...ERROR..POINTS= VARIABLE " + first_8_padded(trimmed) + " NOT FOUND",
                     ERR_NONPAR_POINTS);
        return false;
    }
    p.length = info.length;
    p.series = info.type == TYPE_DATA;
    for (long long k = 1; k <= info.length; ++k) {
        const Real v = element(run, info, k);
        if (equal_values(v, run.ws.XMISS)) continue;
        p.t.push_back(v);
        p.element.push_back(int(k));
    }
    if (!p.t.empty()) return true;
    report_error(run, " ...ERROR..POINTS= VARIABLE " + first_8_padded(trimmed) + " HAS NO VALUES",
                 ERR_NONPAR_POINTS);
    return false;
}

// CURVE= (and GRID=): by observation for a series of points, else one element a point.
bool store_nonpar_curve(Run& run, const NonparOptions& o, const NonparPoints* given,
                        const NonparCurve& c) {
    if (given == nullptr)
        return store_vector(run, o.GRID, c.points) && store_vector(run, o.CURVE, [&] {
                   std::vector<Real> v(c.values);
                   for (std::size_t i = 0; i < v.size(); ++i)
                       if (!c.defined[i]) v[i] = run.ws.XMISS;
                   return v;
               }());
    if (given->series) {
        std::vector<int> obs;
        std::vector<Real> values;
        for (std::size_t i = 0; i < c.values.size(); ++i)
            if (c.defined[i]) obs.push_back(given->element[i]), values.push_back(c.values[i]);
        return store_by_observation(run, o.CURVE, int(given->length), obs, values);
    }
    std::vector<Real> values(std::size_t(given->length), run.ws.XMISS);
    for (std::size_t i = 0; i < c.values.size(); ++i)
        if (c.defined[i]) values[std::size_t(given->element[i] - 1)] = c.values[i];
    return store_vector(run, o.CURVE, values);
}

bool nonpar_enough(Run& run, std::size_t n, std::size_t needed, const char* what) {
    if (n >= needed) return true;
    report_error(run,
                 " ...ERROR.." + std::to_string(n) + " OBSERVATIONS ARE TOO FEW FOR " + what +
                     ": IT NEEDS" + fmt_I((long long)needed, 3),
                 ERR_NONPAR_TOO_FEW);
    return false;
}

bool no_spread(Run& run, const std::string& name, const std::string& rule) {
    report_error(run,
                 " ...ERROR..THE VALUES OF " + trim_trailing_blanks(name) +
                     " DO NOT VARY: RULE=" + rule + " HAS NO SPREAD TO SCALE (GIVE BANDWIDT=)",
                 ERR_NONPAR_NO_SPREAD);
    return false;
}

EstimationResults nonpar_record(const EstimationEquation& s, const ListRows& rows, Real h) {
    EstimationResults r;
    r.command = "NONPAR";
    r.not_forecast = "NONPAR";
    r.dep_ref = s.dep_ref;
    r.dep_name = s.dep_name;
    r.dep_variable = trim_trailing_blanks(s.dep_name);
    r.beg = s.beg;
    r.end = s.end;
    r.obs = rows.obs;
    r.n = int(rows.obs.size());
    r.names = {first_8_padded("BANDWIDT")};
    r.coef = {h};
    return r;
}

// The bandwidth of a density: given, or by its rule. False (reported) when the rule has nothing
// to scale.
bool density_bandwidth(Run& run, const NonparOptions& o, const std::string& name,
                       const std::vector<Real>& sorted, NonparHeading& h) {
    if (o.BANDWIDT_given) {
        h.h = o.BANDWIDT;
        return true;
    }
    const std::string rule = o.RULE.empty() ? "SILVERMA" : o.RULE;
    if (sorted.front() == sorted.back()) return no_spread(run, name, rule);
    if (rule == "CV") {
        const UcvChoice c = ucv_bandwidth(sorted);
        h.source = BandwidthSource::CROSS_VALIDATION;
        h.h = c.h, h.criterion = c.ucv, h.on_bound = c.on_bound;
        h.search_lower = c.lower, h.search_upper = c.upper;
        return true;
    }
    if (rule == "SILVERMA") {
        h.source = BandwidthSource::SILVERMAN;
        h.h = silverman_bandwidth(sorted);
        return true;
    }
    h.source = BandwidthSource::SCOTT;
    h.h = scott_bandwidth(sorted);
    if (h.h > 0) return true;
    report_error(run,
                 " ...ERROR..THE QUARTILES OF " + trim_trailing_blanks(name) +
                     " COINCIDE: SCOTT'S RULE GIVES A BANDWIDTH OF 0 (GIVE BANDWIDT=)",
                 ERR_NONPAR_QUARTILES);
    return false;
}

void run_density(Run& run, const NonparOptions& o, KernelShape shape, const EstimationEquation& s,
                 const ListRows& rows, const NonparPoints* points) {
    if (!nonpar_enough(run, rows.y.size(), 2, "A KERNEL DENSITY")) return;
    std::vector<Real> sorted(rows.y);
    sort_reals(sorted);
    NonparHeading heading{"KERNEL DENSITY OF " + trim_trailing_blanks(s.dep_name), s.beg, s.end,
                          int(rows.y.size()), shape};
    if (!density_bandwidth(run, o, s.dep_name, sorted, heading)) return;
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    NonparCurve curve;
    curve.on_grid = points == nullptr;
    curve.points = points ? points->t : density_grid(sorted, heading.h, o.NGRID);
    const bool fast_grid =
        points == nullptr && shape == KernelShape::GAUSSIAN &&
        gaussian_grid_fits(heading.h, curve.points.front(), curve.points.back(), o.NGRID);
    curve.values = fast_grid ? gaussian_density_on_grid(rows.y, heading.h, curve.points.front(),
                                                        curve.points.back(), o.NGRID)
                             : density_at(sorted, make_kernel(shape), heading.h, curve.points);
    curve.defined.assign(curve.points.size(), true);
    report_density(run, heading, curve);
    if (o.PLOTS) plot_density_curve(run, heading, curve, trim_trailing_blanks(s.dep_name));
    ModelResult m;
    m.record = nonpar_record(s, rows, heading.h);
    m.set_scalar(R_N, m.record.n);
    if (store_model_result(run, std::move(m), o.out)) store_nonpar_curve(run, o, points, curve);
}

void run_regression(Run& run, const NonparOptions& o, KernelShape shape, SmootherKind kind,
                    const EstimationEquation& s, const ListRows& rows, const NonparPoints* points) {
    if (!nonpar_enough(run, rows.y.size(), 3, "A KERNEL REGRESSION")) return;
    const std::vector<Real>& x = rows.x[0];
    const std::string x_name = trim_trailing_blanks(s.terms[0].name);
    if (std::all_of(x.begin(), x.end(), [&](Real v) { return v == x[0]; })) {
        report_error(run,
                     " ...ERROR..THE VALUES OF " + x_name + " DO NOT VARY: NO REGRESSION ON IT",
                     ERR_NONPAR_CONSTANT_X);
        return;
    }
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    const RegressionSample sample = group_by_regressor(x, rows.y);
    const Kernel kernel = make_kernel(shape);
    NonparHeading heading{"KERNEL REGRESSION OF " + trim_trailing_blanks(s.dep_name) + " ON " +
                              x_name,
                          s.beg,
                          s.end,
                          int(rows.y.size()),
                          shape,
                          o.BANDWIDT};
    if (!o.BANDWIDT_given) {
        const CvChoice c = cross_validated_bandwidth(sample, kernel, kind);
        if (!c.found) {
            report_error(run,
                         " ...ERROR..NO BANDWIDTH TRIED GIVES EVERY LEFT-OUT FIT: TOO FEW VALUES "
                         "OF " +
                             x_name + " NEAR SOME OBSERVATION (GIVE BANDWIDT=)",
                         ERR_NONPAR_NO_CV);
            return;
        }
        heading.source = BandwidthSource::CROSS_VALIDATION;
        heading.h = c.h, heading.criterion = c.cv, heading.on_bound = c.on_bound;
    }
    std::vector<Real> fitted, residuals;
    Real sse = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const SmoothedValue m = kernel_fit_at(sample, kernel, kind, heading.h, x[i]);
        if (!m.defined) {
            report_error(run,
                         " ...ERROR..THE LOCAL LINEAR FIT AT OBSERVATION" + fmt_I(rows.obs[i], 7) +
                             " HAS ONE VALUE OF " + x_name + " IN REACH: WIDEN THE BANDWIDTH",
                         ERR_NONPAR_UNDEFINED_FIT);
            return;
        }
        fitted.push_back(m.value);
        residuals.push_back(rows.y[i] - m.value);
        sse += residuals.back() * residuals.back();
    }
    NonparCurve curve;
    curve.on_grid = points == nullptr;
    if (points) {
        curve.points = points->t;
    } else {
        curve.points = density_grid(sample.x, 0, o.NGRID);
    }
    for (Real t : curve.points) {
        const SmoothedValue m = kernel_fit_at(sample, kernel, kind, heading.h, t);
        curve.values.push_back(m.value);
        curve.defined.push_back(m.defined);
    }
    report_regression(run, heading, kind, sse, curve);
    if (o.PLOTS)
        plot_regression_curve(run, heading, curve,
                              {x_name, trim_trailing_blanks(s.dep_name), &x, &rows.y});
    ModelResult m;
    m.record = nonpar_record(s, rows, heading.h);
    m.record.sse = sse;
    m.record.predicted = fitted;
    m.record.residuals = residuals;
    m.set_scalar(R_N, m.record.n);
    m.set_scalar(R_SSE, sse);
    if (store_model_result(run, std::move(m), o.out)) store_nonpar_curve(run, o, points, curve);
}

} // namespace

void cmd_nonpar(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " NONPAR");
    set_nonpar_defaults(run);
    if (!OPTION(run, nonpar_option_table())) return;
    const NonparOptions o = read_nonpar_options(run);
    KernelShape shape = KernelShape::GAUSSIAN;
    SmootherKind kind = SmootherKind::NADARAYA_WATSON;
    if (!check_nonpar_options(run, o, shape, kind)) return;
    EstimationEquation series;
    const OlsTerm dep = read_dependent(run, series);
    std::vector<OlsTerm> terms;
    if (run.scan.NF == 2 && !append_list_terms(run, dep, 2, 2, ERR_NONPAR_BOTH_SIDES, terms))
        return;
    series.terms = terms;
    ListRows rows;
    if (!gather_equation_rows(run, series, terms, o.BEG, o.END, rows)) return;
    if (!squares_representable(run, series.dep_name, terms, rows, ERR_NONPAR_RANGE)) return;
    NonparPoints points;
    const bool at_points = nonpar_typed(o.POINTS);
    if (at_points && !read_nonpar_points(run, o.POINTS, points)) return;
    if (terms.empty())
        run_density(run, o, shape, series, rows, at_points ? &points : nullptr);
    else
        run_regression(run, o, shape, kind, series, rows, at_points ? &points : nullptr);
}

} // namespace tarvex
