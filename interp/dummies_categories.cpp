// The categories of a variable for DUMMIES, from its labels, its texts or its values.
#include "interp/dummies_categories.hpp"

#include "core/run.hpp"
#include "io/char_words.hpp"
#include "numeric/fortran_format.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <map>

namespace tarvex {

namespace {

// A value as a category label: an integer without decimals, else 8 significant digits.
std::string value_label(Real value) {
    const Real whole = floorq(value);
    if (whole == value && fabsq(value) < Real(1e15))
        return std::to_string(static_cast<long long>(whole));
    std::string text = fmt_G(value, 16, 8);
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// Codes 1..K of the labels: every value that is not missing must be one of them.
bool codes_of_labels(const std::vector<Real>& values, Real missing, std::size_t count,
                     std::vector<int>& of_obs) {
    of_obs.assign(values.size(), -1);
    for (std::size_t t = 0; t < values.size(); ++t) {
        const Real v = values[t];
        if (v == missing) continue;
        if (v != floorq(v) || v < 1 || v > Real(count)) return false;
        of_obs[t] = static_cast<int>(v) - 1;
    }
    return true;
}

template <typename Key, typename LabelOf>
void sorted_distinct(const std::vector<Key>& keys, const std::vector<bool>& missing,
                     LabelOf label_of, Categories& out) {
    std::map<Key, int> index;
    for (std::size_t t = 0; t < keys.size(); ++t)
        if (!missing[t]) index.emplace(keys[t], 0);
    int next = 0;
    for (auto& [key, at] : index) {
        at = next++;
        out.labels.push_back(label_of(key));
    }
    out.of_obs.assign(keys.size(), -1);
    for (std::size_t t = 0; t < keys.size(); ++t)
        if (!missing[t]) out.of_obs[t] = index[keys[t]];
}

} // namespace

bool find_categories(Run& run, int slot, Categories& out) {
    VarInfo info;
    if (!VINFO(run, slot, info)) return false;
    std::vector<Real> values(static_cast<std::size_t>(info.length));
    for (long long t = 1; t <= info.length; ++t) values[t - 1] = element(run, info, t);
    const Real missing_code = run.ws.XMISS;
    if (info.type == TYPE_CHAR_VAR) {
        out.source = Categories::Source::CHARACTERS;
        std::vector<std::string> texts;
        std::vector<bool> missing;
        for (Real v : values) {
            std::string text = element_to_chars(v);
            text.erase(text.find_last_not_of(' ') + 1);
            text.erase(0, std::min(text.size(), text.find_first_not_of(' ')));
            missing.push_back(text.empty());
            texts.push_back(std::move(text));
        }
        sorted_distinct(
            texts, missing, [](const std::string& s) { return s; }, out);
        return true;
    }
    const auto labels = run.ws.value_labels.find(run.ws.VNAME[slot]);
    if (labels != run.ws.value_labels.end() &&
        codes_of_labels(values, missing_code, labels->second.size(), out.of_obs)) {
        out.source = Categories::Source::LABELS;
        out.labels = labels->second;
        return true;
    }
    out.source = Categories::Source::VALUES;
    std::vector<bool> missing;
    for (Real v : values) missing.push_back(v == missing_code);
    sorted_distinct(values, missing, value_label, out);
    if (static_cast<int>(out.labels.size()) > DUMMIES_MAX_CATEGORIES) {
        out.distinct_values = static_cast<long long>(out.labels.size());
        return false;
    }
    return true;
}

} // namespace tarvex
