// The coefficient covariance an estimation reports beside its classical one: a
// heteroskedasticity-consistent type HC1, HC2 or HC3, or the covariance clustered by the codes
// of a variable (with the correction G/(G-1) (N-1)/(N-K), or without it under CLHC0). OLS reads
// these words from its option words before its fixed table parses them; the other estimators
// carry them in their tables. This file also reads the cluster codes and words the report note.
#pragma once

#include "kernels/sandwich_covariance.hpp"
#include "regress/fit/model_result.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

struct CovarianceChoice {
    HeteroskedasticType type = HeteroskedasticType::HC0;
    bool typed_hc = false;      // HC1, HC2 or HC3 was given
    std::string cluster;        // the cluster variable's name; empty: not clustered
    bool cluster_adjust = true; // the small-sample correction (off under CLHC0)
    bool clustered() const { return !cluster.empty(); }
    bool chosen() const { return typed_hc || clustered(); }
};

// The rows grouped by cluster: `group[i]` the cluster of row i, `groups` their count.
struct ClusterRows {
    std::vector<int> group;
    int groups = 0;
};

// Takes the whole words HC1, HC2, HC3, CLHC0 and "CLUSTER = name" out of the option words (a
// word after "=" is a value and stays). False, with the error reported, when two types are
// given or CLUSTER has no name.
bool take_covariance_words(Run& run, CovarianceChoice& choice);

// The choice from an estimator's own switches and its CLUSTER name option (blank: none). False,
// with the error reported, when two types are given.
bool covariance_from_options(Run& run, bool hc1, bool hc2, bool hc3, bool clhc0,
                             const std::string& cluster, CovarianceChoice& choice);

// Refuses the choice beside an option it cannot go with (`other` names it; empty: none).
bool refuse_covariance_with(Run& run, const CovarianceChoice& choice, const std::string& other);

// The cluster codes of the variable at the observations `obs`; a failure when the variable does
// not exist, holds the missing-value code at a row in use, or gives fewer than 2 clusters.
EstimationFailure read_cluster_rows(Run& run, const CovarianceChoice& choice,
                                    const std::vector<int>& obs, ClusterRows& rows);

// Reads the cluster codes when the choice clusters (read_cluster_rows); false after reporting
// its failure. True at once when the covariance is not clustered.
bool read_clusters_or_report(Run& run, const CovarianceChoice& choice, const std::vector<int>& obs,
                             ClusterRows& rows);

// The note that says which covariance the report shows.
std::string covariance_note(const CovarianceChoice& choice, int groups);

// The clustered covariance's factor for N rows and K parameters.
Real cluster_factor(const CovarianceChoice& choice, int groups, int n, int k);

} // namespace tarvex
