// The NIST StRD linear regression sets as the least-squares tests read them: the eleven sets
// with their models, the certified and exact values, and each set's regressors (the powers of x
// formed by repeated products in binary128, as a regression would; Longley's six columns as
// they stand) and y.
#pragma once

#include "numeric/decimal.hpp"
#include "numeric/real.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace tarvex::testing {

struct StrdModel {
    const char* name;
    int degree;     // polynomial degree in x (Longley: its six regressors)
    bool intercept; // the intercept is the last regressor; the files number it 0
};

inline const StrdModel STRD_MODELS[] = {
    {"Norris", 1, true},   {"Pontius", 2, true},  {"NoInt1", 1, false},  {"NoInt2", 1, false},
    {"Filip", 10, true},   {"Longley", 6, true},  {"Wampler1", 5, true}, {"Wampler2", 5, true},
    {"Wampler3", 5, true}, {"Wampler4", 5, true}, {"Wampler5", 5, true},
};

inline std::string strd_path(const std::string& file) {
    return std::string(TARVEX_TEST_DATA_DIR) + "/strd/" + file;
}

// set, kind and index -> value, from certified.tsv or exact.tsv.
inline std::map<std::string, Real> read_strd_values(const std::string& file) {
    std::map<std::string, Real> values;
    std::ifstream in(strd_path(file));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string set, kind, index, text;
        fields >> set >> kind >> index >> text;
        Real value = 0;
        EXPECT_TRUE(parse_real_field(text, value)) << line;
        values[set + " " + kind + " " + index] = value;
    }
    return values;
}

// One set's data: x[j][i] is regressor j (without the intercept) at observation i.
struct StrdData {
    std::vector<std::vector<Real>> x;
    std::vector<Real> y;
};

inline StrdData read_strd_data(const StrdModel& model) {
    std::ifstream in(strd_path(std::string(model.name) + ".txt"));
    StrdData out;
    out.x.resize(static_cast<std::size_t>(model.degree));
    const bool longley = std::string(model.name) == "Longley";
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::vector<Real> row;
        std::string text;
        while (fields >> text) {
            Real value = 0;
            EXPECT_TRUE(parse_real_field(text, value)) << text;
            row.push_back(value);
        }
        if (row.empty()) continue;
        out.y.push_back(row[0]);
        Real power = 1;
        for (int j = 0; j < model.degree; ++j) {
            power *= row[1];
            out.x[j].push_back(longley ? row[j + 1] : power);
        }
    }
    return out;
}

} // namespace tarvex::testing
