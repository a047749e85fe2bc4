// DUMMIES: one 0/1 series per category of a variable, named from the variable and the
// category's label, with one category left out unless ALL keeps them all. The dummies hold the
// missing code where the variable is missing, over every observation of the variable.
#include "interp/dummies_command.hpp"

#include "core/error_report.hpp"
#include "core/item_lines.hpp"
#include "core/run.hpp"
#include "interp/dummies_categories.hpp"
#include "numeric/text.hpp"
#include "options/option_access.hpp"
#include "options/options.hpp"
#include "workspace/workspace.hpp"

#include <set>

namespace tarvex {

namespace {

// Sequences of DUMMIES' own $ERR numbers (the command's slot x 1000 + sequence).
enum DummiesError : int {
    DUMMIES_ONE_VARIABLE = 1, // none or more than one variable named
    DUMMIES_NOT_SERIES = 2,   // a matrix, a string or a result scalar
    DUMMIES_TOO_MANY = 3,     // a series without labels with too many distinct values
    DUMMIES_NO_VALUES = 4,    // every observation missing
    DUMMIES_BAD_OMIT = 5,     // OMIT outside 1..K
    DUMMIES_ALL_AND_OMIT = 6, // ALL together with OMIT
};

constexpr std::size_t DUMMY_NAME_LENGTH = 8;
constexpr std::size_t NAME_PREFIX_LENGTH = 3;

// clang-format off
const OptionTable DUMMIES_TABLE = {
    {
        //  #  keyword    effect
        "ALL",      //  1 switch  a dummy for every category (none left out)
        "OMIT",     //  2 integer the category left out (1, the first, by default)
    },
    1, 1, 0, 0};
// clang-format on

void dummies_error(Run& run, const std::string& text, int sequence) {
    report_error(run, " ...ERROR.." + text, command_error_number(run, sequence));
}

// The name of a dummy: the first letters of the variable, then the label in capitals without
// the characters a name cannot hold (the category number when none is left), cut to 8.
std::string dummy_base_name(const std::string& variable, const std::string& label, int category) {
    std::string clean;
    for (char c : upper_ascii(label))
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_') clean += c;
    if (clean.empty()) clean = std::to_string(category);
    return (variable.substr(0, NAME_PREFIX_LENGTH) + clean).substr(0, DUMMY_NAME_LENGTH);
}

// A name no variable has and no dummy made now takes: the base name, else its first letters
// followed by 2, 3, ...
std::string free_dummy_name(Run& run, const std::string& base, const std::set<std::string>& taken) {
    auto is_free = [&](const std::string& name) {
        return taken.count(name) == 0 && VFIND(run, name) == 0;
    };
    if (is_free(base)) return base;
    for (int n = 2;; ++n) {
        const std::string digits = std::to_string(n);
        const std::string name = base.substr(0, DUMMY_NAME_LENGTH - digits.size()) + digits;
        if (is_free(name)) return name;
    }
}

// The variable named, as a slot; 0 after an error line.
int dummies_variable(Run& run, std::string& name) {
    if (run.scan.NF != 1) {
        dummies_error(run, "DUMMIES TAKES ONE VARIABLE", DUMMIES_ONE_VARIABLE);
        return 0;
    }
    int ref = run.scan.ref(1);
    if (ref < MARK_BASE) ref = MARK_BASE - ref;
    VarInfo info;
    if (ref <= 0 || ref > run.ws.NVARS || !VINFO(run, ref, info) ||
        (info.type != TYPE_DATA && info.type != TYPE_CHAR_VAR)) {
        dummies_error(run, "DUMMIES NEEDS A SERIES OR A CHARACTER VARIABLE", DUMMIES_NOT_SERIES);
        return 0;
    }
    name = trim_trailing_blanks(run.ws.VNAME[ref]);
    return ref;
}

} // namespace

void cmd_dummies(Run& run) {
    OptionDefaults defaults(run.opt, DUMMIES_TABLE);
    if (!OPTION(run, DUMMIES_TABLE)) return;
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    const OptionValues options(run.opt, DUMMIES_TABLE);
    std::string variable;
    const int slot = dummies_variable(run, variable);
    if (slot == 0) return;
    Categories categories;
    if (!find_categories(run, slot, categories)) {
        if (categories.distinct_values > 0)
            dummies_error(run,
                          variable + " HAS " + std::to_string(categories.distinct_values) +
                              " DISTINCT VALUES: AT MOST " +
                              std::to_string(DUMMIES_MAX_CATEGORIES) + " MAKE DUMMIES",
                          DUMMIES_TOO_MANY);
        return;
    }
    const int count = static_cast<int>(categories.labels.size());
    if (count == 0)
        return dummies_error(run, variable + " HOLDS NO VALUE THAT IS NOT MISSING",
                             DUMMIES_NO_VALUES);
    const bool keep_all = options.on("ALL");
    if (keep_all && options.given("OMIT"))
        return dummies_error(run, "ALL KEEPS EVERY CATEGORY: DO NOT GIVE OMIT TOO",
                             DUMMIES_ALL_AND_OMIT);
    const int omit = options.given("OMIT") ? options.integer("OMIT") : 1;
    if (!keep_all && (omit < 1 || omit > count))
        return dummies_error(run,
                             "OMIT=" + std::to_string(omit) + " IS NOT A CATEGORY OF " + variable +
                                 " (1 TO " + std::to_string(count) + ")",
                             DUMMIES_BAD_OMIT);

    const bool notes = run.flags.OPUT;
    std::set<std::string> taken;
    std::vector<std::string> made;
    const long long length = static_cast<long long>(categories.of_obs.size());
    for (int k = 0; k < count; ++k) {
        if (!keep_all && k + 1 == omit) continue;
        const std::string base = dummy_base_name(variable, categories.labels[k], k + 1);
        const std::string name = free_dummy_name(run, base, taken);
        if (name != base && notes)
            write_line(run, " ...NOTE.." + base + " IS TAKEN: THE DUMMY OF " +
                                categories.labels[k] + " IS NAMED " + name);
        int ref = 0;
        NEWVAR(run, name, 1, TYPE_DATA, length, 1, ref);
        VarInfo info;
        if (ref == 0 || !VINFO(run, ref, info)) return;
        for (long long t = 1; t <= length; ++t) {
            const int of = categories.of_obs[t - 1];
            element(run, info, t) = of < 0 ? run.ws.XMISS : Real(of == k ? 1 : 0);
        }
        taken.insert(name);
        made.push_back(name + "=" + categories.labels[k]);
    }
    run.res[R_K] = static_cast<Real>(made.size());
    if (!notes) return;
    write_line(run, " ...NOTE..DUMMIES OF " + variable + " (" + std::to_string(count) +
                        " CATEGORIES): " +
                        (keep_all ? std::string("NONE LEFT OUT")
                                  : categories.labels[omit - 1] + " (CATEGORY " +
                                        std::to_string(omit) + ") LEFT OUT"));
    write_item_lines(run, " ...NOTE.." + std::to_string(made.size()) + " MADE:", made);
}

} // namespace tarvex
