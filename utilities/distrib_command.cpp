// DISTRIB list / TYPE=family [parameters] [INVERSE] [PDF= CDF= CRIT=]: the density,
// distribution function and upper tail of a family at the values listed (a number held in a
// one-element variable, or a series over the sample), or with INVERSE the quantiles at the
// probabilities listed. The last value computed is left in $PDF and $CDF (or $CRIT); with one
// series listed, PDF=, CDF= and CRIT= store the values as series beside it.
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/distribution_family.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/option_access.hpp"
#include "options/options.hpp"
#include "utilities/utility_commands.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <array>

namespace tarvex {

namespace {

using dist::Family;
using dist::FamilyParameters;

// Sequences of DISTRIB's own $ERR numbers (the command's slot x 1000 + sequence).
enum DistribError : int {
    DISTRIB_NO_VALUES = 1,        // nothing listed
    DISTRIB_UNKNOWN_TYPE = 2,     // TYPE= names no family
    DISTRIB_NOT_APPLICABLE = 3,   // a parameter of another family
    DISTRIB_PARAMETER_NEEDED = 4, // DF= (t, chi-square), DF1= DF2=, SHAPE=, N= P=, MEAN= missing
    DISTRIB_BAD_PARAMETER = 5,    // a parameter outside its family's domain
    DISTRIB_NOT_VALUES = 6,       // a matrix, a string, or a lagged item
    DISTRIB_OUTPUT_ONE = 7,       // PDF=, CDF= or CRIT= with more than one item
    DISTRIB_BAD_PROBABILITY = 8,  // INVERSE at a value outside [0, 1]
};

// clang-format off
const OptionTable DISTRIB_TABLE = {
    {
        //  #  keyword    effect
        "INVERSE",  //  1 switch  the values are probabilities: quantiles (critical values)
        "MEAN",     //  2 real    normal mean (0); Poisson mean
        "VAR",      //  3 real    normal variance (1)
        "DF",       //  4 real    degrees of freedom of t and chi-square
        "DF1",      //  5 real    F: numerator degrees of freedom
        "DF2",      //  6 real    F: denominator degrees of freedom
        "SHAPE",    //  7 real    gamma shape; beta first shape
        "SCALE",    //  8 real    gamma scale (1)
        "SHAPE2",   //  9 real    beta second shape
        "N",        // 10 real    binomial number of trials
        "P",        // 11 real    binomial probability of success
        "TYPE",     // 12 name    NORMAL, T, F, CHISQ, GAMMA, BETA, BINOMIAL or POISSON
        "PDF",      // 13 name    densities (probabilities), as a series
        "CDF",      // 14 name    distribution function values, as a series
        "CRIT",     // 15 name    INVERSE: the quantiles, as a series
    },
    1, 0, 10, 4};
// clang-format on

void distrib_error(Run& run, const std::string& text, int sequence) {
    report_error(run, " ...ERROR.." + text, command_error_number(run, sequence));
}

struct FamilyWord {
    const char* word;
    Family family;
    std::array<const char*, 2> parameters; // keywords of the two parameters ("" none)
    std::array<bool, 2> required;
    std::array<Real, 2> defaults;
};

// clang-format off
const std::array<FamilyWord, 8> FAMILY_WORDS = {{
    {"NORMAL",   Family::NORMAL,     {"MEAN", "VAR"},     {false, false}, {0, 1}},
    {"T",        Family::STUDENT_T,  {"DF", ""},          {true, false},  {0, 0}},
    {"F",        Family::FISHER_F,   {"DF1", "DF2"},      {true, true},   {0, 0}},
    {"CHISQ",    Family::CHI_SQUARE, {"DF", ""},          {true, false},  {0, 0}},
    {"GAMMA",    Family::GAMMA,      {"SHAPE", "SCALE"},  {true, false},  {0, 1}},
    {"BETA",     Family::BETA,       {"SHAPE", "SHAPE2"}, {true, true},   {0, 0}},
    {"BINOMIAL", Family::BINOMIAL,   {"N", "P"},          {true, true},   {0, 0}},
    {"POISSON",  Family::POISSON,    {"MEAN", ""},        {true, false},  {0, 0}},
}};
const std::array<const char*, 10> PARAMETER_KEYWORDS = {
    "MEAN", "VAR", "DF", "DF1", "DF2", "SHAPE", "SCALE", "SHAPE2", "N", "P"};
// clang-format on

std::string short_value(Real v) {
    return trim_blanks(fmt_G(v, 20, 10));
}

// The family and its parameters from the options; false after an error line.
bool read_family(Run& run, const OptionValues& o, FamilyParameters& d, std::string& title) {
    const std::string word = trim_trailing_blanks(o.name("TYPE"));
    const FamilyWord* chosen = nullptr;
    for (const FamilyWord& f : FAMILY_WORDS)
        if (word == f.word) chosen = &f;
    if (chosen == nullptr) {
        distrib_error(run,
                      "TYPE=" + word +
                          " IS NOT A DISTRIBUTION: NORMAL, T, F, CHISQ, GAMMA, BETA, BINOMIAL "
                          "OR POISSON",
                      DISTRIB_UNKNOWN_TYPE);
        return false;
    }
    for (const char* keyword : PARAMETER_KEYWORDS) {
        const bool belongs = chosen->parameters[0] == std::string(keyword) ||
                             chosen->parameters[1] == std::string(keyword);
        if (o.real_given(keyword) && !belongs) {
            distrib_error(run,
                          "OPTION " + std::string(keyword) + "= DOES NOT APPLY TO TYPE=" + word,
                          DISTRIB_NOT_APPLICABLE);
            return false;
        }
    }
    std::array<Real, 2> value = chosen->defaults;
    title = " " + word + " DISTRIBUTION";
    for (int k = 0; k < 2; ++k) {
        const std::string keyword = chosen->parameters[std::size_t(k)];
        if (keyword.empty()) continue;
        if (o.real_given(keyword)) {
            value[std::size_t(k)] = o.real(keyword);
        } else if (chosen->required[std::size_t(k)]) {
            distrib_error(run, "TYPE=" + word + " NEEDS " + keyword + "=",
                          DISTRIB_PARAMETER_NEEDED);
            return false;
        }
        title += (k == 0 ? ": " : ", ") + keyword + "=" + short_value(value[std::size_t(k)]);
    }
    d = {chosen->family, value[0], value[1]};
    if (!dist::parameters_valid(d)) {
        distrib_error(run,
                      "THE PARAMETERS OF TYPE=" + word +
                          " ARE OUTSIDE THEIR RANGE:" + title.substr(title.find(':') + 1),
                      DISTRIB_BAD_PARAMETER);
        return false;
    }
    return true;
}

// One listed item: its name and the observations (or the single element) it holds.
struct DistribItem {
    std::string name;
    std::vector<int> obs; // empty for a single value
    std::vector<Real> values;
    long long length = 0;
};

bool read_item(Run& run, int item, DistribItem& out) {
    int ref = run.scan.ref(item);
    const bool lagged = ref < MARK_BASE || run.scan.lag(item) != 0;
    if (ref < MARK_BASE) ref = MARK_BASE - ref;
    VarInfo info;
    const bool named = ref > 0 && ref <= run.ws.NVARS;
    out.name = named ? trim_trailing_blanks(run.ws.VNAME[ref]) : "ITEM " + std::to_string(item);
    if (lagged || ref == 0 || (ref > 0 && !named) || !VINFO(run, ref, info) ||
        (info.scalar == 0 && info.type != TYPE_DATA)) {
        distrib_error(run, out.name + " IS NOT A SERIES OR A NUMBER", DISTRIB_NOT_VALUES);
        return false;
    }
    if (ref < 0) out.name = "$" + std::to_string(-ref);
    out.length = info.length;
    if (info.scalar != 0 || info.length == 1) {
        out.values.push_back(element(run, info, 1));
        return true;
    }
    long long first = run.smpl.IBEG, last = run.smpl.IEND;
    if (last < first) first = 1, last = info.length;
    for (long long t = std::max(1LL, first); t <= std::min(last, info.length); ++t)
        if (obs_in_use(run, int(t))) {
            out.obs.push_back(int(t));
            out.values.push_back(element(run, info, t));
        }
    return true;
}

bool store_distrib_series(Run& run, const std::string& name, const DistribItem& item,
                          const std::vector<Real>& values) {
    const std::string target = trim_trailing_blanks(name);
    if (target.empty()) return true;
    int ref = 0;
    NEWVAR(run, target, 1, TYPE_DATA, item.length, 1, ref);
    VarInfo info;
    if (ref == 0 || !VINFO(run, ref, info)) return false;
    fit_variable_shape(run, ref, item.length, 1);
    for (long long t = 1; t <= item.length; ++t) element(run, info, t) = run.ws.XMISS;
    for (std::size_t i = 0; i < item.obs.size(); ++i) element(run, info, item.obs[i]) = values[i];
    return true;
}

} // namespace

void cmd_distrib(Run& run) {
    OptionDefaults defaults(run.opt, DISTRIB_TABLE);
    defaults.name("TYPE", "NORMAL");
    if (!OPTION(run, DISTRIB_TABLE)) return;
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    const OptionValues o(run.opt, DISTRIB_TABLE);
    FamilyParameters d;
    std::string title;
    if (!read_family(run, o, d, title)) return;
    if (run.scan.NF == 0)
        return distrib_error(run, "DISTRIB NEEDS VALUES: DISTRIB list / TYPE=...",
                             DISTRIB_NO_VALUES);
    const bool inverse = o.on("INVERSE");
    const bool outputs = !trim_trailing_blanks(o.name("PDF")).empty() ||
                         !trim_trailing_blanks(o.name("CDF")).empty() ||
                         !trim_trailing_blanks(o.name("CRIT")).empty();
    std::vector<DistribItem> items(std::size_t(run.scan.NF));
    for (int k = 1; k <= run.scan.NF; ++k)
        if (!read_item(run, k, items[std::size_t(k - 1)])) return;
    if (outputs && (items.size() != 1 || items[0].obs.empty()))
        return distrib_error(run, "PDF=, CDF= AND CRIT= STORE SERIES: LIST ONE SERIES",
                             DISTRIB_OUTPUT_ONE);
    if (inverse)
        for (const DistribItem& item : items)
            for (Real p : item.values)
                if (!(p >= 0 && p <= 1)) {
                    distrib_error(run,
                                  "INVERSE NEEDS PROBABILITIES: " + item.name + " HOLDS " +
                                      short_value(p),
                                  DISTRIB_BAD_PROBABILITY);
                    return;
                }

    const bool show = run.flags.OPUT;
    if (show) {
        write_line(run, title);
        write_line(run, inverse ? "   NAME      OBS         PROBABILITY             CRITICAL VALUE"
                                : "   NAME      OBS               VALUE                    DENSITY"
                                  "               DISTRIBUTION                 UPPER TAIL");
    }
    for (const DistribItem& item : items) {
        std::vector<Real> first(item.values.size()), second(item.values.size());
        for (std::size_t i = 0; i < item.values.size(); ++i) {
            const Real x = item.values[i];
            if (inverse) {
                first[i] = dist::family_quantile(d, x);
                run.res[R_CRIT] = first[i];
            } else {
                first[i] = dist::family_density(d, x);
                second[i] = dist::family_lower(d, x);
                run.res[R_PDF] = first[i];
                run.res[R_CDF] = second[i];
            }
            if (!show) continue;
            std::string line = " " +
                               (item.name + std::string(8, ' '))
                                   .substr(0, std::max<std::size_t>(8, item.name.size())) +
                               "  " + (item.obs.empty() ? fmt_X(7) : fmt_I(item.obs[i], 7)) +
                               fmt_G(x, 27, 19) + fmt_G(first[i], 27, 19);
            if (!inverse)
                line += fmt_G(second[i], 27, 19) + fmt_G(dist::family_upper(d, x), 27, 19);
            write_line(run, line);
        }
        if (inverse) {
            if (!store_distrib_series(run, o.name("CRIT"), item, first)) return;
        } else if (!store_distrib_series(run, o.name("PDF"), item, first) ||
                   !store_distrib_series(run, o.name("CDF"), item, second)) {
            return;
        }
    }
}

} // namespace tarvex
