// Reading the covariance choice, the cluster codes, and the report's covariance note.
#include "regress/fit/covariance_choice.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/text.hpp"
#include "regress/fit/estimator_front.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

namespace {

// The messages' sequences, numbered by the command giving them.
constexpr int COVARIANCE_CONFLICT_SEQUENCE = 94;
constexpr int CLUSTER_VARIABLE_SEQUENCE = 95;
constexpr int CLUSTER_MISSING_SEQUENCE = 96;
constexpr int CLUSTER_TOO_FEW_SEQUENCE = 97;
constexpr int CLHC0_ALONE_SEQUENCE = 98;
constexpr int CLUSTER_NO_NAME_SEQUENCE = 99;

const char* type_word(HeteroskedasticType t) {
    switch (t) {
    case HeteroskedasticType::HC1:
        return "HC1";
    case HeteroskedasticType::HC2:
        return "HC2";
    case HeteroskedasticType::HC3:
        return "HC3";
    default:
        return "HC0";
    }
}

bool conflict(Run& run, const std::string& first, const std::string& second) {
    report_error(run, " ...ERROR..OPTION " + first + " CANNOT BE COMBINED WITH " + second,
                 command_error_number(run, COVARIANCE_CONFLICT_SEQUENCE));
    return false;
}

// Sets the type once; a second type, or a type beside CLUSTER, is refused.
bool set_type(Run& run, CovarianceChoice& c, HeteroskedasticType t) {
    if (c.typed_hc) return conflict(run, type_word(c.type), type_word(t));
    c.type = t;
    c.typed_hc = true;
    return true;
}

std::string word_at(const ScanBlock& scan, int k) {
    return upper_ascii(
        trim_trailing_blanks(scan.full_words[k].empty() ? scan.words[k] : scan.full_words[k]));
}

void remove_words(ScanBlock& scan, int k, int count) {
    for (int j = k; j + count <= scan.NOPS; ++j) {
        scan.words[j] = scan.words[j + count];
        scan.full_words[j] = scan.full_words[j + count];
    }
    scan.NOPS -= count;
}

bool clhc0_alone(Run& run) {
    report_error(run, " ...ERROR..OPTION CLHC0 NEEDS CLUSTER= A VARIABLE",
                 command_error_number(run, CLHC0_ALONE_SEQUENCE));
    return false;
}

bool check_combination(Run& run, const CovarianceChoice& c) {
    if (c.clustered() && c.typed_hc) return conflict(run, "CLUSTER", type_word(c.type));
    return true;
}

} // namespace

bool take_covariance_words(Run& run, CovarianceChoice& choice) {
    ScanBlock& scan = run.scan;
    bool clhc0 = false;
    for (int k = 1; k <= scan.NOPS;) {
        const bool is_value = k > 1 && word_at(scan, k - 1) == "=";
        const std::string w = word_at(scan, k);
        if (is_value) {
            ++k;
            continue;
        }
        if (w == "HC1" || w == "HC2" || w == "HC3") {
            const HeteroskedasticType t = w == "HC1"   ? HeteroskedasticType::HC1
                                          : w == "HC2" ? HeteroskedasticType::HC2
                                                       : HeteroskedasticType::HC3;
            if (!set_type(run, choice, t)) return false;
            remove_words(scan, k, 1);
        } else if (w == "CLHC0") {
            clhc0 = true;
            remove_words(scan, k, 1);
        } else if (w == "CLUSTER" && k + 1 <= scan.NOPS && word_at(scan, k + 1) == "=") {
            if (k + 2 > scan.NOPS || word_at(scan, k + 2) == "=") {
                report_error(run, " ...ERROR..CLUSTER NEEDS THE NAME OF A VARIABLE",
                             command_error_number(run, CLUSTER_NO_NAME_SEQUENCE));
                return false;
            }
            choice.cluster = word_at(scan, k + 2);
            remove_words(scan, k, 3);
        } else {
            ++k;
        }
    }
    if (clhc0 && !choice.clustered()) return clhc0_alone(run);
    choice.cluster_adjust = !clhc0;
    return check_combination(run, choice);
}

bool covariance_from_options(Run& run, bool hc1, bool hc2, bool hc3, bool clhc0,
                             const std::string& cluster, CovarianceChoice& choice) {
    if (hc1 && !set_type(run, choice, HeteroskedasticType::HC1)) return false;
    if (hc2 && !set_type(run, choice, HeteroskedasticType::HC2)) return false;
    if (hc3 && !set_type(run, choice, HeteroskedasticType::HC3)) return false;
    choice.cluster = upper_ascii(trim_trailing_blanks(cluster));
    if (clhc0 && !choice.clustered()) return clhc0_alone(run);
    choice.cluster_adjust = !clhc0;
    return check_combination(run, choice);
}

bool refuse_covariance_with(Run& run, const CovarianceChoice& choice, const std::string& other) {
    if (!choice.chosen() || other.empty()) return true;
    return conflict(run, choice.clustered() ? "CLUSTER" : type_word(choice.type), other);
}

EstimationFailure read_cluster_rows(Run& run, const CovarianceChoice& choice,
                                    const std::vector<int>& obs, ClusterRows& rows) {
    const int ref = VFIND(run, choice.cluster);
    const SeriesReader codes(run, ref);
    if (ref <= 0 || !codes.ok())
        return {" ...ERROR..CLUSTER VARIABLE " + choice.cluster + " DOES NOT EXIST",
                command_error_number(run, CLUSTER_VARIABLE_SEQUENCE)};
    std::vector<Real> values(obs.size());
    for (std::size_t i = 0; i < obs.size(); ++i) {
        values[i] = codes.at(run, obs[i], run.ws.XMISS);
        if (values[i] == run.ws.XMISS)
            return {" ...ERROR..CLUSTER VARIABLE " + choice.cluster +
                        " IS MISSING AT OBSERVATION " + std::to_string(obs[i]),
                    command_error_number(run, CLUSTER_MISSING_SEQUENCE)};
    }
    rows.groups = group_rows_by_code(values, rows.group);
    if (rows.groups < 2)
        return {" ...ERROR..CLUSTER NEEDS AT LEAST 2 CLUSTERS; " + choice.cluster + " GIVES " +
                    std::to_string(rows.groups),
                command_error_number(run, CLUSTER_TOO_FEW_SEQUENCE)};
    return {};
}

bool read_clusters_or_report(Run& run, const CovarianceChoice& choice, const std::vector<int>& obs,
                             ClusterRows& rows) {
    if (!choice.clustered()) return true;
    const EstimationFailure f = read_cluster_rows(run, choice, obs, rows);
    if (f.line.empty()) return true;
    report_estimation_failure(run, f);
    return false;
}

std::string covariance_note(const CovarianceChoice& choice, int groups) {
    if (choice.clustered())
        return " USING COVARIANCE CLUSTERED BY " + choice.cluster + " (" + std::to_string(groups) +
               " CLUSTERS" + (choice.cluster_adjust ? ")" : ", NO CORRECTION)");
    return std::string(" USING ") + type_word(choice.type) +
           " HETEROSKEDASTICITY-CONSISTENT COVARIANCE MATRIX";
}

Real cluster_factor(const CovarianceChoice& choice, int groups, int n, int k) {
    return choice.cluster_adjust ? cluster_correction(groups, n, k) : Real(1);
}

} // namespace tarvex
