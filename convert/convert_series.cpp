// A frequency conversion carried out: the values of the old series (and its indicators) are
// gathered, converted by the kernel of the method, stored as the new series and reported.
#include "convert/convert_series.hpp"

#include "convert/convert_errors.hpp"
#include "convert/convert_report.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "kernels/frequency_aggregation.hpp"
#include "kernels/temporal_disaggregation.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "workspace/variable_copy.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

namespace {

bool series_error(Run& run, const std::string& text, int sequence) {
    report_error(run, " ...ERROR.." + text, command_error_number(run, sequence));
    return false;
}

std::vector<Real> series_values(Run& run, int ref, long long beg, long long end) {
    const SeriesReader reader(run, ref);
    std::vector<Real> out;
    out.reserve(std::size_t(end - beg + 1));
    for (long long t = beg; t <= end; ++t) out.push_back(reader.at(run, t, run.ws.XMISS));
    return out;
}

// The first observation (1-based) holding the missing code, or 0.
long long first_missing(const std::vector<Real>& values, Real missing) {
    for (std::size_t t = 0; t < values.size(); ++t)
        if (values[t] == missing) return static_cast<long long>(t) + 1;
    return 0;
}

PeriodAggregate aggregate_of(ConvertMethod method) {
    switch (method) {
    case ConvertMethod::AVERAGE:
        return PeriodAggregate::AVERAGE;
    case ConvertMethod::FIRST:
        return PeriodAggregate::FIRST;
    case ConvertMethod::LAST:
        return PeriodAggregate::LAST;
    default:
        return PeriodAggregate::SUM;
    }
}

// The indicators over the new series' observations 1..n, column after column.
bool gather_indicators(Run& run, const ConvertPlan& p, long long n, std::vector<Real>& columns) {
    for (std::size_t k = 0; k < p.indicator_refs.size(); ++k) {
        VarInfo info;
        if (!VINFO(run, p.indicator_refs[k], info)) return false;
        if (info.length < n)
            return series_error(run,
                                "INDICATOR " + p.indicator_names[k] + " HAS " +
                                    std::to_string(info.length) + " OBSERVATIONS: " + p.new_name +
                                    " NEEDS " + std::to_string(n) + " (ITS OBSERVATIONS 1 TO " +
                                    std::to_string(n) + ")",
                                CONVERT_INDICATOR_SHORT);
        const std::vector<Real> values = series_values(run, p.indicator_refs[k], 1, n);
        if (const long long t = first_missing(values, run.ws.XMISS); t > 0)
            return series_error(run,
                                "METHOD=" + p.method_word +
                                    " NEEDS EVERY VALUE: " + p.indicator_names[k] +
                                    " IS MISSING AT OBSERVATION " + std::to_string(t),
                                CONVERT_MISSING);
        columns.insert(columns.end(), values.begin(), values.end());
    }
    return true;
}

// The largest |sum (or average) over a period of the new series - the old value|.
Real largest_period_gap(const std::vector<Real>& high, const std::vector<Real>& low, int ratio,
                        bool average) {
    Real gap = 0;
    for (std::size_t i = 0; i < low.size(); ++i) {
        Real s = exact_sum(high.data() + i * std::size_t(ratio), std::size_t(ratio));
        if (average) s /= ratio;
        gap = std::max(gap, qm::abs(s - low[i]));
    }
    return gap;
}

bool distribute(Run& run, const ConvertPlan& p, const ConvertOptions& o,
                const std::vector<Real>& low, ConvertOutcome& out) {
    if (const long long t = first_missing(low, run.ws.XMISS); t > 0)
        return series_error(run,
                            "METHOD=" + p.method_word + " NEEDS EVERY VALUE: " + p.old_name +
                                " IS MISSING AT OBSERVATION " + std::to_string(p.beg + t - 1),
                            CONVERT_MISSING);
    const long long n = static_cast<long long>(low.size()) * p.ratio;
    std::vector<Real> indicators;
    if (!gather_indicators(run, p, n, indicators)) return false;
    if (p.method == ConvertMethod::DENTON) {
        DentonFit fit = denton_distribute(low, p.ratio, indicators, p.match_average);
        if (!fit.ok)
            return series_error(run,
                                "THE PERIOD " + std::string(p.match_average ? "AVERAGES" : "SUMS") +
                                    " OF " + p.old_name + " CANNOT BE MET: INDICATOR " +
                                    p.indicator_names.front() + " IS ZERO OVER A WHOLE PERIOD",
                                CONVERT_SINGULAR);
        out.values = std::move(fit.values);
    } else {
        std::vector<Real> regressors;
        if (!o.NOCONST) regressors.assign(std::size_t(n), Real(1));
        regressors.insert(regressors.end(), indicators.begin(), indicators.end());
        const int m = int(p.indicator_refs.size()) + (o.NOCONST ? 0 : 1);
        ChowLinFit fit = chow_lin(low, p.ratio, regressors, m, p.match_average, o.RHO_given, o.RHO);
        std::vector<std::string> names;
        if (!o.NOCONST) names.push_back("CONSTANT");
        names.insert(names.end(), p.indicator_names.begin(), p.indicator_names.end());
        switch (fit.status) {
        case ChowLinStatus::ok:
            break;
        case ChowLinStatus::too_few_periods:
            return series_error(run,
                                std::to_string(low.size()) + " PERIODS OF " + p.old_name +
                                    " ARE TOO FEW FOR " + std::to_string(m) +
                                    " COEFFICIENTS: CHOWLIN NEEDS MORE PERIODS THAN COEFFICIENTS",
                                CONVERT_CHOWLIN);
        case ChowLinStatus::dependent_column:
            return series_error(run,
                                "THE PERIOD SUMS OF " +
                                    names[std::size_t(std::max(fit.failed_column, 0))] +
                                    " DEPEND LINEARLY ON THOSE OF THE REGRESSORS BEFORE IT",
                                CONVERT_CHOWLIN);
        case ChowLinStatus::covariance_failed:
            return series_error(run, "THE AGGREGATED AR(1) COVARIANCE IS NOT POSITIVE DEFINITE",
                                CONVERT_CHOWLIN);
        }
        out.regressor_names = std::move(names);
        out.values = std::move(fit.values);
        out.chow_lin = std::move(fit);
        out.chow_lin.values.clear();
        out.has_chow_lin = true;
    }
    out.period_gap = largest_period_gap(out.values, low, p.ratio, p.match_average);
    return true;
}

} // namespace

