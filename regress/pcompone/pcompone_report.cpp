// Writing PCOMPONE's results.
#include "regress/pcompone/pcompone_report.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/graph/char_plot.hpp"

namespace tarvex {

namespace {

constexpr int LOADING_COLUMNS = 4; // components a line of the loadings table

std::string component_value(Real v) {
    return fmt_G(v, 17, 9);
}

void write_loadings(Run& run, const ComponentsShown& s, const PrincipalComponents& pc) {
    write_line(run, "");
    write_line(run, " LOADINGS (UNIT EIGENVECTORS; EACH COMPONENT'S LARGEST LOADING POSITIVE)");
    for (int first = 0; first < pc.k; first += LOADING_COLUMNS) {
        const int last = std::min(pc.k, first + LOADING_COLUMNS);
        std::string head = " VARIABLE";
        for (int j = first; j < last; ++j) {
            std::string label = "PC" + std::to_string(j + 1);
            head += std::string(17 - label.size(), ' ') + label;
        }
        write_line(run, "");
        write_line(run, head);
        for (int i = 0; i < pc.k; ++i) {
            std::string line = " " + first_8_padded(s.names[std::size_t(i)]);
            for (int j = first; j < last; ++j)
                line += component_value(pc.loadings[std::size_t(j * pc.k + i)]);
            write_line(run, line);
        }
    }
}

void write_scree(Run& run, const ComponentsShown& s, const PrincipalComponents& pc) {
    CharPlot plot;
    plot.title = "SCREE PLOT: EIGENVALUE OF EACH COMPONENT";
    plot.xlabel = "COMPONENT";
    plot.ylabel = "EIGENVALUE";
    plot.rows = 15;
    plot.cols = 72;
    CharSeries points;
    points.name = "EIGENVALUE";
    for (int j = 0; j < pc.k; ++j) {
        points.x.push_back(Real(j + 1));
        points.y.push_back(pc.values[std::size_t(j)]);
    }
    plot.series.push_back(std::move(points));
    if (s.correlation) plot.horizontal.push_back(1); // the average eigenvalue of a correlation
    plot.x_text = [](Real v) { return axis_value(v); };
    write_line(run, "");
    for (const std::string& line : draw_char_plot(plot)) write_line(run, line);
}

} // namespace

void report_components(Run& run, const ComponentsShown& s, const PrincipalComponents& pc) {
    write_line(run, "");
    write_line(run, std::string(" PRINCIPAL COMPONENTS OF THE ") +
                        (s.correlation ? "CORRELATION" : "COVARIANCE") + " MATRIX OF " +
                        std::to_string(pc.k) + " SERIES");
    write_line(run, " OBSERVATIONS" + fmt_I(s.beg, 8) + " TO" + fmt_I(s.end, 8) + "   (" +
                        std::to_string(pc.n) + " USED)");
    write_line(run, "");
    write_line(run, " VARIABLE             MEAN   STD. DEVIATION");
    for (int i = 0; i < pc.k; ++i)
        write_line(run, " " + first_8_padded(s.names[std::size_t(i)]) +
                            component_value(pc.mean[std::size_t(i)]) +
                            component_value(pc.deviation[std::size_t(i)]));
    write_line(run, "");
    write_line(run, " COMPONENT       EIGENVALUE       PROPORTION       CUMULATIVE");
    for (int j = 0; j < pc.k; ++j)
        write_line(run, fmt_I(j + 1, 10) + component_value(pc.values[std::size_t(j)]) +
                            component_value(pc.proportion[std::size_t(j)]) +
                            component_value(pc.cumulative[std::size_t(j)]));
    write_loadings(run, s, pc);
    if (s.scree) write_scree(run, s, pc);
}

} // namespace tarvex
