// The option table of CONVERT. The options are scanned without the names before "/", which
// name a series that CONVERT is about to make.
#include "convert/convert_options.hpp"

#include "core/interpreter_calls.hpp"
#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/option_access.hpp"
#include "options/options.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// clang-format off
const OptionTable CONVERT_TABLE = {
    {
        //  #  keyword    effect
        "NOCONST",  //  1 switch  CHOWLIN: no constant among the regressors
        "FROM",     //  2 integer periods a year of the series (TIME's, when not given)
        "TO",       //  3 integer periods a year of the new series: 1, 4 or 12
        "BEG",      //  4 integer first observation of the series converted
        "END",      //  5 integer last observation of the series converted
        "RHO",      //  6 real    CHOWLIN: the AR(1) coefficient (estimated when not given)
        "METHOD",   //  7 name    SUM AVERAGE FIRST LAST (down); CONSTANT LINEAR DENTON CHOWLIN (up)
        "MATCH",    //  8 name    DENTON, CHOWLIN: SUM (default) or AVERAGE of each period is met
        "IN",       //  9 name    data file read (file conversion)
        "OUT",      // 10 name    data file written
        "FORMAT",   // 11 name    layout of OUT: COMMA TAB FREE TARVEX DIF
    },
    1, 4, 1, 5};
// clang-format on

} // namespace

const OptionTable& convert_option_table() {
    return CONVERT_TABLE;
}

bool read_convert_options(Run& run, ConvertOptions& o) {
    std::string& text = run.cmd.text;
    const std::size_t start = std::min<std::size_t>(std::max(run.cmd.col, 0), text.size());
    const std::size_t slash = text.find('/', start);
    OptionDefaults defaults(run.opt, CONVERT_TABLE);
    if (slash != std::string::npos) {
        const std::string whole = text;
        text = whole.substr(0, start) + " " + whole.substr(slash);
        run.flags.ONEWV = false;
        scan_statement(run);
        text = whole;
        if (run.flags.OERR) return false;
        OptionDefaults cleared(run.opt, CONVERT_TABLE);
        if (!OPTION(run, CONVERT_TABLE)) return false;
    }
    const OptionValues v(run.opt, CONVERT_TABLE);
    o.NOCONST = v.on("NOCONST");
    o.FROM = v.integer("FROM"), o.FROM_given = v.given("FROM");
    o.TO = v.integer("TO");
    o.BEG = v.integer("BEG"), o.BEG_given = v.given("BEG");
    o.END = v.integer("END"), o.END_given = v.given("END");
    o.RHO = v.real("RHO"), o.RHO_given = v.real_given("RHO");
    o.METHOD = trim_trailing_blanks(v.name("METHOD"));
    o.MATCH = trim_trailing_blanks(v.name("MATCH"));
    o.FORMAT = trim_trailing_blanks(v.name("FORMAT"));
    o.IN = trim_blanks(v.full_name("IN"));
    o.OUT = trim_blanks(v.full_name("OUT"));
    return true;
}

} // namespace tarvex
