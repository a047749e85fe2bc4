// Choosing the kind of plot from the options and labelling it.
#include "regress/graph/plot_kind.hpp"

namespace tarvex {

PlotKind plot_kind(const GraphOptions& o) {
    if (o.RESIDUAL) return PlotKind::RESIDUAL;
    if (o.HISTOGRA) return PlotKind::HISTOGRAM;
    if (o.SCATTER) return PlotKind::SCATTER;
    return PlotKind::SERIES;
}

PlotLabels plot_labels(PlotKind kind, const GraphOptions& o, const PlotData& data) {
    PlotLabels l;
    const int n = int(data.names.size());
    std::string listed; // the plotted names, the scatter's horizontal variable left out
    for (int k = 0; k < n - (kind == PlotKind::SCATTER ? 1 : 0); ++k)
        listed += (listed.empty() ? "" : ", ") + data.names[k];
    switch (kind) {
    case PlotKind::SERIES:
        l = {listed, data.frequency > 0 ? "DATE" : "OBSERVATION", n == 1 ? listed : std::string()};
        break;
    case PlotKind::SCATTER:
        l = {listed + " AGAINST " + data.names[n - 1], data.names[n - 1],
             n == 2 ? data.names[0] : std::string()};
        break;
    case PlotKind::HISTOGRAM:
        l = {"HISTOGRAM OF " + data.names[0], data.names[0], "FREQUENCY"};
        break;
    case PlotKind::RESIDUAL:
        l = {o.FITTED ? "RESIDUALS AGAINST FITTED VALUES" : "RESIDUALS",
             o.FITTED             ? "FITTED VALUE"
             : data.frequency > 0 ? "DATE"
                                  : "OBSERVATION",
             "RESIDUAL"};
        break;
    }
    if (!o.TITLE.empty()) l.title = o.TITLE;
    if (!o.XLABEL.empty()) l.xlabel = o.XLABEL;
    if (!o.YLABEL.empty()) l.ylabel = o.YLABEL;
    return l;
}

} // namespace tarvex
