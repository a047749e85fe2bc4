// Steps whose outcome may differ between the ranks of a run over several processes: opening and
// binding a file that one machine lacks or holds differently. Each rank records the first error
// such a step reports, then the ranks agree on the outcome before anything is kept, so that
// every rank goes on with the same work area and runs the same statements (a rank left without
// the series the others bound would take other paths and leave them waiting). The engine's entry
// point installs the agreement of the parallel layer; in one process the step's own outcome
// stands.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tarvex {

struct Run;

// A step's outcome on this rank.
struct StepOutcome {
    bool ok = true;
    std::string line;              // the error line the failed step reported
    int number = 0;                // the $ERR number it stored
    long long count = 0;           // what every rank must have found alike (the rows of a file)
    std::vector<long long> counts; // every rank's count, in rank order, when they differ
};

// Replaces `outcome` by the agreed one: ok on every rank only when the step succeeded on every
// rank with the same count; where some ranks succeeded, the line and number of the lowest
// failing rank, its line naming the rank; where every rank succeeded but the counts differ, not
// ok with `counts` set (and no line).
using RankAgreement = void (*)(StepOutcome& outcome);
void set_rank_agreement(RankAgreement agreement);

// Records the first error line and number reported while it lives, then asks the ranks to agree.
class AgreedStep {
public:
    explicit AgreedStep(Run& run);
    ~AgreedStep();
    AgreedStep(const AgreedStep&) = delete;
    AgreedStep& operator=(const AgreedStep&) = delete;

    // The agreed outcome of a step that succeeded here when `ok`. A rank whose step succeeded
    // while another's failed reports that rank's line and number (the command ends there); a
    // failed rank, which reported its own line, takes the agreed number. Call once, at the
    // point where every rank's step has ended and before anything of it is kept.
    bool agree(bool ok) { return agree(ok, 0, {}, 0); }
    // A failed step whose message was a note or warning rather than an error line (a file that
    // does not exist) is known to the other ranks by `unexplained`.
    bool agree_failed(const std::string& unexplained);
    // The same, where every rank must also have found the same `count`: when the counts differ,
    // every rank reports `differ(counts)` with `number`.
    using CountsLine = std::function<std::string(const std::vector<long long>& counts)>;
    bool agree(bool ok, long long count, const CountsLine& differ, int number);

private:
    Run& run_;
};

} // namespace tarvex
