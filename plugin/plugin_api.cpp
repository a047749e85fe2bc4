// The engine's side of the plug-in interface: each call reads or changes the run on behalf of
// the command function. No exception leaves a call (the plug-in may be C): one is kept in the
// statement and raised again once the function has returned.
#include "plugin/plugin_statement.hpp"

#include "core/error_report.hpp"
#include "core/host_link.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "plugin/user_errors.hpp"
#include "regress/fit/output_variables.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <cctype>

namespace tarvex {

namespace {

constexpr std::size_t NAME_LONGEST = 8;
constexpr int REPORT_LINE_LONGEST = 130;

template <typename Result, typename Body>
Result guarded(tarvex_statement* st, Result failed, Body body) {
    if (st == nullptr || st->pending) return failed;
    try {
        return body(*st->run);
    } catch (...) {
        st->pending = std::current_exception();
        return failed;
    }
}

// The observations of the current sample: those from its first to its last that are in use.
std::vector<int> sample_observations(const Run& run) {
    std::vector<int> obs;
    for (int t = run.smpl.IBEG; t <= run.smpl.IEND; ++t)
        if (obs_in_use(run, t)) obs.push_back(t);
    return obs;
}

// A name a plug-in may store under: 1 to 8 letters and digits beginning with a letter.
bool plugin_name_ok(tarvex_statement& st, const std::string& name) {
    bool ok = !name.empty() && name.size() <= NAME_LONGEST && NAMCHK(name) == 1;
    for (char c : name) ok = ok && std::isalnum(static_cast<unsigned char>(c));
    if (!ok) {
        report_error(*st.run,
                     " ...ERROR..USER COMMAND " + st.word + " GAVE THE INVALID NAME '" + name +
                         "' TO STORE",
                     command_error_number(*st.run, PLUGIN_BAD_NAME));
        st.error_reported = true;
    }
    return ok;
}

int api_argument_count(tarvex_statement* st) {
    return st == nullptr ? 0 : int(st->words.arguments.size());
}

const char* api_argument(tarvex_statement* st, int index) {
    if (st == nullptr || index < 0 || index >= int(st->words.arguments.size())) return nullptr;
    return st->words.arguments[std::size_t(index)].c_str();
}

const char* api_option(tarvex_statement* st, const char* keyword) {
    if (st == nullptr || keyword == nullptr) return nullptr;
    const std::string wanted = upper_ascii(keyword);
    for (const auto& [key, value] : st->words.options)
        if (key == wanted) return value.c_str();
    return nullptr;
}

int api_sample_size(tarvex_statement* st) {
    return guarded(st, 0, [](Run& run) { return int(sample_observations(run).size()); });
}

int api_read_series(tarvex_statement* st, const char* name, tarvex_real* values, int capacity) {
    return guarded(st, -1, [&](Run& run) {
        const int ref = name == nullptr ? 0 : VFIND(run, name);
        VarInfo info;
        int column = 0;
        if (ref <= 0 || variable_info(run.ws, ref, info, column) != VarStatus::FOUND ||
            info.type == TYPE_CHAR_STRING || info.type == TYPE_CHAR_VAR)
            return -1;
        const std::vector<int> obs = sample_observations(run);
        if (int(obs.size()) > capacity) return -2;
        const SeriesReader series(run, ref);
        for (std::size_t i = 0; i < obs.size(); ++i)
            values[i] = series.at(run, obs[i], run.ws.XMISS);
        return int(obs.size());
    });
}

int api_store_series(tarvex_statement* st, const char* name, const tarvex_real* values, int count) {
    return guarded(st, -1, [&](Run& run) {
        const std::string wanted = name == nullptr ? "" : upper_ascii(name);
        if (!plugin_name_ok(*st, wanted)) return -1;
        const std::vector<int> obs = sample_observations(run);
        if (count != int(obs.size()) || (count > 0 && values == nullptr)) {
            report_error(run,
                         " ...ERROR..USER COMMAND " + st->word + " STORED " +
                             std::to_string(count) + " VALUES IN " + wanted + ", THE SAMPLE HAS " +
                             std::to_string(obs.size()),
                         command_error_number(run, PLUGIN_STORE_COUNT));
            st->error_reported = true;
            return -1;
        }
        const std::vector<Real> stored(values, values + count);
        if (!store_by_observation(run, wanted, run.smpl.IEND, obs, stored)) {
            st->error_reported = true;
            return -1;
        }
        return 0;
    });
}

int api_read_scalar(tarvex_statement* st, const char* name, tarvex_real* value) {
    return guarded(st, -1, [&](Run& run) {
        const int ref = name == nullptr ? 0 : VFIND(run, name);
        VarInfo info;
        int column = 0;
        if (ref == 0 || variable_info(run.ws, ref, info, column) != VarStatus::FOUND ||
            info.length != 1 || info.type == TYPE_CHAR_STRING || info.type == TYPE_CHAR_VAR)
            return -1;
        *value = element(run, info, 1);
        return 0;
    });
}

int api_store_scalar(tarvex_statement* st, const char* name, tarvex_real value) {
    return guarded(st, -1, [&](Run& run) {
        const std::string wanted = name == nullptr ? "" : upper_ascii(name);
        if (!plugin_name_ok(*st, wanted)) return -1;
        if (!store_vector(run, wanted, {value})) {
            st->error_reported = true;
            return -1;
        }
        return 0;
    });
}

tarvex_real api_missing_value(tarvex_statement* st) {
    return guarded(st, Real(-99999), [](Run& run) { return run.ws.XMISS; });
}

int api_write_line(tarvex_statement* st, const char* text) {
    return guarded(st, -1, [&](Run& run) {
        std::string line = text == nullptr ? "" : text;
        if (line.size() > std::size_t(REPORT_LINE_LONGEST)) line.resize(REPORT_LINE_LONGEST);
        write_line(run, line);
        return 0;
    });
}

const char* api_format_real(tarvex_statement* st, tarvex_real value, int width, int digits) {
    return guarded(st, static_cast<const char*>(""), [&](Run&) {
        const int w = std::clamp(width, 1, REPORT_LINE_LONGEST);
        const int d = std::clamp(digits, 1, std::max(1, w - 1));
        st->formatted = fmt_G(value, w, d);
        return st->formatted.c_str();
    });
}

void api_report_error(tarvex_statement* st, const char* text, int number) {
    guarded(st, 0, [&](Run& run) {
        const int own = std::clamp(number, 1, PLUGIN_OWN_LAST);
        report_error(run, " ...ERROR.." + std::string(text == nullptr ? "" : text),
                     command_error_number(run, own));
        st->error_reported = true;
        return 0;
    });
}

const tarvex_api PLUGIN_API = {
    TARVEX_PLUGIN_INTERFACE_VERSION,
    api_argument_count,
    api_argument,
    api_option,
    api_sample_size,
    api_read_series,
    api_store_series,
    api_read_scalar,
    api_store_scalar,
    api_missing_value,
    api_write_line,
    api_format_real,
    api_report_error,
};

} // namespace

const tarvex_api& plugin_api() {
    return PLUGIN_API;
}

} // namespace tarvex
