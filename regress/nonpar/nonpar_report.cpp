// Writing NONPAR's results.
#include "regress/nonpar/nonpar_report.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"

namespace tarvex {

namespace {

// A curve of more points than this is summarised, not listed.
constexpr std::size_t LISTED_POINTS = 60;

std::string nonpar_value(Real v) {
    return fmt_G(v, 20, 12);
}

std::string source_text(BandwidthSource source, bool density) {
    switch (source) {
    case BandwidthSource::SILVERMAN:
        return "SILVERMAN'S RULE";
    case BandwidthSource::SCOTT:
        return "SCOTT'S RULE";
    case BandwidthSource::CROSS_VALIDATION:
        return density ? "LEAST-SQUARES CROSS-VALIDATION" : "LEAVE-ONE-OUT CROSS-VALIDATION";
    case BandwidthSource::GIVEN:
        break;
    }
    return "GIVEN";
}

void write_heading(Run& run, const NonparHeading& h, bool density) {
    write_line(run, "");
    write_line(run, " " + h.title);
    write_line(run, " OBSERVATIONS" + fmt_I(h.beg, 7) + " TO" + fmt_I(h.end, 7) +
                        "   N =" + fmt_I(h.n, 8));
    write_line(run,
               " KERNEL: " + kernel_name(h.kernel) + " (THE BANDWIDTH IS ITS STANDARD DEVIATION)");
    write_line(run, " BANDWIDTH =" + nonpar_value(h.h) + "   " + source_text(h.source, density) +
                        (h.on_bound ? " (ON THE EDGE OF THE SEARCH)" : ""));
    if (h.source != BandwidthSource::CROSS_VALIDATION) return;
    if (density)
        write_line(run, " UCV CRITERION =" + nonpar_value(h.criterion) + "   SEARCHED FROM" +
                            nonpar_value(h.search_lower) + " TO" + nonpar_value(h.search_upper));
    else
        write_line(run, " LEAVE-ONE-OUT MEAN SQUARED ERROR =" + nonpar_value(h.criterion));
}

void write_curve(Run& run, const NonparCurve& c, const char* value_title) {
    if (c.points.size() > LISTED_POINTS) {
        write_line(run, " ESTIMATED AT" + fmt_I((long long)c.points.size(), 8) + " POINTS FROM" +
                            nonpar_value(c.points.front()) + " TO" + nonpar_value(c.points.back()) +
                            " (CURVE= AND GRID= STORE THEM)");
        return;
    }
    write_line(run, "");
    write_line(run, std::string("               POINT") + value_title);
    for (std::size_t i = 0; i < c.points.size(); ++i)
        write_line(run, nonpar_value(c.points[i]) + (c.defined[i]
                                                         ? nonpar_value(c.values[i])
                                                         : std::string("    NO WEIGHT NEAR IT")));
}

} // namespace

void report_density(Run& run, const NonparHeading& heading, const NonparCurve& curve) {
    write_heading(run, heading, true);
    std::size_t top = 0;
    for (std::size_t i = 1; i < curve.values.size(); ++i)
        if (curve.values[i] > curve.values[top]) top = i;
    if (!curve.values.empty())
        write_line(run, " LARGEST DENSITY =" + nonpar_value(curve.values[top]) + "   AT" +
                            nonpar_value(curve.points[top]));
    write_curve(run, curve, "             DENSITY");
}

void report_regression(Run& run, const NonparHeading& heading, SmootherKind method, Real sse,
                       const NonparCurve& curve) {
    write_heading(run, heading, false);
    write_line(run, std::string(" SMOOTHER: ") + (method == SmootherKind::LOCAL_LINEAR
                                                      ? "LOCAL LINEAR"
                                                      : "NADARAYA-WATSON (LOCAL CONSTANT)"));
    write_line(run, " SUM OF SQUARED RESIDUALS =" + nonpar_value(sse));
    write_curve(run, curve, "              FITTED");
}

} // namespace tarvex
