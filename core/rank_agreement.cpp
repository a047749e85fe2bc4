// The agreement of the ranks on a step's outcome, and the recording of the step's first error.
#include "core/rank_agreement.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"

namespace tarvex {

namespace {

// One process: the step's own outcome stands.
void own_outcome(StepOutcome&) {}

RankAgreement agreement_in_use = &own_outcome;

} // namespace

void set_rank_agreement(RankAgreement agreement) {
    agreement_in_use = agreement != nullptr ? agreement : &own_outcome;
}

AgreedStep::AgreedStep(Run& run) : run_(run) {
    run_.step_errors = StepErrors{};
    run_.step_errors.recording = true;
}

AgreedStep::~AgreedStep() {
    run_.step_errors = StepErrors{};
}

bool AgreedStep::agree_failed(const std::string& unexplained) {
    if (run_.step_errors.line.empty()) run_.step_errors.line = unexplained;
    return agree(false);
}

bool AgreedStep::agree(bool ok, long long count, const CountsLine& differ, int number) {
    StepOutcome outcome{ok, run_.step_errors.line, run_.step_errors.number, count, {}};
    run_.step_errors.recording = false;
    agreement_in_use(outcome);
    if (outcome.ok) return true;
    if (!outcome.counts.empty()) {
        report_error(run_, differ ? differ(outcome.counts) : std::string(), number);
    } else if (ok) {
        report_error(run_, outcome.line, outcome.number);
    } else if (outcome.number != 0 && outcome.number != run_.step_errors.number) {
        report_error(run_, "", outcome.number); // the line is this rank's own, already written
    }
    return false;
}

} // namespace tarvex