bool convert_series(Run& run, const ConvertOptions& o, const ConvertPlan& p) {
    const std::vector<Real> old = series_values(run, p.old_ref, p.beg, p.end);
    const Real missing = run.ws.XMISS;
    ConvertOutcome out;
    if (p.down) {
        AggregatedSeries a =
            aggregate_periods(old, p.ratio, p.offset, aggregate_of(p.method), missing);
        out.missing_periods = a.missing_periods;
        out.incomplete_periods = a.incomplete_periods;
        out.values = std::move(a.values);
    } else if (p.method == ConvertMethod::CONSTANT || p.method == ConvertMethod::LINEAR) {
        out.values = p.method == ConvertMethod::CONSTANT
                         ? repeat_periods(old, p.ratio)
                         : interpolate_linear(old, p.ratio, missing);
        for (Real v : out.values) out.missing_values += v == missing ? 1 : 0;
    } else if (!distribute(run, p, o, old, out)) {
        return false;
    }

    VariableCopy made;
    made.name = p.new_name;
    made.type = TYPE_DATA;
    made.length = static_cast<long long>(out.values.size());
    made.elements = out.values;
    if (!replace_variable(run, made)) return false;
    run.res[R_N] = Real(made.length);
    if (out.has_chow_lin) {
        run.res[R_RHO] = out.chow_lin.rho;
        run.res[R_LLF] = out.chow_lin.llf;
        run.res[R_K] = Real(out.chow_lin.coef.size());
        run.res[R_SIG2] = out.chow_lin.sigma2;
    }
    if (run.flags.OPUT) report_conversion(run, p, out);
    return true;
}

} // namespace tarvex
