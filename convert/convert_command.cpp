// CONVERT: reads the options, then converts a data file (IN= and OUT=) or one series to another
// frequency (CONVERT new old [indicators] / FROM= TO= METHOD=).
#include "convert/convert_command.hpp"

#include "convert/convert_files.hpp"
#include "convert/convert_options.hpp"
#include "convert/convert_plan.hpp"
#include "convert/convert_series.hpp"
#include "core/run.hpp"
#include "workspace/maintenance.hpp"

namespace tarvex {

void cmd_convert(Run& run) {
    ConvertOptions o;
    if (!read_convert_options(run, o)) return;
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    const std::vector<std::string> words = statement_words(run, nullptr);
    if (!o.IN.empty() || !o.OUT.empty() || !o.FORMAT.empty()) {
        convert_file(run, o, words);
        return;
    }
    ConvertPlan plan;
    if (!plan_conversion(run, o, words, plan)) return;
    convert_series(run, o, plan);
}

} // namespace tarvex
