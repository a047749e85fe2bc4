// The notes, warnings, errors and other message lines an estimator meets while it computes,
// kept in the order met with the place of the report each belongs to. The estimator only
// collects them; the report writes them where the layout puts that place.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct Run;

enum class NoteKind {
    NOTE,    // " ...NOTE.."
    WARNING, // " ...WARNING.."
    ERROR,   // a problem with one observation or value: written even in a quiet statement
    TEXT,    // a line of the report's own (a heading, a test line)
    HELD,    // a line already decided on when it was met (a statement's echo, a message of a
             // block the command read before it estimated): written as it is, always
};

// Where in the report a line belongs, in the order the report writes them.
enum class NotePlace {
    HEADING,    // the estimation heading and the sample range
    DATA,       // the observations and weights in use, the dependent variable and regressors
    SOLUTION,   // what the solver and the restrictions report
    COVARIANCE, // the covariance matrix in use
    SUMMARY,    // warnings on the sums of squares and the population correction
    LISTING,    // beside the listing of observations
};

inline constexpr int ANY_SWITCH = -1;

struct ReportNote {
    std::string text;
    NoteKind kind = NoteKind::TEXT;
    NotePlace place = NotePlace::HEADING;
    int needs_switch = ANY_SWITCH; // a SET switch that must be on for the line to be written
    int error_number = 0;          // stored in $ERR when an ERROR line is written (0: none)
};

struct ReportNotes {
    std::vector<ReportNote> lines;

    void add(NotePlace place, NoteKind kind, std::string text, int needs_switch = ANY_SWITCH) {
        lines.push_back({std::move(text), kind, place, needs_switch});
    }
    // An "...ERROR.." line that stores `number` in $ERR when it is written; the command goes on.
    void add_error(NotePlace place, std::string text, int number) {
        lines.push_back({std::move(text), NoteKind::ERROR, place, ANY_SWITCH, number});
    }
    // The first line of this kind holding `fragment` (nullptr when none).
    const ReportNote* find(NoteKind kind, std::string_view fragment) const;
};

// Writes the lines of `place` in the order they were met: ERROR lines always, the others while
// output is on and their switch (if any) is on. An ERROR line with a number stores it in $ERR.
void write_notes(Run& run, const ReportNotes& notes, NotePlace place);
// The same for every place up to and including `last`, place by place.
void write_notes_through(Run& run, const ReportNotes& notes, NotePlace last);

} // namespace tarvex
